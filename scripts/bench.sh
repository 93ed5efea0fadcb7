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

"$raiz/scripts/construye.sh" bench_movimientos bench_motor bench_exporta bench_correo
servidor="$build/bench-server"
"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null 2>&1 || true
"$raiz/scripts/mariadb.sh" start "$servidor"
trap '"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null' EXIT
"$build/bench/bench_movimientos" "$servidor/server.env" "${tamanos[@]}"
# The report engine on 100,000 movements: sorting, layout and the PDF (no server needed).
"$build/bench/bench_motor" 100000
# The workbook and CSV of 1,000,000 rows beside their floors (no server needed).
"$build/bench/bench_exporta" 1000000
# Sending 1,000 statements to the local test mail server against writing them.
"$build/bench/bench_correo" 1000
