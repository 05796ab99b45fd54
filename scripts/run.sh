#!/usr/bin/env bash
# Installs what is missing, builds Pellow and runs it. Without a display, Pellow runs on a
# virtual X display with a tray host, and this script says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
pellow_install_deps

build="$root/build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target pellow pellow_sounds

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$build/bin/pellow"
fi
echo "No display found: running Pellow on a virtual X display (Xvfb) with a tray host (trayer)."
echo "Stop it with Ctrl-C."
# A session without a display often has no runtime folder either: give Pellow a private one.
if [[ -z "${XDG_RUNTIME_DIR:-}" || ! -d "${XDG_RUNTIME_DIR}" ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d "${TMPDIR:-/tmp}/pellow-runtime.XXXXXX")
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
# Not exec'd, so the private runtime folder is removed when Pellow ends.
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
    dbus-run-session -- "$root/scripts/with-virtual-display.sh" "$build/bin/pellow"
else
    "$root/scripts/with-virtual-display.sh" "$build/bin/pellow"
fi
