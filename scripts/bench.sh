#!/usr/bin/env bash
# Runs the benchmarks on a private server of their own.
#   scripts/bench.sh [MOVEMENTS:CUSTOMERS ...]    default: the sizes below
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}
tamanos=("$@")
if ((${#tamanos[@]} == 0)); then
    tamanos=(10000:1000 100000:1000 100000:10000 1000000:10000)
fi

"$raiz/scripts/install.sh"
cmake -S "$raiz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target bench_movimientos bench_motor
servidor="$build/bench-server"
"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null 2>&1 || true
"$raiz/scripts/mariadb.sh" start "$servidor"
trap '"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null' EXIT
"$build/bench/bench_movimientos" "$servidor/server.env" "${tamanos[@]}"
# The report engine on 100,000 movements: sorting, layout and the PDF (no server needed).
"$build/bench/bench_motor" 100000
# Sending 1,000 statements to the local test mail server against writing them.
cmake --build "$build" -j"$(nproc)" --target bench_correo
"$build/bench/bench_correo" 1000
