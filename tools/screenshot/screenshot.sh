#!/bin/sh
# Screenshots of the main window without a display: runs the demo under Xvfb
# (no window manager) and writes PNG pictures of the whole screen, at 1280x800,
# 1366x768 and 1920x1080: awaiting a number, with the number typed while the
# keypad is open, and with the patient shown.
#
#   tools/screenshot/screenshot.sh [path/to/norvane] [output directory] [number]
#
# Needs xvfb-run, xdotool and ImageMagick's import.
set -eu

app=${1:-build/bin/norvane}
out=${2:-screenshots}
number=${3:-CS202400001}

for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "screenshot: $tool is missing" >&2; exit 1; }
done
[ -x "$app" ] || { echo "screenshot: no program at $app" >&2; exit 1; }
mkdir -p "$out"
app=$(cd "$(dirname "$app")" && pwd)/$(basename "$app")
out=$(cd "$out" && pwd)

# One run at one screen size, inside Xvfb.
if [ "${NORVANE_SHOT_INNER:-}" = 1 ]; then
    size=$4
    work=$(mktemp -d)
    trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
    # A fresh demo database and sticker folder of its own, away from the user's.
    HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
        TMPDIR=$work QT_QPA_PLATFORM=xcb "$app" --demo --print-to "$work/labels" >"$work/log" 2>&1 &
    pid=$!
    win=$(timeout 30 xdotool search --sync --onlyvisible --name '^ Norvane$' | head -n 1)
    [ -n "$win" ] || { echo "screenshot: the window did not appear" >&2; cat "$work/log" >&2; exit 1; }
    sleep 1
    import -window root "$out/norvane-$size-awaiting-number.png"
    xdotool windowfocus --sync "$win"
    # The keyboard button comes before the number box in the tab order.
    xdotool key shift+Tab space
    keypad=$(timeout 10 xdotool search --sync --onlyvisible --name '^ Keyboard$' | head -n 1)
    [ -n "$keypad" ] || { echo "screenshot: the keypad did not open" >&2; exit 1; }
    xdotool windowfocus --sync "$keypad"
    # Typed on the keyboard (as a scanner does) while the keypad is open.
    xdotool type --delay 20 "$number"
    sleep 1
    import -window root "$out/norvane-$size-keypad-open.png"
    xdotool key Return
    sleep 2
    import -window root "$out/norvane-$size-patient-shown.png"
    exit 0
fi

for size in 1280x800 1366x768 1920x1080; do
    NORVANE_SHOT_INNER=1 xvfb-run -a -s "-screen 0 ${size}x24" "$0" "$app" "$out" "$number" "$size"
done
ls "$out"/norvane-*.png
