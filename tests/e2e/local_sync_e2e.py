#!/usr/bin/env python3
"""End to end: phone sync with nothing to set up. The real Pellow runs its own pellow-sync-server
for the phone on the local network; the pairing window's QR code, read off the screen with
zbarimg, opens the phone page in headless Chromium, which pairs without typing. All inside a
network namespace the test makes, whose only network is a veth pair carrying a default route:
"the local network address" is 10.77.0.2 and no traffic reaches the machine's real addresses.
The child is killed once (it comes back on its port) and stops with Pellow (the port kept for
the next launch is tst_sync's).

Usage: local_sync_e2e.py <pellow>   (as root: it makes a network namespace)
Exits 77 (skipped) only when Chromium cannot start."""

import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sync_e2e import SKIP, Processes, healthy, in_session, menu_click, page_rows, pairing_window  # noqa: E402
from sync_e2e import start, start_xvfb, stored, timer, wait_for, write_prefs  # noqa: E402

ADDRESS = "10.77.0.2"


def children(pid):
    """The pids of a process's pellow-sync-server children."""
    found = subprocess.run(["pgrep", "-P", str(pid), "-f", "pellow-sync-server"], capture_output=True, text=True)
    return [int(p) for p in found.stdout.split()]


def qr_on_screen(work):
    """The text of the QR code in Pellow's pairing window, read from a screenshot, or None."""
    window = pairing_window()
    if not window:
        return None
    shot = os.path.join(work, "pairing.xwd")
    with open(shot, "wb") as f:
        if subprocess.run(["xwd", "-silent", "-id", window], stdout=f, timeout=10).returncode != 0:
            return None
    read = subprocess.run(["zbarimg", "-q", "--raw", shot], capture_output=True, text=True, timeout=30)
    return read.stdout.strip() or None


def inner(pellow):
    work = os.environ["PELLOW_E2E_WORK"]
    prefs_path = os.path.join(os.environ["XDG_CONFIG_HOME"], "pellow", "preferences.json")
    write_prefs(prefs_path, {"timers": [timer("e2e-tea", "Tea")]})
    browser = start(phone=True)
    if browser is None:
        return SKIP
    with browser, Processes(work, ("pellow", "watcher", "xvfb")) as run:
        os.environ.update(DISPLAY=start_xvfb(run), QT_QPA_PLATFORM="xcb")
        run.spawn(["status-notifier-watcher"], "watcher")
        app = run.spawn([pellow], "pellow")
        wait_for('a "Sync with phone…" item in the tray menu', lambda: menu_click("Sync with phone\u2026"), 15)

        # Pellow's own server, on the namespace's local-network address and the kept port.
        port = wait_for("a kept port for Pellow's own server", lambda: stored(prefs_path).get("syncLocalPort"), 15)
        wait_for("Pellow's own server answering on the local network", lambda: healthy(f"http://{ADDRESS}:{port}"), 15)

        # The phone scans the code and opens the address: paired, without typing.
        scanned = wait_for("a QR code in the pairing window", lambda: qr_on_screen(work), 15)
        assert scanned.startswith(f"http://{ADDRESS}:{port}/#pair="), scanned
        browser.get(scanned)
        wait_for("Pellow's list on the page", lambda: page_rows(browser) == [["Tea", "ready"]], 10)
        assert browser.execute_script("return location.hash") == "", "the code stays in the address bar"

        # Killed, the server comes back on its port; it stops with Pellow.
        [child] = children(app.pid)
        os.kill(child, signal.SIGKILL)
        wait_for("the server started again", lambda: children(app.pid) not in ([], [child]), 15)
        wait_for("the restarted server answering on the same port", lambda: healthy(f"http://{ADDRESS}:{port}"), 15)
        [child] = children(app.pid)
        app.terminate()
        app.wait(timeout=30)
        wait_for("the server stopped with Pellow", lambda: not os.path.exists(f"/proc/{child}"), 5)
    print(f"PASS e2e_local_sync: Pellow served the phone on {ADDRESS}:{port}; the QR code paired the page; "
          "the server came back after a kill and stopped with Pellow")
    return 0


def namespace(name):
    """A network namespace with loopback and a veth pair carrying its default route."""
    subprocess.run(["ip", "netns", "add", name], check=True, timeout=30)
    subprocess.run(["ip", "-n", name, "-batch", "-"], text=True, check=True, timeout=30, input=(
        f"link set lo up\nlink add v0 type veth peer name v1\naddr add {ADDRESS}/24 dev v0\n"
        "addr add 10.77.0.1/24 dev v1\nlink set v0 up\nlink set v1 up\nroute add default via 10.77.0.1 dev v0\n"))


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inner":
        sys.exit(inner(*sys.argv[2:]))
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    ns = f"pellow-e2e-{os.getpid()}"
    try:
        namespace(ns)
        code = in_session(__file__, sys.argv[1:], "pellow-local-sync-e2e.", 900, wrap=("ip", "netns", "exec", ns))
    finally:
        subprocess.run(["ip", "netns", "del", ns], timeout=30)
    sys.exit(code)
