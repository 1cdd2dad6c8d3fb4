#!/usr/bin/env bash
# Starts kelvo-View on a demo groupware: installs what is missing, builds, and
# seeds the demo with kelvo-admin demo.
#   ./run.sh             embedded: .demo/groupware.db (created on first use)
#   ./run.sh --server    the office setup: a throwaway local PostgreSQL server,
#                        seeded afresh, stopped when the viewer ends
# Without a display it serves the window over VNC (Qt's vnc platform) and says where.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-embedded}
case "$mode" in
    embedded|--server) ;;
    *) echo "usage: ./run.sh [--server]" >&2; exit 2 ;;
esac

scripts/install-deps.sh build run

build_dir=build
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2 --target kelvo-view kelvo-admin

server_dir=
stop_server() {
    [ -n "$server_dir" ] && scripts/pg-server.sh stop "$server_dir"
    server_dir=
}

if [ "$mode" = --server ]; then
    server_dir=$(mktemp -d /tmp/kelvo-run-pg.XXXXXX)
    trap stop_server EXIT
    # The office's administrator seeds the demo; the viewer then connects as
    # whoever signs in (the people's URI names no role).
    admin_uri=$(scripts/pg-server.sh start "$server_dir")
    "$build_dir/bin/kelvo-admin" --database "$admin_uri" demo
    KELVO_DATABASE=$(cat "$server_dir/people.uri")
    export KELVO_DATABASE
    echo "A throwaway PostgreSQL server (TLS, passwords): $KELVO_DATABASE"
    echo "(stopped when the viewer ends)."
else
    export KELVO_DATABASE="$PWD/.demo/groupware.db"
    if [ ! -f "$KELVO_DATABASE" ]; then
        mkdir -p .demo
        chmod 700 .demo
        "$build_dir/bin/kelvo-admin" demo
    else
        echo "Demo groupware: $KELVO_DATABASE (delete it to start afresh)."
        echo "Logins: guest09 / guest, 山田太郎 / yamada, 佐藤花子 / sato, 鈴木一郎 / suzuki,"
        echo "        高橋美咲 / takahashi, 田中健 / tanaka, 伊藤さくら / ito"
    fi
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    port=${KELVO_VNC_PORT:-5900}
    echo
    echo "No display here. The viewer now serves its window over VNC:"
    echo "  connect a VNC viewer to localhost:$port (Ctrl+C here ends the program)."
    echo "  Or run it in a virtual X display instead: xvfb-run -a ./run.sh"
    export QT_QPA_PLATFORM="vnc:size=1024x768:port=$port"
fi
# Not exec: the server (if any) is stopped when the viewer ends.
"$build_dir/bin/kelvo-view"
