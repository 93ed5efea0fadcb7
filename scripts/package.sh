#!/usr/bin/env bash
# Builds the Debian package build/quiltaro_<version>_amd64.deb and checks it: lintian (no
# errors), desktop-file-validate on both desktop entries, appstreamcli validate on the metadata.
#   scripts/package.sh
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILTARO_BUILD:-$raiz/build}

"$raiz/scripts/construye.sh" quiltaro quiltaro_plantillas quiltaro_documentos
rm -f "$build"/quiltaro_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quiltaro_*_amd64.deb)

for entrada in "$raiz"/packaging/*.desktop; do
    desktop-file-validate "$entrada"
done
appstreamcli validate --no-net --pedantic "$raiz/packaging/org.quiltaro.Quiltaro.metainfo.xml"
# lintian: errors fail; the warnings left are listed in the README.
lintian --fail-on error "$deb"
echo "Paquete: $deb"
