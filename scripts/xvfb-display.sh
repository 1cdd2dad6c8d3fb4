#!/usr/bin/env bash
# Starts a virtual X display (Xvfb) on the first free display number from FIRST
# and waits until it takes clients. Prints ":N PID"; the caller stops PID.
#   scripts/xvfb-display.sh FIRST [SIZE]
set -euo pipefail
first=${1:-50}
size=${2:-1024x768x24}
for n in $(seq "$first" 299); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
        Xvfb ":$n" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
        pid=$!
        for _ in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.05
        done
        echo ":$n $pid"
        exit 0
    fi
done
echo "xvfb-display: no free X display number" >&2
exit 1
