#!/usr/bin/env bash
# Runs a window test that sees only the fonts of the packages scripts/install.sh installs, as on
# a fresh machine: a font put on this machine by hand cannot make it pass.
#   fuentes_instalador.sh INSTALL_SCRIPT TEST_EXECUTABLE GTEST_FILTER
set -euo pipefail
instalador=$1
ejecutable=$2
filtro=$3

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/fuentes" "$tmp/cache"

paquetes=$(grep -oE '\bfonts-[a-z0-9.+-]+' "$instalador" | sort -u)
if [[ -z $paquetes ]]; then
    echo "no font package in $instalador" >&2
    exit 1
fi
for paquete in $paquetes; do
    # Fails when the package is not installed: the test then fails too.
    archivos=$(dpkg-query -L "$paquete")
    while read -r archivo; do
        [[ -f $archivo ]] && ln -sf "$archivo" "$tmp/fuentes/"
    done < <(grep -E '\.(ttf|otf|ttc|pfb|pfa)$' <<<"$archivos" || true)
done
if [[ -z $(ls -A "$tmp/fuentes") ]]; then
    echo "the packages $paquetes hold no font file" >&2
    exit 1
fi

# The system's rules (aliases such as Arial to its metric twin) stay; the fonts are only these.
cat >"$tmp/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$tmp/fuentes</dir>
  <cachedir>$tmp/cache</cachedir>
  <include ignore_missing="yes">/etc/fonts/conf.d</include>
</fontconfig>
CONF

echo "fonts: $(ls "$tmp/fuentes" | paste -sd ' ')"
salida=$(FONTCONFIG_FILE=$tmp/fonts.conf HOME=$tmp "$ejecutable" --gtest_filter="$filtro" 2>&1) || {
    echo "$salida"
    exit 1
}
echo "$salida"
# A filter that matches nothing passes without testing anything.
grep -q '^\[  PASSED  \] [1-9]' <<<"$salida"
