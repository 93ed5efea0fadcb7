#!/usr/bin/env bash
# The monthly timer and its service as the package installs them (cmake --install into a
# folder): systemd-analyze verify accepts both, the timer falls on the 1st of the month, nothing
# enables it, and the service runs the installed program without a window.
#   unidades_systemd.sh BUILD
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_RUNTIME_DIR=$tmp/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

DESTDIR=$tmp/raiz cmake --install "$build" --prefix /usr >/dev/null
unidades=$tmp/raiz/usr/lib/systemd/user
timer=$unidades/quiltaro-estados.timer
servicio=$unidades/quiltaro-estados.service
[[ -f $timer && -f $servicio ]] || { echo "FAIL: the units are not installed" >&2; exit 1; }
if find "$tmp/raiz" -name '*.wants' | grep -q .; then
    echo "FAIL: the package enables a unit" >&2
    exit 1
fi

# verify checks that the program is there: the installed copy stands for /usr/bin/quiltaro.
mkdir "$tmp/verifica"
cp "$timer" "$tmp/verifica/"
sed "s|/usr/bin/quiltaro|$tmp/raiz/usr/bin/quiltaro|" "$servicio" >"$tmp/verifica/quiltaro-estados.service"
# It only warns of a key it does not know: any word from it is a failure.
dice=$(systemd-analyze --user verify --man=no "$tmp/verifica/quiltaro-estados.timer" \
    "$tmp/verifica/quiltaro-estados.service" 2>&1) || { echo "FAIL: $dice" >&2; exit 1; }
[[ -z $dice ]] || { echo "FAIL: systemd-analyze verify says: $dice" >&2; exit 1; }

grep -qx 'Persistent=true' "$timer" || { echo "FAIL: the timer is not persistent" >&2; exit 1; }
cuando=$(sed -n 's/^OnCalendar=//p' "$timer")
proximas=$(systemd-analyze calendar --iterations=3 "$cuando" | grep -E 'Next elapse|Iter')
if grep -vqE '[0-9]{4}-[0-9]{2}-01 ' <<<"$proximas"; then
    echo "FAIL: the timer does not fall on the 1st: $proximas" >&2
    exit 1
fi
grep -q -- '--estados --mes-anterior --carpeta ${QUILTARO_CARPETA_ESTADOS} --enviar' "$servicio" ||
    { echo "FAIL: the service does not run the month before's statements" >&2; exit 1; }
"$tmp/raiz/usr/bin/quiltaro" --help | grep -q -- '--mes-anterior'
echo "ok: timer and service verified"
