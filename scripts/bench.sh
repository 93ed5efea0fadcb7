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

# The PDF's peer, ReportLab (Debian's, C-accelerated), for the bench only.
if ! dpkg-query -W -f='${Status}' python3-reportlab-accel 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=300 \
        python3-reportlab python3-reportlab-accel
fi
"$raiz/scripts/construye.sh" bench_movimientos bench_motor bench_exporta bench_correo \
    bench_programa quiltaro quiltaro_plantillas quiltaro_instala_demo
servidor="$build/bench-server"
"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null 2>&1 || true
"$raiz/scripts/mariadb.sh" start "$servidor"
trap '"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null' EXIT
"$build/bench/bench_movimientos" "$servidor/server.env" "${tamanos[@]}"
# The whole path on the real window (Alt+I, the preview, the PDF beside ReportLab on the same
# rows, printing, the workbook, the CSV, the statements) with the program's peak memory.
"$build/bench/bench_programa" "$servidor/server.env" ${QUILTARO_BENCH_PROGRAMA:-100000 500000 1000000}
# The report engine on 100,000 movements: sorting, layout, the PDF and the statements (no server
# needed). Then the PDF beside its peer at 100,000 and 1,000,000 movements: ReportLab writing
# the same rows on as many Letter landscape pages, in DejaVu Sans embedded as a subset, pages
# compressed. QUILTARO_BENCH_PDF sets the sizes.
for movimientos in ${QUILTARO_BENCH_PDF:-100000 1000000}; do
    pdf="$build/bench-motor.pdf"
    if [[ $movimientos == 100000 ]]; then
        motor=$("$build/bench/bench_motor" "$movimientos" "$pdf")
    else
        motor=$("$build/bench/bench_motor" "$movimientos" "$pdf" pdf)
    fi
    echo "$motor"
    paginas=$(sed -n 's/^movements .*, pages \([0-9]*\)$/\1/p' <<<"$motor")
    nuestro=$(sed -n 's/.*, PDF \([0-9]*\) ms,.*/\1/p' <<<"$motor")
    par=$(/usr/bin/python3 "$raiz/bench/pdf_reportlab.py" "$movimientos" "$paginas" \
        "$build/bench-reportlab.pdf")
    suyo=$(sed -n 's/.* pages, \([0-9]*\) ms$/\1/p' <<<"$par")
    awk -v n="$movimientos" -v p="$paginas" -v a="$nuestro" -v b="$suyo" 'BEGIN {
        printf "PDF of %d movements, %d pages: ours %d ms, ReportLab %d ms, ratio %.2f (goal <= 0.8)\n",
            n, p, a, b, a / b }'
    rm -f "$pdf" "$build/bench-reportlab.pdf"
done
# The workbook and CSV of 1,000,000 rows beside their floors (no server needed).
"$build/bench/bench_exporta" 1000000
# Sending 1,000 statements to the local test mail server against writing them.
"$build/bench/bench_correo" 1000
