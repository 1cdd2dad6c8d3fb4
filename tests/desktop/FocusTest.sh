#!/usr/bin/env bash
# The keyboard is never lost: after an import that ends in a message, and
# after a cancelled import, the main window has the focus again, so that Alt+F
# and every other key reach it without a click.
#   tests/desktop/FocusTest.sh BUILD_DIR
set -euo pipefail
. "$(dirname "$0")/DesktopSession.sh" "$1" 73

# The main window has the keyboard again, once no modal window is up.
frame_has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$frame" ]; }
focused_frame() {
    eventually frame_has_focus && return 0
    local focus
    focus=$(xdotool getwindowfocus)
    echo "after $1 the keyboard is with window $focus (\"$(xdotool getwindowname "$focus" 2>/dev/null)\"), not the main window" >&2
    return 1
}
box_is_up() { [ "$(xdotool getwindowname "$(xdotool getactivewindow)" 2>/dev/null)" = "kelvo-View" ]; }
# Opens the address import (the File menu's second item) and waits for it.
open_import() {
    xdotool key alt+f
    sleep 0.3
    xdotool key Down Return
    find_window "アドレス帳読み込み" >/dev/null
    sleep 0.3
}

for round in 1 2 3; do
    # A quoted value the file never closes (its header 姓, 名 and ﾒﾓ in code
    # page 932): the import ends with its summary.
    printf '\x90\xa9\t\x96\xbc\t\xd2\xd3\r\nK%s\tR%s\t"open\r\n' "$round" "$round" \
        >"$dir/open$round.txt"
    open_import
    # The focus starts on OK; the file name is the third stop after it.
    xdotool key Tab Tab Tab
    xdotool type --delay 5 "$dir/open$round.txt"
    xdotool key Return
    # The summary's box, over the import dialog.
    eventually box_is_up || { echo "import $round ended with no message" >&2; exit 1; }
    xdotool key Return
    focused_frame "the summary of import $round"
    open_import
    xdotool key Escape
    focused_frame "cancelled import $round"
done
echo "the main window had the keyboard after every message and cancel"
