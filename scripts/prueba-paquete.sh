#!/usr/bin/env bash
# The package on a new shop PC: in a fresh Debian 12 (../shared/tools/fresh-debian-run) it
# installs build/quiltaro_*.deb with apt-get alone, then a normal user starts
# "quiltaro --conexion" under Xvfb, fills the connection dialog (a user "caja" with exactly the
# rights of docs/permisos.sql and a password with ";" and "ñ", on a private MariaDB server of
# this machine reached on 127.0.0.1), saves, prints every customer and sees the report's
# preview; then the package is removed and purged and nothing of it may be left.
# Run as root; it takes minutes. QUILTARO_DEB=FILE uses that package instead of building one.
#   scripts/prueba-paquete.sh
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}
herramienta=${QUILTARO_FRESH_DEBIAN_RUN:-$raiz/../shared/tools/fresh-debian-run}
[[ $(id -u) -eq 0 ]] || { echo "prueba-paquete: run as root" >&2; exit 2; }

if [[ ${1:-} == --dentro ]]; then
    # Inside the fresh system: PORT DISPLAY.
    puerto=$2
    export DISPLAY=$3
    paso() { echo "== $*"; }
    informa() {
        echo "prueba-paquete: falló; ventanas abiertas:" >&2
        for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            echo "  $(xdotool getwindowname "$w")" >&2
        done
        cat /home/cajero/quiltaro.log >&2 2>/dev/null || true
    }
    trap 'informa' ERR
    paso "instalar el paquete"
    apt-get update -qq
    apt-get install -y -qq /root/in/quiltaro_*.deb >/root/apt.log 2>&1 || { tail -20 /root/apt.log; exit 1; }
    # Only to drive the window like a user; not something the package needs.
    apt-get install -y -qq --no-install-recommends xdotool >/dev/null
    for p in gcc g++ mariadb-server; do
        if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            echo "prueba-paquete: el paquete trajo $p" >&2; exit 1
        fi
    done
    useradd -m cajero
    paso "primer arranque de un usuario: el diálogo de conexión"
    su cajero -c "cd ~ && DISPLAY=$DISPLAY quiltaro --conexion >~/quiltaro.log 2>&1 &"
    espera() {
        local w
        w=$(timeout 120 xdotool search --sync --onlyvisible --name "$1" | head -1)
        [[ -n $w ]] || { echo "prueba-paquete: no se abrió «$1»" >&2; return 1; }
        echo "$w"
    }
    dialogo=$(espera "Quiltaro — conexión")
    xdotool windowfocus --sync "$dialogo"
    sleep 0.5
    # Folder (the user's own, proposed), database (datos1, proposed), server, port, user,
    # password.
    xdotool key Tab Tab ctrl+a
    xdotool type --delay 30 "127.0.0.1"
    xdotool key Tab ctrl+a
    xdotool type --delay 30 "$puerto"
    xdotool key Tab ctrl+a
    xdotool type --delay 30 "caja"
    xdotool key Tab ctrl+a
    xdotool type --delay 60 "ca;ja ñ"
    xdotool key alt+g
    paso "la ventana, e Imprimir"
    ventana=$(espera "Reporte de movimientos de clientes")
    xdotool windowfocus --sync "$ventana"
    sleep 0.5
    xdotool key ctrl+a
    xdotool type --delay 60 "01012000"
    xdotool key alt+i
    vista=$(espera "Vista previa")
    [[ -n $vista ]] || { cat /home/cajero/quiltaro.log; exit 1; }
    echo "reporte en pantalla: $(xdotool getwindowname "$vista")"
    ls -l /home/cajero/.config/Quiltaro/Quiltaro.ini /home/cajero/.config/Quiltaro/Trevanto/Trevanto.ini
    pkill -u cajero quiltaro || true
    paso "quitar y purgar"
    apt-get purge -y -qq --autoremove quiltaro >/dev/null
    if dpkg-query -W quiltaro >/dev/null 2>&1 && [[ $(dpkg-query -W -f='${Status}' quiltaro) != "unknown ok not-installed" ]]; then
        echo "prueba-paquete: quiltaro sigue registrado" >&2; exit 1
    fi
    restos=$(find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /root/in \
        -o -path /home/cajero \) -prune -o -iname '*quiltaro*' -print)
    if [[ -n $restos ]]; then
        echo "prueba-paquete: quedó: $restos" >&2; exit 1
    fi
    echo "nada del paquete queda (la configuración propia del usuario sigue en su carpeta)"
    exit 0
fi

if [[ -n ${QUILTARO_DEB:-} ]]; then
    deb=$QUILTARO_DEB
else
    "$raiz/scripts/package.sh"
    deb=$(ls "$build"/quiltaro_*_amd64.deb)
fi
"$raiz/scripts/construye.sh" quiltaro_genera_datos >/dev/null

trabajo=$(mktemp -d -t quiltaro-paquete.XXXXXX)
servidor="$trabajo/servidor"
xvfb=
limpia() {
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    "$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null 2>&1 || true
    rm -rf "$trabajo"
}
trap limpia EXIT
"$raiz/scripts/mariadb.sh" start "$servidor" >/dev/null
env_file="$servidor/server.env"
valor() { grep "^$1=" "$env_file" | cut -d= -f2-; }
"$build/demo/datos/quiltaro_genera_datos" --env "$env_file" --base datos1 --demo >/dev/null
# The shop's user, with exactly the documented rights.
sed "s/'cambie esta contraseña'/'ca;ja ñ'/" "$raiz/docs/permisos.sql" |
    mariadb --no-defaults --socket="$(valor SOCKET)" -uroot

# A display of this machine, shared with the fresh system through /tmp/.X11-unix.
for n in $(seq 90 120); do [[ -e /tmp/.X11-unix/X$n ]] || break; done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done

cp "$0" "$trabajo/prueba-paquete.sh"
timeout 900 "$herramienta" --copy "$deb" --copy "$trabajo/prueba-paquete.sh" -- \
    bash /root/in/prueba-paquete.sh --dentro "$(valor PUERTO)" ":$n"
echo "prueba-paquete: bien"
