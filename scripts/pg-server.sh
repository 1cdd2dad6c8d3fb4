#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests, the benchmarks and ./run.sh --server:
# a new cluster in a private folder, listening on 127.0.0.1 at a free port and on a
# unix socket in the same folder, with one database "kelvo" that the role
# "kelvo" owns (trust authentication: it is reachable only from this machine).
#
#   scripts/pg-server.sh start DIR   creates and starts it; prints the connection URI
#   scripts/pg-server.sh stop DIR    stops it (immediately) and removes DIR
#   scripts/pg-server.sh pause DIR   stops it at once, as a crash would, keeping its data
#   scripts/pg-server.sh resume DIR  starts a paused server again on the same port
#
# initdb refuses to run as root: as root the server runs as the "postgres" user.
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ]; then
    echo "usage: scripts/pg-server.sh start|stop|pause|resume DIR" >&2
    exit 2
fi

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "pg-server: PostgreSQL is not installed (Debian package postgresql)" >&2
    exit 1
fi

as_server() {
    if [ "$(id -u)" -eq 0 ]; then
        (cd / && runuser -u postgres -- "$@")
    else
        "$@"
    fi
}

# Starts the cluster in $dir on port $1.
run_server() {
    as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-p $1 -k $dir -c listen_addresses=127.0.0.1 -c fsync=on -c max_connections=200" \
        start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
}

case "$command" in
start)
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    as_server "$bin/initdb" -D "$dir/data" -A trust -E UTF8 --no-locale -N -U postgres \
        >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    # A free port on the loopback: nobody answers there.
    port=
    for _ in $(seq 1 200); do
        candidate=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
            port=$candidate
            break
        fi
    done
    [ -n "$port" ] || { echo "pg-server: no free port found" >&2; exit 1; }
    run_server "$port"
    echo "$port" >"$dir/port"
    as_server "$bin/psql" -h "$dir" -p "$port" -U postgres -d postgres -q -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE kelvo LOGIN" -c "CREATE DATABASE kelvo OWNER kelvo" >/dev/null
    echo "postgresql://kelvo@/kelvo?host=$dir&port=$port"
    ;;
stop)
    [ -d "$dir/data" ] && as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop \
        >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
pause)
    as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null
    ;;
resume)
    run_server "$(cat "$dir/port")"
    ;;
*)
    echo "usage: scripts/pg-server.sh start|stop|pause|resume DIR" >&2
    exit 2
    ;;
esac
