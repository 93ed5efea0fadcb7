#!/usr/bin/env bash
# The demo: installs, builds, starts a private MariaDB server with a sample host database, lays
# out a demo host installation and opens the window on it. With no display (or with --auto) it
# runs under Xvfb, types a sample request as a user would (last month, one customer), presses
# Alt+I, saves the previewed report as a PDF, writes the customer's statement with Alt+T, takes
# a screenshot and stops everything.
#   scripts/demo.sh [--auto]
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}
demo="$build/demo-run"
servidor="$build/demo-server"

if [[ ${1:-} == --dentro ]]; then
    # Runs inside Xvfb: drive the window with xdotool. Keys go to the focused window and the
    # program takes them in order, so each step waits only for the window it types into.
    espera() { timeout 120 xdotool search --sync --onlyvisible --name "$1" | head -1; }
    ODBCINI="$demo/odbc.ini" "$demo/instalacion/quiltaro" >"$demo/quiltaro.log" 2>&1 &
    programa=$!
    trap 'kill $programa 2>/dev/null || true' EXIT
    ventana=$(espera "Reporte de movimientos de clientes")
    xdotool windowfocus --sync "$ventana"
    xdotool key --delay 60 ctrl+a
    xdotool type --delay 60 "$DEMO_DESDE"
    xdotool key Tab ctrl+a
    xdotool type --delay 60 "$DEMO_HASTA"
    xdotool key Tab
    xdotool type --delay 120 "$DEMO_CLIENTE"
    # Only for the picture: the customer's name, looked up as the code is typed, has no signal
    # outside the window.
    sleep 1
    import -window "$ventana" "$demo/ventana.png"
    xdotool key alt+i
    vista=$(espera "Vista previa")
    # No window manager: put the preview below the window so the screenshot shows both.
    xdotool windowmove "$vista" 0 360 windowsize "$vista" 1024 408
    xdotool windowfocus --sync "$vista"
    # Only for the picture: the preview repaints at its new size.
    sleep 1
    import -window root "$demo/pantalla.png"
    xdotool key alt+g
    dialogo=$(espera "Guardar PDF")
    xdotool windowfocus --sync "$dialogo"
    xdotool key ctrl+a
    xdotool type --delay 20 "$demo/reporte.pdf"
    xdotool key Return
    # The program writes the PDF beside its place and renames it there only when it is whole,
    # so the file's name appearing is the end of the write.
    if ! timeout 120 bash -c 'until [[ -e $0 ]]; do sleep 0.1; done' "$demo/reporte.pdf"; then
        echo "demo: the PDF was not saved" >&2
        exit 1
    fi
    # The statement of the same request, in a folder of its own. The index is written after
    # every statement, and like them appears only whole.
    mkdir -p "$demo/estados"
    xdotool windowfocus --sync "$vista"
    xdotool key alt+t
    dialogo=$(espera "Estados de cuenta")
    xdotool windowfocus --sync "$dialogo"
    xdotool key ctrl+a
    xdotool type --delay 20 "$demo/estados"
    xdotool key Return
    indice="$demo/estados/Estados de cuenta.csv"
    if ! timeout 120 bash -c 'until [[ -e $0 ]]; do sleep 0.1; done' "$indice"; then
        echo "demo: the statements were not written" >&2
        exit 1
    fi
    # Close the message that tells where they went.
    if aviso=$(espera "Estados de cuenta"); then
        xdotool windowfocus --sync "$aviso" key Return || true
    fi
    exit 0
fi

automatico=0
[[ ${1:-} == --auto || -z ${DISPLAY:-} ]] && automatico=1

source "$raiz/scripts/demo-comun.sh"
prepara_demo

# The sample request: last month, and the customer (a plain code, easy to type) with the most
# documents in it.
primero=$(date -d "$(date +%Y-%m-01) -1 month" +%Y-%m-%d)
ultimo=$(date -d "$(date +%Y-%m-01) -1 day" +%Y-%m-%d)
export DEMO_DESDE=$(date -d "$primero" +%d%m%Y) DEMO_HASTA=$(date -d "$ultimo" +%d%m%Y)
export DEMO_CLIENTE=$(mariadb --no-defaults --socket="$(valor SOCKET)" -uroot -N datos1 -e \
    "SELECT Cliente FROM remisiones WHERE Fecha BETWEEN '$primero' AND '$ultimo' AND
     Cliente REGEXP '^[A-Z0-9]+\$' GROUP BY Cliente ORDER BY COUNT(*) DESC, Cliente LIMIT 1")

if ((automatico == 0)); then
    echo "demo: the window opens on $demo/instalacion; try $DEMO_CLIENTE, $primero to $ultimo"
    ODBCINI="$demo/odbc.ini" "$demo/instalacion/quiltaro"
    exit 0
fi

export XDG_RUNTIME_DIR="$demo/runtime"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" "$raiz/scripts/demo.sh" --dentro
echo "demo: request $DEMO_CLIENTE from $primero to $ultimo"
echo "PDF: $demo/reporte.pdf"
estado=$(find "$demo/estados" -name '*.pdf' | head -1)
[[ -n $estado ]] && pdftoppm -png -r 80 -f 1 -l 1 -singlefile "$estado" "$demo/estado"
echo "Statement: $estado"
echo "Screenshot: $demo/pantalla.png"
