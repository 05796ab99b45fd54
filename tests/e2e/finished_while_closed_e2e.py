#!/usr/bin/env python3
"""End to end: the real pellow binary in a private folder (own HOME, XDG folders, TMPDIR), on a
private session bus, a virtual X display (Xvfb), a tray host (trayer) and a recording
notification service: a countdown that ran out while closed is announced; a second launch
hands over; a late StatusNotifierWatcher gets the item, also after a restart; the HUD stays one
window, a click on a row pauses that timer and leaves the keyboard where it was; a 3-second
countdown's finish is announced on time.

Usage: finished_while_closed_e2e.py <pellow> <pellow-notification-recorder>"""

import json
import os
import re
import subprocess
import sys
import time

from sync_e2e import Processes, bus_names, bus_property, in_session, start_xvfb, stored, timer, wait_for
from sync_e2e import watcher_items, write_prefs


def output(*args):
    return subprocess.run(args, capture_output=True, text=True, timeout=10).stdout


def alive(proc, what):
    """For a probe: fails the wait at once when `proc` has exited."""
    assert proc.poll() is None, f"{what} exited with {proc.returncode}"
    return True


def inner(pellow, recorder):
    work = os.environ["PELLOW_E2E_WORK"]
    prefs = os.path.join(os.environ["XDG_CONFIG_HOME"], "pellow", "preferences.json")
    write_prefs(prefs, {"timerHUDVisible": True, "timerHUDCorner": 0,
                        "timers": [timer("e2e-tea", "Tea", True, 60, startedAt=time.time() - 600),
                                   timer("e2e-egg", "Egg", True, 3600)]})
    notes_path = os.path.join(work, "notifications.jsonl")
    notes = lambda: [json.loads(line) for line in open(notes_path) if line.endswith("\n")]  # noqa: E731
    timers = lambda: {t["label"]: t for t in stored(prefs).get("timers", [])}  # noqa: E731
    with Processes(work, ("pellow", "trayer", "recorder", "watcher", "xvfb")) as run:
        os.environ.update(DISPLAY=start_xvfb(run), QT_QPA_PLATFORM="xcb")
        trayer = run.spawn(["trayer", "--expand", "false", "--edge", "bottom", "--align", "right", "--widthtype",
                            "request"], "trayer")
        wait_for("trayer's tray panel", lambda: alive(trayer, "trayer")
                 and '"panel" "trayer"' in output("xwininfo", "-root", "-children"), 20)
        open(notes_path, "w").close()
        run.spawn([recorder, notes_path], "recorder")
        wait_for("the recorder owning org.freedesktop.Notifications",
                 lambda: "org.freedesktop.Notifications" in bus_names(), 10)

        # First launch: the overdue countdown is announced (what is saved is tst_launch's).
        app = run.spawn([pellow], "pellow")
        note = wait_for("a 'Tea finished' notification", lambda: next(
            (n for n in notes() if n["summary"] == "Tea finished"), None), 20)
        assert (note["body"], note["app"]) == ("It ran out while Pellow was closed.", "Pellow"), note

        # Second launch: exits 0 at once; the running instance opens its new-timer window.
        code = subprocess.run([pellow], capture_output=True, timeout=15).returncode
        assert code == 0, f"the second launch exited with {code}"
        # Shown and given the keyboard: a window still waiting to be mapped takes the keyboard when it
        # is, which on a loaded machine could be in the middle of the focus checks below.
        wait_for("the new-timer window, with the keyboard, after the second launch", lambda: (
            found := re.search(r'(0x[0-9a-f]+) "New timer"', output("xwininfo", "-root", "-tree")))
            and output("xdotool", "getwindowfocus").strip() == str(int(found[1], 16)), 10)

        # A panel hosting StatusNotifierItems comes up: Pellow's item registers with its watcher,
        # and again after a panel restart (what the item then shows is tst_dbus's).
        item = f"org.kde.StatusNotifierItem-{app.pid}-1"
        for restart in (False, True):
            watcher = run.spawn(["status-notifier-watcher"], "watcher")
            wait_for(f"the tray item registered with the watcher{' again' if restart else ''}",
                     lambda: alive(watcher, "the watcher") and item in watcher_items(), 10)
            if not restart:
                run.stop(watcher)

        # The HUD, stored as shown in the top-left corner (where exactly is tst_hud's): one window
        # that stays put across ticks, and a click on the Egg row (the bottom one) pauses Egg.
        hud = lambda: dict(re.findall(r"^\s*([A-Za-z -]+):\s+(\S+)", output("xwininfo", "-name", "Pellow HUD"),
                                      re.M))  # noqa: E731
        shown = wait_for("the HUD with timerHUDVisible stored true",
                         lambda: (h := hud()).get("Map State") == "IsViewable" and h, 10)
        x, y, w, h = (int(shown[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
        window = re.search(r"Window id: (\S+)", output("xwininfo", "-name", "Pellow HUD"))[1]
        seen = set()  # the tray's clock, which ticks with the HUD's
        wait_for("two ticks of the clock", lambda: seen.add(bus_property(
            item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "XAyatanaLabel")) or len(seen) > 2, 5)
        assert f"Window id: {window} " in output("xwininfo", "-name", "Pellow HUD"), "the HUD window changed"
        # The row click leaves the keyboard with the window the user was typing in; a click on the
        # HUD's background gives the HUD the keyboard, and its Escape hides it.
        editor = run.spawn(["xmessage", "-name", "editor", "-geometry", "+500+300", "typing here"], "editor")
        typing = wait_for("the other window shown", lambda: alive(editor, "xmessage") and subprocess.run(
            ["xdotool", "search", "--sync", "--onlyvisible", "--classname", "editor"], capture_output=True,
            text=True, timeout=10).stdout.split(), 10)[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", typing], check=True, timeout=10)
        subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h - 34), "click", "1"], check=True, timeout=10)
        wait_for("Egg paused by a click on its HUD row", lambda: timers().get("Egg", {}).get("running") is False, 5)
        focus = output("xdotool", "getwindowfocus").strip()
        assert focus == typing, f"the row click took the keyboard: focus on {focus}, not the other window {typing}"
        subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + 13), "click", "1"], check=True, timeout=10)
        wait_for("the keyboard with the HUD after a click on its background",
                 lambda: output("xdotool", "getwindowfocus").strip() == str(int(window, 16)), 5)
        subprocess.run(["xdotool", "key", "Escape"], check=True, timeout=10)
        wait_for("the HUD hidden by Escape", lambda: hud().get("Map State") == "IsUnMapped", 5)

        # A real finish against its due instant: a 3-second countdown added over D-Bus. Its
        # notification may come a little late on a busy machine, never early, and never a tick late.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=app.pellow.Pellow", "/app/pellow/Pellow",
                        "app.pellow.Pellow.NewTimer", "double:3", "string:Soup"], check=True, capture_output=True,
                       timeout=10)
        at = wait_for("a 'Soup finished' notification",
                      lambda: next((n["at"] for n in notes() if n["summary"] == "Soup finished"), None), 15)
        soup = timers()["Soup"]
        late = at - soup["startedAt"] - soup["duration"]
        assert -0.05 <= late < 0.9, f"'Soup finished' came {late:.3f} s after its due instant"
    print("PASS e2e_finished_while_closed: 'Tea finished' posted, second launch handed over; the tray item "
          "registered twice; a HUD row click paused a timer and left the keyboard where it was, Escape hid the "
          f"HUD; 'Soup finished' came {late:.3f} s after its due instant")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--inner":
        sys.exit(inner(*sys.argv[2:]))
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(in_session(__file__, sys.argv[1:], "pellow-e2e.", 570))
