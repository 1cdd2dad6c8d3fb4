#!/usr/bin/env bash
# The real viewer on a real X11 display with a window manager (Xvfb and
# openbox), driven with xdotool as a person would: Ctrl+F4 closes the active
# child window, as on the platform the program comes from.
#   tests/desktop/CtrlF4Test.sh BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/DesktopSession.sh" "$1" 71

xdotool key ctrl+F4
wait_title "kelvo-View"
echo "Ctrl+F4 closed the active child window"
