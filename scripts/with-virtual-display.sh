#!/usr/bin/env bash
# Runs a command on a fresh virtual X display (Xvfb) with a tray host (trayer), and stops both
# when the command ends.
set -euo pipefail
tmp=$(mktemp -d)
tray=""
cleanup() {
    [[ -n $tray ]] && kill "$tray" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$tmp"
}
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb=$!
trap cleanup EXIT
for _ in $(seq 100); do
    [[ -s $tmp/display ]] && break
    sleep 0.1
done
[[ -s $tmp/display ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
unset WAYLAND_DISPLAY
trayer --expand false --widthtype request >/dev/null 2>&1 &
tray=$!
"$@"
