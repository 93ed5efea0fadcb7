#!/usr/bin/env bash
# A private MariaDB server for the tests, the benchmarks and the demo: its own data folder,
# loopback only, a free port chosen at start, never the system service.
#
#   mariadb.sh start DIR [DATABASE...]   start (creating DIR on first use), wait until ready
#   mariadb.sh start DIR --puerto N [DATABASE...]   the same on port N (a restart that keeps
#                                        the port its clients know)
#   mariadb.sh start DIR --sql-mode MODE [DATABASE...]   the same with the server's global
#                                        sql_mode set to MODE ('' for the empty mode), to play
#                                        the part of another server's defaults; also written
#                                        --sql-mode=MODE
#   mariadb.sh stop DIR                  stop the server of DIR
#   mariadb.sh status DIR                exit 0 when the server of DIR answers
#
# DIR/server.env then holds SERVIDOR, PUERTO, USUARIO, PASSWORD and SOCKET, one per line,
# as NAME=value (the value is everything after the first "=").
set -euo pipefail

USUARIO=quiltaro
# Holds ";", "=" and "}" on purpose, so that every connection text is quoted right.
PASSWORD='pa;ss=1}x'

accion=${1:?usage: mariadb.sh start|stop|status DIR}
dir=$(realpath -m "${2:?usage: mariadb.sh start|stop|status DIR}")
shift 2 || true
puerto_pedido=
modo_sql=()
while [[ ${1:-} == --* ]]; do
    case $1 in
    --puerto) puerto_pedido=${2:?usage: mariadb.sh start DIR --puerto N}; shift 2 ;;
    --sql-mode)
        [[ $# -ge 2 ]] || { echo "usage: mariadb.sh start DIR --sql-mode MODE" >&2; exit 2; }
        modo_sql=("--sql-mode=$2"); shift 2 ;;
    --sql-mode=*) modo_sql=("$1"); shift ;;
    *) echo "mariadb: unknown option $1" >&2; exit 2 ;;
    esac
done

datos="$dir/data"
socket="$dir/mysqld.sock"
pidfile="$dir/mysqld.pid"
envfile="$dir/server.env"
log="$dir/mysqld.log"

responde() {
    [[ -S $socket ]] && mariadb-admin --no-defaults --socket="$socket" -uroot \
        --connect-timeout=2 ping >/dev/null 2>&1
}

puerto_libre() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

sql() {
    mariadb --no-defaults --socket="$socket" -uroot -e "$1"
}

arranca() {
    # A temporary folder of its own: servers installed or run side by side in /tmp were seen to
    # remove each other's scratch files ("Unknown table 'mysql.tmp_user_sys'").
    mkdir -p "$dir/tmp"
    if responde; then
        echo "mariadb: a server already answers on $socket; refusing to start a second one" >&2
        exit 1
    fi
    if [[ ! -d $datos/mysql ]]; then
        rm -rf "$datos"
        if ! mariadb-install-db --no-defaults --datadir="$datos" --tmpdir="$dir/tmp" \
            --auth-root-authentication-method=normal --skip-test-db --user="$(id -un)" \
            >"$dir/install.log" 2>&1; then
            echo "mariadb: could not create the data folder $datos" >&2
            tail -20 "$dir/install.log" >&2 || true
            exit 1
        fi
    fi
    local intento puerto
    for intento in 1 2 3; do
        puerto=${puerto_pedido:-$(puerto_libre)}
        rm -f "$socket" "$pidfile"
        mariadbd --no-defaults --datadir="$datos" --tmpdir="$dir/tmp" --socket="$socket" \
            --pid-file="$pidfile" \
            --port="$puerto" --bind-address=127.0.0.1 --skip-name-resolve \
            --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
            --user="$(id -un)" --log-error="$log" --skip-log-bin --max-connections=300 \
            --local-infile=1 "${modo_sql[@]}" >/dev/null 2>&1 &
        local pid=$!
        # Two minutes at most: a loaded machine can take long to start it.
        local hasta=$((SECONDS + 120))
        while ((SECONDS < hasta)); do
            if responde; then break; fi
            if ! kill -0 "$pid" 2>/dev/null; then break; fi
            sleep 0.1
        done
        if responde; then
            prepara "$puerto"
            echo "mariadb: ready on 127.0.0.1:$puerto ($dir)"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        echo "mariadb: attempt $intento on port $puerto failed, see $log" >&2
    done
    tail -20 "$log" >&2 || true
    exit 1
}

prepara() {
    local puerto=$1
    sql "DELETE FROM mysql.global_priv WHERE User=''; FLUSH PRIVILEGES;"
    local h
    for h in localhost 127.0.0.1 '%'; do
        sql "CREATE USER IF NOT EXISTS '$USUARIO'@'$h' IDENTIFIED BY '$PASSWORD';
             ALTER USER '$USUARIO'@'$h' IDENTIFIED BY '$PASSWORD';
             GRANT ALL PRIVILEGES ON *.* TO '$USUARIO'@'$h' WITH GRANT OPTION;"
    done
    for b in "${EXTRA_BASES[@]}"; do
        sql "CREATE DATABASE IF NOT EXISTS \`$b\` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci"
    done
    umask 077
    {
        echo "SERVIDOR=127.0.0.1"
        echo "PUERTO=$puerto"
        echo "USUARIO=$USUARIO"
        echo "PASSWORD=$PASSWORD"
        echo "SOCKET=$socket"
    } >"$envfile"
}

detiene() {
    if [[ -f $pidfile ]]; then
        local pid
        pid=$(cat "$pidfile")
        if responde; then
            mariadb-admin --no-defaults --socket="$socket" -uroot shutdown >/dev/null 2>&1 || true
        fi
        local hasta=$((SECONDS + 60))
        while ((SECONDS < hasta)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null; then
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$pidfile"
    fi
    echo "mariadb: stopped ($dir)"
}

case $accion in
start) EXTRA_BASES=(datos1 trevantoreportes "$@"); arranca ;;
stop) detiene ;;
status) responde ;;
*) echo "usage: mariadb.sh start|stop|status DIR [DATABASE...]" >&2; exit 2 ;;
esac
