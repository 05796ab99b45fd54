#!/usr/bin/env bash
# Makes data/screenshots/new-timer-and-hud.png, the AppStream screenshot: the real Pellow on a
# virtual X display (Xvfb) and a private session bus, with three timers, the HUD shown and the
# new-timer window open. Xvfb keeps its screen in an XWD file (-fbdir); a few lines of Python
# crop that to the two windows and write it as a PNG, so no image tools are needed.
#
# Usage: scripts/make-screenshot.sh [pellow-binary] [output.png]
# (default: build-package/bin/pellow, as scripts/package.sh builds it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pellow=$(readlink -f "${1:-$root/build-package/bin/pellow}")
out=$(readlink -f "${2:-$root/data/screenshots/new-timer-and-hud.png}")
[[ -x $pellow ]] || { echo "no pellow binary at $pellow (run scripts/package.sh first)" >&2; exit 1; }
for tool in Xvfb dbus-run-session xwininfo xdotool python3; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

if [[ ${3:-} == --inner ]]; then
    work=$4
    Xvfb -displayfd 5 -screen 0 1024x640x24 -fbdir "$work/fb" -nolisten tcp 5>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    trap 'kill "${app:-}" "$xvfb" 2>/dev/null || true' EXIT
    for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
    [[ -s $work/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb
    "$pellow" >"$work/pellow.log" 2>&1 &
    app=$!
    shown() { xwininfo -name "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
    for _ in $(seq 100); do shown "Pellow HUD" && break; sleep 0.1; done
    "$pellow" >>"$work/pellow.log" 2>&1 # a second launch opens the new-timer window
    for _ in $(seq 100); do shown "New timer" && break; sleep 0.1; done
    shown "Pellow HUD" && shown "New timer" || { cat "$work/pellow.log" >&2; echo "windows not shown" >&2; exit 1; }
    xdotool mousemove 0 639 # the pointer out of the picture
    sleep 1.5 # let both paint a tick or two
    for name in "Pellow HUD" "New timer"; do
        xwininfo -name "$name" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
            /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
    done >"$work/boxes"
    cp "$work/fb/Xvfb_screen0" "$work/screen.xwd"
    exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pellow-shot.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fb" "$work/config/pellow" "$work/data" "$work/runtime" "$work/tmp"
chmod 700 "$work/runtime"
now=$(date +%s)
cat >"$work/config/pellow/preferences.json" <<JSON
{
    "timerHUDVisible": true,
    "timerHUDCorner": 1,
    "timers": [
        {"id": "shot-tea", "label": "Tea", "mode": "down", "duration": 240, "banked": 0,
         "startedAt": $((now - 75)), "running": true, "alerted": false, "warned": []},
        {"id": "shot-focus", "label": "Focus", "mode": "down", "duration": 1500, "banked": 0,
         "startedAt": $((now - 610)), "running": true, "alerted": false, "warned": []},
        {"id": "shot-run", "label": "Run", "mode": "up", "duration": 0, "banked": 1394,
         "startedAt": $now, "running": false, "alerted": false, "warned": []}
    ]
}
JSON
HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime \
    TMPDIR=$work/tmp QT_LOGGING_RULES="qt.multimedia*=false" \
    dbus-run-session -- bash "$0" "$pellow" "$out" --inner "$work"

mkdir -p "$(dirname "$out")"
python3 - "$work/screen.xwd" "$work/boxes" "$out" <<'PY'
import struct, sys, zlib

xwd, boxes, out = sys.argv[1:]
data = open(xwd, "rb").read()
head = struct.unpack(">25I", data[:100])
size, version, width, height = head[0], head[1], head[4], head[5]
byte_order, bpp, stride, ncolors = head[7], head[11], head[12], head[19]
if version != 7 or bpp != 32:
    sys.exit(f"unexpected XWD file (version {version}, {bpp} bits per pixel)")
pixels = data[size + 12 * ncolors:]

rects = [tuple(map(int, line.split())) for line in open(boxes) if line.strip()]
margin = 24
left = max(0, min(x for x, y, w, h in rects) - margin)
top = max(0, min(y for x, y, w, h in rects) - margin)
right = min(width, max(x + w for x, y, w, h in rects) + margin)
bottom = min(height, max(y + h for x, y, w, h in rects) + margin)
backdrop = (0x3b, 0x45, 0x52)  # a plain desktop behind the windows
w, h = right - left, bottom - top

def pixel(px, py):
    b0, b1, b2, b3 = pixels[py * stride + 4 * px: py * stride + 4 * px + 4]
    return (b2, b1, b0) if byte_order == 0 else (b1, b2, b3)

image = [[backdrop] * w for _ in range(h)]
for x, y, rw, rh in rects:
    for py in range(max(y, top), min(y + rh, bottom)):
        for px in range(max(x, left), min(x + rw, right)):
            image[py - top][px - left] = pixel(px, py)
# Without a compositor, the transparent rounded corners and shadows come out black: flood the
# black that touches a window's edge with the backdrop.
stack = [(px - left, py - top) for x, y, rw, rh in rects
         for px in range(x, x + rw) for py in (y, y + rh - 1)]
stack += [(px - left, py - top) for x, y, rw, rh in rects
          for py in range(y, y + rh) for px in (x, x + rw - 1)]
while stack:
    cx, cy = stack.pop()
    if 0 <= cx < w and 0 <= cy < h and image[cy][cx] == (0, 0, 0):
        image[cy][cx] = backdrop
        stack += [(cx + 1, cy), (cx - 1, cy), (cx, cy + 1), (cx, cy - 1)]
rows = [b"\0" + b"".join(bytes(c) for c in row) for row in image]  # filter type: none

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
open(out, "wb").write(png)
print(f"{out}: {w}x{h}")
PY
