#!/usr/bin/env bash
# End-to-end check of the real pellow binary, in a private temp dir (own HOME, XDG dirs, TMPDIR)
# on a private session bus, a virtual X display (Xvfb) and a tray host (trayer):
#   1. a countdown that ran out while Pellow was closed is finished at launch, a notification is
#      posted over D-Bus and the preference file is saved (other data kept, mode 600);
#   2. a second launch exits 0 at once and the running instance opens its new-timer window;
#   3. the HUD stored as shown sits in its corner, stays one window across ticks, and a click
#      on a row pauses that timer in the preference file;
#   4. a StatusNotifierWatcher that starts later gets Pellow's item, whose label is the running
#      clock, and gets it again after it restarts.
#
# Usage: run_e2e.sh <pellow-binary> <pellow-notification-recorder-binary>
# The probes are called through wait_for, which shellcheck cannot follow.
# shellcheck disable=SC2317
set -euo pipefail

log() { printf '[e2e] %s\n' "$*" >&2; }
fail() { # exit code 3: reason already printed
    printf 'FAIL e2e_finished_while_closed: %s\n' "$*"
    exit 3
}

# Polls "$@" every 0.1 s for up to <seconds>; gives up at once when the probe returns 2.
wait_for() {
    local deadline=$((SECONDS + $1)) rc
    shift
    while true; do
        rc=0
        "$@" || rc=$?
        ((rc == 0)) && return 0
        ((rc != 2 && SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# --- Inner part: under dbus-run-session, with the private bus in DBUS_SESSION_BUS_ADDRESS.
if [[ ${1:-} == --inner ]]; then
    pellow=$2 recorder=$3 work=$4
    notes=$work/notifications.jsonl
    prefs=$XDG_CONFIG_HOME/pellow/preferences.json
    pids=()

    cleanup_inner() { # newest first
        local i
        for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
        for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null || true; done
    }
    trap cleanup_inner EXIT
    trap 'exit 143' TERM INT HUP

    inner_fail() { # with the tail of every log
        local f
        for f in "$work"/*.log "$notes"; do
            [[ -s $f ]] || continue
            printf -- '--- %s\n' "${f##*/}" >&2
            tail -n 30 "$f" >&2
        done
        fail "$*"
    }

    # Xvfb picks a free display number and writes it to fd 5.
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    xvfb_pid=$!
    display_ready() {
        grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && return 0
        kill -0 "$xvfb_pid" 2>/dev/null || return 2
        return 1
    }
    wait_for 15 display_ready || inner_fail "Xvfb did not report a display number"
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY

    trayer --expand false --edge bottom --align right --widthtype request >"$work/trayer.log" 2>&1 &
    pids+=($!)
    tray_ready() {
        kill -0 "${pids[-1]}" 2>/dev/null || return 2
        command -v xwininfo >/dev/null || return 0 # nothing to look at: a running trayer will do
        xwininfo -root -children 2>/dev/null | grep -q '"panel" "trayer"'
    }
    if ! wait_for 20 tray_ready; then
        kill -0 "${pids[-1]}" 2>/dev/null && inner_fail "trayer is running but showed no tray panel within 20 s"
        inner_fail "trayer exited before showing its tray panel"
    fi

    : >"$notes"
    "$recorder" "$notes" >"$work/recorder.log" 2>&1 &
    pids+=($!)
    name_owned() {
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null |
            grep -q 'boolean true'
    }
    wait_for 10 name_owned || inner_fail "the recorder did not take org.freedesktop.Notifications"
    log "Xvfb on $DISPLAY, trayer and the notification recorder are up"

    # First launch: the overdue countdown is finished and announced.
    "$pellow" >"$work/pellow.log" 2>&1 &
    pellow_pid=$!
    pids+=("$pellow_pid")
    finished_posted() {
        grep -F '"summary":"Tea finished"' "$notes" | grep -qF '"body":"It ran out while Pellow was closed."'
    }
    wait_for 20 finished_posted || inner_fail "no 'Tea finished' notification within 20 s"
    grep -F '"summary":"Tea finished"' "$notes" | grep -qF '"app":"Pellow"' ||
        inner_fail "the 'Tea finished' notification did not come from app \"Pellow\""
    kill -0 "$pellow_pid" 2>/dev/null || inner_fail "pellow exited after its first launch"

    # The notification may overtake the save, so give the file a moment to catch up.
    prefs_ok() {
        "$recorder" --check-json "$prefs" \
            'timers[label=Tea].running=false' \
            'timers[label=Tea].alerted=true' \
            'timers[label=Tea].banked=60' \
            'timers[label=Tea].duration=60' \
            'timers[label=Stopwatch].running=false' \
            'timers[label=Stopwatch].banked=42' \
            'someOtherApp={"keep":true}' 2>"$work/check.log"
    }
    wait_for 5 prefs_ok || inner_fail "preference file contents: $(tr '\n' ';' <"$work/check.log")"
    mode=$(stat -c %a "$prefs")
    [[ $mode == 600 ]] || inner_fail "preference file mode is $mode, expected 600"
    log "'Tea finished' posted; preference file checked"

    # Second launch: exits 0 at once; the running instance opens its new-timer window.
    "$pellow" >"$work/pellow-second.log" 2>&1 &
    second_pid=$!
    pids+=("$second_pid")
    second_gone() { ! kill -0 "$second_pid" 2>/dev/null; }
    wait_for 3 second_gone || inner_fail "the second launch was still running after 3 s"
    second_rc=0
    wait "$second_pid" || second_rc=$?
    unset 'pids[-1]'
    [[ $second_rc == 0 ]] || inner_fail "the second launch exited with $second_rc, expected 0"
    new_timer_window_shown() { xwininfo -root -tree 2>/dev/null | grep -qF '"New timer"'; }
    wait_for 10 new_timer_window_shown || inner_fail "no new-timer window after the second launch"
    kill -0 "$pellow_pid" 2>/dev/null || inner_fail "the first pellow exited after the second launch"
    log "second launch exited 0; the new-timer window is shown"

    # A panel that hosts StatusNotifierItems comes up: Pellow's item registers with its watcher
    # and carries the running clock as its label; after a panel restart it registers again.
    item="org.kde.StatusNotifierItem-$pellow_pid-1"
    start_watcher() {
        status-notifier-watcher >>"$work/watcher.log" 2>&1 &
        pids+=($!)
        watcher_pid=$!
    }
    item_registered() {
        kill -0 "$watcher_pid" 2>/dev/null || return 2
        dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
            org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
            string:RegisteredStatusNotifierItems 2>/dev/null | grep -qF "$item"
    }
    label_counts() {
        dbus-send --session --print-reply --dest="$item" /StatusNotifierItem \
            org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:XAyatanaLabel \
            2>/dev/null | grep -qE 'string "(59|58):[0-5][0-9]"'
    }
    start_watcher
    wait_for 10 item_registered || inner_fail "the tray item did not register with the watcher within 10 s"
    wait_for 5 label_counts || inner_fail "the tray item's label does not show the running clock"
    kill "$watcher_pid"
    wait "$watcher_pid" 2>/dev/null || true
    unset 'pids[-1]'
    start_watcher
    wait_for 10 item_registered || inner_fail "the tray item did not register again after a panel restart"
    kill -0 "$pellow_pid" 2>/dev/null || inner_fail "pellow exited after the panel restart"

    # The HUD, stored as shown in the top-left corner: one window that stays put across ticks,
    # and a click on the Egg row (the bottom one) pauses Egg in the preference file.
    hud_info() { xwininfo -name "Pellow HUD" 2>/dev/null; }
    hud_shown() { hud_info | grep -q 'Map State: IsViewable'; }
    wait_for 10 hud_shown || inner_fail "no HUD window with timerHUDVisible stored true"
    hud_id=$(hud_info | awk '/Window id:/ {print $4}')
    read -r hud_x hud_y hud_w hud_h < <(hud_info | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
    [[ $hud_x == 2 && $hud_y == 2 ]] || inner_fail "HUD window at $hud_x,$hud_y, expected 2,2 (12 in, less its shadow)"
    ticks_seen=0
    same_hud_each_tick() { # sampled every 0.1 s for five seconds: five ticks
        [[ $(hud_info | awk '/Window id:/ {print $4}') == "$hud_id" ]] || return 2
        ((++ticks_seen >= 50))
    }
    wait_for 15 same_hud_each_tick || inner_fail "the HUD window changed or vanished across ticks"
    xdotool mousemove $((hud_x + hud_w / 2)) $((hud_y + hud_h - 34)) click 1
    egg_paused() { "$recorder" --check-json "$prefs" 'timers[label=Egg].running=false' 2>/dev/null; }
    wait_for 5 egg_paused || inner_fail "a click on the HUD's Egg row did not pause Egg"
    log "HUD shown top left, the same window across ticks; a click on a row paused its timer"
    exit 0
fi

# --- Outer part: temp dir and preference file, then the inner part on a private bus.
(($# == 2)) || {
    echo "usage: $0 <pellow-binary> <pellow-notification-recorder-binary>" >&2
    exit 2
}
pellow=$(readlink -f "$1")
recorder=$(readlink -f "$2")
self=$(readlink -f "${BASH_SOURCE[0]}")
[[ -x $pellow ]] || fail "pellow binary not found: $1"
[[ -x $recorder ]] || fail "recorder binary not found: $2"
for tool in Xvfb trayer dbus-run-session dbus-send status-notifier-watcher xdotool; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pellow-e2e.XXXXXX")
session_pid=
cleanup() {
    if [[ -n $session_pid ]]; then # the run's own process group (setsid below): stop all of it
        kill -TERM -- "-$session_pid" 2>/dev/null || true
        wait "$session_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export TMPDIR=$work/tmp # QLocalServer sockets live here: keep them away from other runs
mkdir -p "$HOME" "$XDG_CONFIG_HOME/pellow" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TMPDIR"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
export QT_LOGGING_RULES="qt.multimedia*=false"

now=$(date +%s)
cat >"$XDG_CONFIG_HOME/pellow/preferences.json" <<JSON
{
    "someOtherApp": {"keep": true},
    "timerHUDVisible": true,
    "timerHUDCorner": 0,
    "timers": [
        {"id": "e2e-tea", "label": "Tea", "mode": "down", "duration": 60, "banked": 0,
         "startedAt": $((now - 600)), "running": true, "alerted": false, "warned": []},
        {"id": "e2e-watch", "label": "Stopwatch", "mode": "up", "duration": 0, "banked": 42,
         "startedAt": $((now - 3600)), "running": false, "alerted": false, "warned": []},
        {"id": "e2e-egg", "label": "Egg", "mode": "down", "duration": 3600, "banked": 0,
         "startedAt": $now, "running": true, "alerted": false, "warned": []}
    ]
}
JSON
chmod 600 "$XDG_CONFIG_HOME/pellow/preferences.json"

# dbus-run-session ends the bus once the inner part exits; setsid gives the run a process group
# of its own, so an interrupted run can be stopped whole.
setsid dbus-run-session -- bash "$self" --inner "$pellow" "$recorder" "$work" &
session_pid=$!
rc=0
wait "$session_pid" || rc=$?
session_pid=
if ((rc != 0)); then
    ((rc == 3)) || echo "FAIL e2e_finished_while_closed: the run under dbus-run-session ended unexpectedly (exit code $rc)"
    exit 1
fi
echo "PASS e2e_finished_while_closed: 'Tea finished' posted, preferences saved and kept (mode 600)," \
    "second launch exited 0 and opened the new-timer window; the HUD sat in its corner and a click" \
    "paused a timer; the tray item registered with a" \
    "StatusNotifierWatcher, showed the clock as its label and registered again after a panel restart"
