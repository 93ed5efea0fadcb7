#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test against a private MariaDB
# server (started and stopped by the CTest fixture). Non-zero exit on any failure.
#   scripts/test.sh [ctest arguments...]      e.g. scripts/test.sh -R Ini
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}

"$raiz/scripts/construye.sh"
# A server left by an interrupted run would make the fixture refuse to start.
"$raiz/scripts/mariadb.sh" stop "$build/test-server" >/dev/null 2>&1 || true
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
