#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the demo need.
# Idempotent: when everything is there already it only checks and returns.
set -euo pipefail

PAQUETES=(
    build-essential cmake pkg-config clang-format
    qt6-base-dev libqt6sql6-odbc qt6-translations-l10n
    libmariadb-dev mariadb-server mariadb-client
    unixodbc unixodbc-dev odbc-mariadb
    libgtest-dev
    libxlsxwriter-dev
    libcurl4-openssl-dev python3-aiosmtpd openssl
    xvfb xauth xdotool imagemagick poppler-utils qpdf crudini python3 python3-openpyxl
    libreoffice-calc
    cups
    fonts-dejavu-core fonts-liberation2
    lintian desktop-file-utils appstream systemd
)

faltan=()
for p in "${PAQUETES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        faltan+=("$p")
    fi
done

if ((${#faltan[@]} == 0)); then
    echo "install: every package is present"
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "install: missing packages (${faltan[*]}); run this script as root" >&2
    exit 1
fi

echo "install: installing ${faltan[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${faltan[@]}"
