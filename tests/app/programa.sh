#!/usr/bin/env bash
# The real program under Xvfb: a start-up that fails shows its one message box and, once the
# box is closed, ends with a non-zero exit status instead of showing the window.
#   programa.sh QUILTARO_EXECUTABLE
set -euo pipefail

if [[ ${1:-} != --dentro ]]; then
    exec xvfb-run -a -s "-screen 0 800x600x24" "$0" --dentro "$@"
fi
exe=$(realpath "$2")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export HOME=$tmp XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp/run
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
mkdir -p "$tmp/programa" "$tmp/trevanto"
cp "$exe" "$tmp/programa/quiltaro"

puerto_cerrado() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Runs the program, waits for the box titled $1, closes it with Return and checks the end.
falla_con() {
    local titulo=$1
    "$tmp/programa/quiltaro" &
    local pid=$!
    local caja
    # Visible, so that the Return below reaches a mapped box.
    caja=$(timeout 120 xdotool search --sync --onlyvisible --name "^${titulo}\$" | head -1) || {
        kill "$pid" 2>/dev/null
        echo "FAIL: no box titled $titulo" >&2
        exit 1
    }
    if xdotool search --onlyvisible --name '^Reporte de movimientos' >/dev/null 2>&1; then
        echo "FAIL: the window was shown although start-up failed" >&2
        exit 1
    fi
    xdotool windowfocus --sync "$caja" 2>/dev/null || true
    xdotool key Return
    local estado=0
    timeout 120 tail --pid="$pid" -f /dev/null || { echo "FAIL: still running" >&2; exit 1; }
    wait "$pid" || estado=$?
    if [[ $estado -eq 0 ]]; then
        echo "FAIL: exit status 0 after a failed start ($titulo)" >&2
        exit 1
    fi
    echo "ok: $titulo, exit status $estado"
}

# The host installation folder holds no Trevanto.ini.
printf '[Configuración]\nRuta de Trevanto Premium=%s\nBase de datos a usar=datos1\n' \
    "$tmp/vacia" >"$tmp/programa/Quiltaro.ini"
falla_con "Atención"

# A server that nobody listens on (credentials in plain text, which the host still reads).
printf '[Registro]\nMySQLServer=127.0.0.1\nMySQLPuerto=%s\nMySQLUsuario=root\nMySQLPassword=x\n' \
    "$(puerto_cerrado)" >"$tmp/trevanto/Trevanto.ini"
printf '[Configuración]\nRuta de Trevanto Premium=%s\nBase de datos a usar=datos1\n' \
    "$tmp/trevanto" >"$tmp/programa/Quiltaro.ini"
falla_con "Quiltaro"
