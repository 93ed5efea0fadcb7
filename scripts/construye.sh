#!/usr/bin/env bash
# The opening every script shares: installs what is missing (scripts/install.sh), configures
# the build folder and builds the targets named, everything when none is. The folder is build/
# or $QUILTARO_BUILD; the jobs, one per processor or $QUILTARO_JOBS.
#   scripts/construye.sh [TARGET ...]
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}

"$raiz/scripts/install.sh"
cmake -S "$raiz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
objetivos=()
for objetivo in "$@"; do
    objetivos+=(--target "$objetivo")
done
cmake --build "$build" -j"${QUILTARO_JOBS:-$(nproc)}" "${objetivos[@]}"
