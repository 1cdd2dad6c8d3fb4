#!/usr/bin/env bash
# Starts a virtual X display (Xvfb) on a free display number and waits until it
# takes clients. Prints ":N PID"; the caller stops PID.
#   scripts/xvfb-display.sh FIRST [SIZE]
# Xvfb picks the number itself (-displayfd), so that two displays started at
# once never take the same one; FIRST is kept for the callers and unused.
set -euo pipefail
size=${2:-1024x768x24}
numberfile=$(mktemp)
trap 'rm -f "$numberfile"' EXIT
Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
pid=$!
# The number is written once the display takes clients.
for _ in $(seq 1 200); do
    if [ -s "$numberfile" ] && grep -q '^[0-9]' "$numberfile"; then
        echo ":$(head -n1 "$numberfile" | tr -dc 0-9) $pid"
        exit 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
kill "$pid" 2>/dev/null || true
echo "xvfb-display: Xvfb did not start" >&2
exit 1
