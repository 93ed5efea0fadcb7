# Sourced by demo.sh and captura-correo.sh: builds the program, starts a private MariaDB server
# (stopped when the script exits) with the demo's host database "datos1", and lays out a demo
# installation in $demo/instalacion with its odbc.ini. Needs raiz, build, demo and servidor;
# leaves env_file and valor (a setting of the server, by name).
prepara_demo() {
    "$raiz/scripts/construye.sh" quiltaro quiltaro_plantillas quiltaro_genera_datos \
        quiltaro_instala_demo

    "$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null 2>&1 || true
    "$raiz/scripts/mariadb.sh" start "$servidor"
    trap '"$raiz/scripts/mariadb.sh" stop "$servidor" >/dev/null 2>&1 || true' EXIT
    env_file="$servidor/server.env"
    valor() { grep "^$1=" "$env_file" | cut -d= -f2-; }

    rm -rf "$demo"
    mkdir -p "$demo"
    "$build/demo/datos/quiltaro_genera_datos" --env "$env_file" --base datos1 --demo
    ODBCINI="$demo/odbc.ini" "$build/demo/instalacion/quiltaro_instala_demo" \
        --carpeta "$demo/instalacion" --programa "$build/app/quiltaro" \
        --plantilla "$build/app/quiltaro.rpt" --servidor "$(valor SERVIDOR)" \
        --puerto "$(valor PUERTO)" --usuario "$(valor USUARIO)" --password "$(valor PASSWORD)" \
        --base datos1
}
