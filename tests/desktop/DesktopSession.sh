# Sourced by the desktop tests: a real X11 display with a window manager
# (Xvfb and openbox), a demo groupware, and the viewer signed in as guest09
# with its user list open. Sets dir (removed at exit), DISPLAY and frame (the
# main window); stops everything it started however the test ends.
#   . DesktopSession.sh BUILD_DIR FIRST_DISPLAY
build=$1
dir=$(mktemp -d /tmp/kelvo-desktop.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT

read -r display xvfb < <("$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb-display.sh" "$2")
pids+=("$xvfb")
export DISPLAY=$display
openbox >"$dir/openbox.log" 2>&1 &
pids+=($!)
# The window manager must manage the viewer's windows from their first:
# activating one before it is up fails.
for _ in $(seq 1 400); do
    xdotool get_num_desktops >/dev/null 2>&1 && break
    sleep 0.05
done
xdotool get_num_desktops >/dev/null 2>&1 || {
    echo "the window manager did not start:" >&2
    cat "$dir/openbox.log" >&2
    exit 1
}

# Runs the command given until it succeeds, for up to about fifteen seconds
# (a busy machine running the sanitizer's build is slow to draw).
eventually() {
    for _ in $(seq 1 300); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}
# Prints the first window whose title matches, once one does. xdotool's own
# --sync gives up with an X error when a window vanishes during its walk of
# the tree (a menu or a message box closing), so the search is asked again.
window_named() { xdotool search --name "$1" 2>/dev/null | head -1 | grep .; }
find_window() {
    eventually window_named "$1" >/dev/null || { echo "no window \"$1\" appeared" >&2; return 1; }
    window_named "$1"
}

export KELVO_DATABASE=$dir/groupware.db XDG_CONFIG_HOME=$dir LANG=C.UTF-8
"$build/bin/kelvo-admin" demo >/dev/null
"$build/bin/kelvo-view" >"$dir/viewer.log" 2>&1 &
pids+=($!)

login=$(find_window "ログイン")
# The window manager takes a new window over a moment after it appears: until
# then it cannot be activated, and keys would go nowhere.
for _ in $(seq 1 100); do
    xdotool windowactivate --sync "$login" 2>/dev/null &&
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$login" ] && break
    sleep 0.05
done
[ "$(xdotool getactivewindow)" = "$login" ] || { echo "the login dialog cannot be activated" >&2; exit 1; }
xdotool type --delay 10 guest09
xdotool key Tab
xdotool type --delay 10 guest
xdotool key Return

title() { xdotool getwindowname "$frame" 2>/dev/null || true; }
title_is() { [ "$(title)" = "$1" ]; }
wait_title() {
    eventually title_is "$1" && return 0
    echo "the main window's title is \"$(title)\", not \"$1\"" >&2
    return 1
}
frame=$(find_window "kelvo-View - ")
wait_title "kelvo-View - ユーザー一覧1"
