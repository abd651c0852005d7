#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A real-display run: the program on an X server with a window manager, driven
# by the pointer and the keyboard as a person would. It clicks the middle of
# "Add  New", types a name, clicks the middle of "Save Changes", selects the new
# entry, closes the window and checks the list file with sqlite3.
#
#   scripts/realwindow-test.sh [PROGRAM] [APP_FOLDER]
#
# PROGRAM     default build/app/quillary (or $QUILLARY_PROGRAM). Without
#             APP_FOLDER the program's whole folder is copied to a temporary
#             folder and the copy runs there, so the build stays untouched.
# APP_FOLDER  (or $QUILLARY_APP_FOLDER) for an installed program: the folder it
#             keeps its lists in. The program runs where it is, with a fresh
#             temporary home; a leading "~" stands for that home, for example
#             '~/.local/share/Quillary'.
# Needs Xvfb, openbox, xdotool, xprop (x11-utils) and sqlite3.
set -euo pipefail
cd "$(dirname "$0")/.."

program=${1:-${QUILLARY_PROGRAM:-build/app/quillary}}
appFolder=${2:-${QUILLARY_APP_FOLDER:-}}
contact="Aa Realwindow $$"

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "realwindow-test: $*" >&2
    for log in "$work"/*.log; do [ -s "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }; done
    exit 1
}
# Runs a command every tenth of a second until it succeeds, for at most $1 seconds.
waitFor() {
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}
wmRunning() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
exited() { ! kill -0 "$1" 2>/dev/null; }

# An X server on a display nobody uses (it picks the number), and a window manager.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
waitFor 10 test -s "$work/display" || fail "Xvfb did not start"
display=$(head -n 1 "$work/display")
export DISPLAY=":$display"
waitFor 10 xdpyinfo || fail "the X server does not answer"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
waitFor 10 wmRunning || fail "openbox did not start"

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
if [ -z "$appFolder" ]; then
    mkdir "$work/app"
    cp -a "$(dirname "$program")/." "$work/app/"
    folder="$work/app"
    run="$work/app/$(basename "$program")"
else
    export HOME="$work/home"
    unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_STATE_HOME
    mkdir "$HOME"
    folder=${appFolder/#\~/$HOME}
    run=$program
fi

"$run" >"$work/program.log" 2>&1 &
prog=$!
pids+=("$prog")
win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$prog" --name 'Quillary|Make a new List' |
    head -n 1) || fail "no window appeared"
if [[ $(xdotool getwindowname "$win") == *"Make a new List"* ]]; then
    # A folder without lists: start-up asks for the first one.
    xdotool windowactivate --sync "$win" type --delay 20 Quillary
    xdotool key --delay 50 Tab space
    win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$prog" --name '^  Quillary' |
        head -n 1) || fail "no main window after the first list was made"
fi
xdotool windowactivate --sync "$win"

# The main window's client area is 9750 x 7635 twips below its menu bar; a
# control's middle in window pixels follows from the window's size.
eval "$(xdotool getwindowgeometry --shell "$win")"
middle() { # left top width height, in twips within the client area: x y in pixels
    awk -v W="$WIDTH" -v H="$HEIGHT" -v l="$1" -v t="$2" -v w="$3" -v h="$4" \
        'BEGIN { s = W / 9750; printf "%d %d\n", (l + w / 2) * s, H - 7635 * s + (t + h / 2) * s }'
}
clickAt() { # left top width height [dy]: clicks the middle, dy pixels lower
    local x y
    read -r x y < <(middle "$1" "$2" "$3" "$4")
    xdotool mousemove --window "$win" "$x" $((y + ${5:-0})) click 1
}

clickAt 6090 360 1200 375 # "Add  New" (in Picture1, 30 twips down)
xdotool type --delay 20 "$contact"
clickAt 7290 360 1200 375 # "Save Changes"
# The new entry is the list's first (the name sorts first): clicking its line
# shows the contact; from the list, Tab twice reaches its company field.
clickAt 360 750 3255 0 8
xdotool key --delay 50 Tab Tab
xdotool type --delay 20 Realco
xdotool key alt+F4
waitFor 15 exited "$prog" || fail "the program did not end after its window was closed"

list=$(sed -n 's/^db=//p' "$folder/plist.ini" | tr -d '\r')
stored=$(sqlite3 "$folder/$list" "select group_concat(CompanyName, '|') from pName2 where pName = '$contact'")
[ "$stored" = Realco ] || fail "\"$contact\" with company Realco is not stored once in $list (found \"$stored\")"
echo "realwindow-test: \"$contact\" added and chosen through the real window, stored in $list"
