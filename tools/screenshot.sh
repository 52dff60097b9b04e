#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Draws docs/screenshot.png from the real program: starts it on a virtual X display, types
# a line, encrypts it and decrypts the result through the menus, and captures the window.
#   tools/screenshot.sh [BUILD_DIR]        (BUILD_DIR defaults to build/)
# With --lab, draws docs/lab-*.png instead, one per page of gammacrypt-lab: opens a cipher
# line, breaks it, applies the key found, and captures each page.
#   tools/screenshot.sh --lab [BUILD_DIR]
# Needs Xvfb, xdotool and ImageMagick: apt-get install xvfb xdotool imagemagick
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
lab=no
if [ "${1:-}" = --lab ]; then
    lab=yes
    shift
fi
build_dir=$(cd "${1:-$root/build}" && pwd)
program=$build_dir/app/gammacrypt
[ "$lab" = no ] || program=$build_dir/lab/gammacrypt-lab
output=$root/docs/screenshot.png

sample_line='ЗАЩИТА ИНФОРМАЦИИ ГАММИРОВАНИЕМ'
key=(5 3 7)

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || {
        echo "screenshot.sh needs $tool: apt-get install xvfb xdotool imagemagick" >&2
        exit 1
    }
done
[ -x "$program" ] || {
    echo "no program at $program: build first" >&2
    exit 1
}

work=$(mktemp -d "${TMPDIR:-/tmp}/gammacrypt-screenshot.XXXXXX")
server_pid=
program_pid=
cleanup() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM

# Xvfb picks a free display itself and names it on the pipe once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server_pid=$!
read -r display_number <"$work/display"
export DISPLAY=:$display_number

# The window as a user sees it: X11, the system's fonts, no settings of ours.
start_program() {
    env -u QT_QPA_PLATFORM -u QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM=xcb LANG=C.UTF-8 \
        "$program" "$@" 2>"$work/program.log" &
    program_pid=$!
    window=$(xdotool search --sync --onlyvisible --class "$(basename "$program")" | head -n 1)
    xdotool windowfocus --sync "$window"
}

# Strips the time stamps so that an unchanged window gives an unchanged file.
capture() {
    mkdir -p "$(dirname "$1")"
    import -window "$window" "$work/window.png"
    convert "$work/window.png" -strip "$1"
    echo "wrote $1 ($(identify -format '%wx%h' "$1"))"
}

# The lab: the line of a file the window saved (Windows-1251), broken and read page by page.
# The window is 980x680 at 96 dpi; the tabs and buttons stand at fixed places in it.
lab_pages() {
    local plain=$work/plain.txt cipher=$work/cipher.txt
    printf '%s' "$lab_line" | iconv -t WINDOWS-1251 >"$plain"
    "$build_dir/cli/gammacrypt-cli" encrypt --key "$(IFS=,; echo "${key[*]}")" \
        --encoding windows-1251 "$plain" >"$cipher"
    start_program "$cipher"
    click() { step mousemove --window "$window" "$1" "$2" click 1; }
    click 255 87  # «Взлом»
    click 824 122 # «Взломать»
    # The search runs off the window's thread and takes a few seconds; wait well past that.
    xdotool sleep 15
    capture "$root/docs/lab-attack.png"
    click 121 647 # «Расшифровать этим ключом»: the first candidate's key, «Гамма» shown
    click 183 647 # «Расшифровать»
    capture "$root/docs/lab-gamma.png"
    click 108 87 # «Ключ»
    capture "$root/docs/lab-key.png"
    click 180 87 # «Частоты»
    capture "$root/docs/lab-frequencies.png"
}

# Menus answer slower than XTEST types; the pause lets each popup open before the next key.
step() {
    xdotool "$@"
    xdotool sleep 0.4
}
# With no window manager on the display, nothing hands the keyboard focus to a window
# that appears or back to the main window when a dialog closes; we do it ourselves.
# Alt alone enters the menu bar on its first title; arrows walk to a menu and an item.
menu_item() {
    local menu_index=$1 item_index=$2
    xdotool windowfocus --sync "$window"
    step key alt
    for ((i = 0; i < menu_index; ++i)); do step key Right; done
    step key Down
    for ((i = 0; i < item_index; ++i)); do step key Down; done
    step key Return
}
# The key fields stand at fixed places in the dialog; a click puts each one in focus.
enter_key() {
    local dialog field
    dialog=$(xdotool search --sync --onlyvisible --name '^Ключ$' | head -n 1)
    xdotool windowfocus --sync "$dialog"
    for field in 0 1 2; do
        step mousemove --window "$dialog" 140 $((95 + 50 * field)) click 1
        step type --delay 40 "${key[field]}"
    done
    step key Return
}

if [ "$lab" = yes ]; then
    lab_line='ЗАЩИТА ИНФОРМАЦИИ ГАММИРОВАНИЕМ: КОРОТКИЙ ЦИКЛ ДАТЧИКА ВЫДАЁТ КЛЮЧ, А ЧАСТОТЫ БУКВ ПОКАЗЫВАЮТ ТЕКСТ'
    lab_pages
    exit 0
fi

start_program
menu_item 0 0 # "Файл" > "Создать"
step mousemove --window "$window" 400 200 click 1
step type --delay 60 "$sample_line"
menu_item 1 2 # "Зашифровать" > "Гаммир. с ПСЧ"
enter_key
menu_item 2 2 # "Расшифровать" > "Гаммир. с ПСЧ"
enter_key
step mousemove --window "$window" 830 520

capture "$output"
