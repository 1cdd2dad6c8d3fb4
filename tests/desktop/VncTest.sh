#!/usr/bin/env bash
# ./run.sh without a display serves the viewer over VNC on the loopback only,
# and stops with a clear message when the port is taken.
#   tests/desktop/VncTest.sh SOURCE_DIR
set -euo pipefail
source=$1
log=$(mktemp /tmp/kelvo-vnc.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -- -"$pid" 2>/dev/null || kill "$pid" 2>/dev/null || true; done
    rm -f "$log"
}
trap cleanup EXIT

free_port() {
    for _ in $(seq 1 200); do
        local port=$((20000 + RANDOM % 30000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return
        fi
    done
    exit 1
}

port=$(free_port)
(cd "$source" && exec setsid env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    KELVO_VNC_PORT="$port" ./run.sh >"$log" 2>&1) &
pids+=($!)
listening=
for _ in $(seq 1 600); do
    listening=$(ss -ltnH "sport = :$port" | awk '{print $4}')
    [ -n "$listening" ] && break
    sleep 0.1
done
[ -n "$listening" ] || { echo "nothing listens on port $port" >&2; cat "$log" >&2; exit 1; }
for address in $listening; do
    case "$address" in
    127.0.0.1:*|\[::1\]:*) ;;
    *) echo "VNC listens on $address, beyond this machine" >&2; exit 1 ;;
    esac
done
grep -q "localhost:$port" "$log"

# What a VNC viewer sees: the login dialog soon after the server's start
# (the dialog's face, light grey, where the bare display has none).
snap=$log.jpg
seen=
SECONDS=0
while [ "$SECONDS" -lt 40 ]; do
    if vncsnapshot -quiet -allowblank "localhost::$port" "$snap" >/dev/null 2>&1; then
        face=$(convert "$snap" -colorspace gray -fx "(u>0.8&&u<0.97)" -format "%[fx:mean]" info:)
        if awk -v face="$face" 'BEGIN { exit !(face > 0.02) }'; then
            seen=$SECONDS
            break
        fi
    fi
    sleep 0.3
done
rm -f "$snap"
[ -n "$seen" ] || { echo "a VNC viewer saw no window in 40 s" >&2; exit 1; }
# Generous for a busy machine; a screen left black for 20 s fails.
[ "$seen" -le 15 ] || { echo "a VNC viewer saw the login dialog only after $seen s" >&2; exit 1; }

# A port in use: a clear message and no viewer.
taken=$(free_port)
display=$((taken % 100 + 300))
Xvfb ":$display" -listen tcp -screen 0 64x64x8 >/dev/null 2>&1 &
pids+=($!)
busy=$((6000 + display))
for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$busy") 2>/dev/null && break; sleep 0.05; done
if out=$(cd "$source" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    KELVO_VNC_PORT="$busy" ./run.sh 2>&1); then
    echo "run.sh went on with port $busy in use" >&2
    exit 1
fi
echo "$out" | grep -q "port $busy is in use" || { echo "$out" >&2; exit 1; }
echo "VNC on the loopback only; a taken port is said"
