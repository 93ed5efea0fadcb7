#!/usr/bin/env bash
# The user's whole path with the real program under Xvfb: dates and a customer typed, its name
# shown, Alt+I, the preview saved as PDF, the statement written. Checks the PDFs' text.
set -euo pipefail
raiz=$1
build=$2
salida=$(QUILTARO_BUILD="$build" "$raiz/scripts/demo.sh" --auto 2>&1) || { echo "$salida"; exit 1; }
pdf=$(echo "$salida" | sed -n 's/^PDF: //p')
cliente=$(echo "$salida" | sed -n 's/^demo: request \([^ ]*\) from.*/\1/p')
texto=$(pdftotext -layout "$pdf" -)
for esperado in "Reporte de movimientos de clientes" "Cliente $cliente" "Saldo inicial" \
    "Totales de $cliente" "Página 1 de"; do
    if ! grep -qF "$esperado" <<<"$texto"; then
        echo "the report lacks: $esperado"
        echo "$texto" | head -40
        exit 1
    fi
done
estado=$(echo "$salida" | sed -n 's/^Statement: //p')
texto=$(pdftotext -layout "$estado" -)
for esperado in "Estado de cuenta" "Cliente $cliente" "Saldo final" "Antigüedad del saldo" \
    "Página 1 de"; do
    if ! grep -qF "$esperado" <<<"$texto"; then
        echo "the statement lacks: $esperado"
        echo "$texto" | head -40
        exit 1
    fi
done
echo "e2e: report of $cliente checked ($pdf)"
