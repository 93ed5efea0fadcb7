#!/usr/bin/env bash
# The README's picture of the dialog "Enviar por correo", docs/correo.png: the demo's database
# and installation, every customer of last month, the addresses from a Correos.csv made here
# (most customers one address, some two, one malformed, some none), the real program under
# Xvfb. Nothing is sent.
#   scripts/captura-correo.sh
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}
demo="$build/captura-correo"
servidor="$build/captura-correo-server"

if [[ ${1:-} == --dentro ]]; then
    espera() { timeout 120 xdotool search --sync --onlyvisible --name "$1" | head -1; }
    XDG_CONFIG_HOME="$demo/config" ODBCINI="$demo/odbc.ini" "$demo/instalacion/quiltaro" \
        >"$demo/quiltaro.log" 2>&1 &
    programa=$!
    trap 'kill $programa 2>/dev/null || true' EXIT
    ventana=$(espera "Reporte de movimientos de clientes")
    xdotool windowfocus --sync "$ventana"
    xdotool key --delay 60 ctrl+a
    xdotool type --delay 60 "$DESDE"
    xdotool key Tab ctrl+a
    xdotool type --delay 60 "$HASTA"
    xdotool key alt+i
    vista=$(espera "Vista previa")
    xdotool windowfocus --sync "$vista"
    xdotool key alt+o
    dialogo=$(espera "Enviar por correo")
    # No window manager: the dialog at the corner, the size it asks for.
    xdotool windowmove "$dialogo" 0 0
    xdotool windowfocus --sync "$dialogo"
    # Only for the picture: the dialog repaints where it was moved.
    sleep 1
    import -window "$dialogo" "$demo/correo.png"
    xdotool key Escape
    exit 0
fi

source "$raiz/scripts/demo-comun.sh"
prepara_demo
mkdir -p "$demo/config/Quiltaro"

# The shop's addresses, one row per customer of the demo.
mariadb --no-defaults --socket="$(valor SOCKET)" -uroot -N -r datos1 \
    -e "SELECT Clave FROM clientes ORDER BY Clave" |
    awk 'BEGIN { print "Clave,Correos,No enviar" }
         { c = $0; gsub(/"/, "\"\"", c); n = NR % 9
           d = "cliente" NR "@ejemplo.mx"
           if (n == 3) d = d ";pagos" NR "@ejemplo.mx"
           if (n == 5) d = "cliente" NR "@ejemplo"
           if (n == 7) d = ""
           printf "\"%s\",%s%s\r\n", c, d, (n == 8 ? ",no" : "") }' \
        >"$demo/config/Quiltaro/Correos.csv"

export DESDE=$(date -d "$(date +%Y-%m-01) -1 month" +%d%m%Y)
export HASTA=$(date -d "$(date +%Y-%m-01) -1 day" +%d%m%Y)
export XDG_RUNTIME_DIR="$demo/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
timeout 300 xvfb-run -a -s "-screen 0 1024x800x24" "$raiz/scripts/captura-correo.sh" --dentro
cp "$demo/correo.png" "$raiz/docs/correo.png"
echo "Picture: $raiz/docs/correo.png"
