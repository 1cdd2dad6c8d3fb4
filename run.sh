#!/usr/bin/env bash
# Starts kelvo-View on a demo groupware: installs what is missing, builds, and
# seeds the demo with kelvo-admin demo.
#   ./run.sh             embedded: .demo/groupware.db (created on first use)
#   ./run.sh --server    the office setup: a throwaway local PostgreSQL server,
#                        seeded afresh, stopped when the viewer ends
# Without a display it runs the viewer on a virtual X display and serves that over
# VNC on the loopback only, and says where.
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
    if [ -n "$server_dir" ]; then
        scripts/pg-server.sh stop "$server_dir"
    fi
    server_dir=
}

if [ "$mode" = --server ]; then
    server_dir=$(mktemp -d /tmp/kelvo-run-pg.XXXXXX)
    trap stop_server EXIT # until the helpers' trap takes it over
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

helpers=()
stop_helpers() {
    for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
    stop_server
}
trap stop_helpers EXIT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    # No display: a virtual one (Xvfb, with a window manager), served over VNC
    # on the loopback only and without a password, so that only this machine's
    # users reach it (through an SSH tunnel from elsewhere).
    port=${KELVO_VNC_PORT:-5900}
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        echo "run.sh: port $port is in use; set KELVO_VNC_PORT to a free port" >&2
        exit 1
    fi
    read -r display xvfb < <(scripts/xvfb-display.sh 50)
    helpers+=("$xvfb")
    export DISPLAY=$display
    openbox >/dev/null 2>&1 &
    helpers+=($!)
    # The window manager must be up before the first window: one that maps it
    # while it starts may leave it unseen for half a minute.
    for _ in $(seq 1 100); do
        xdotool get_num_desktops >/dev/null 2>&1 && break
        sleep 0.05
    done
    # -noxdamage: Xvfb's damage reports let x11vnc send the first window
    # seconds late (up to 20 s); polling sends it as soon as it is drawn.
    x11vnc -display "$display" -localhost -rfbport "$port" -forever -shared -nopw -quiet \
        -noxdamage >/dev/null 2>&1 &
    helpers+=($!)
    echo
    echo "No display here. The viewer's window is served over VNC on this machine only:"
    echo "  connect a VNC viewer to localhost:$port (Ctrl+C here ends the program);"
    echo "  from another machine through SSH: ssh -L $port:localhost:$port THIS_MACHINE"
fi
# Not exec: the server (if any) is stopped when the viewer ends.
"$build_dir/bin/kelvo-view"
