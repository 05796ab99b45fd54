#!/usr/bin/env python3
"""End to end: the real Pellow (on Xvfb, a private session bus and a real StatusNotifierWatcher),
the real pellow-sync-server over HTTPS on loopback with a certificate authority of the test's
own, and the phone page in headless Chromium. Pellow pairs through its tray menu and the code
copied from its dialog is typed on the page; changes go both ways over the real network; "Stop
syncing" cuts the page off too. The other e2e scripts share this module's helpers.

Usage: sync_e2e.py <pellow> <pellow-sync-server> <make-test-ca.sh>
Exits 77 (skipped) only when Chromium cannot start."""

import base64
import hashlib
import json
import os
import pathlib
import re
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.request

from gi.repository import Gio, GLib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from headless_chromium import By, start  # noqa: E402

SKIP = 77
WATCHER = "org.kde.StatusNotifierWatcher"
MARGIN = 3  # each wait is its event's usual bound; a loaded machine gets three times it


def wait_for(what, probe, seconds, step=lambda: time.sleep(0.1), margin=MARGIN):
    seconds *= margin
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if result := probe():
            return result
        step()
    raise AssertionError(f"{what} within {seconds} s")


class Processes:
    """The processes a run starts, each logging to <work>/<name>.log, stopped newest first. As a
    context, it stops them all on leaving, after printing the `logs` named when leaving on an error."""

    def __init__(self, work, logs=()):
        self.work, self.logs = work, logs
        self.procs = []

    def spawn(self, args, name, env=None, **popen):
        log = open(os.path.join(self.work, name + ".log"), "ab")
        self.procs.append(subprocess.Popen(args, stdout=log, stderr=log, env=env, **popen))
        return self.procs[-1]

    def stop(self, *procs):
        """Stops `procs` (by default all), the newest first."""
        for p in reversed(procs or self.procs[:]):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
            self.procs.remove(p)

    stop_all = stop

    def __enter__(self):
        return self

    def __exit__(self, _, error, __):
        if error:
            print_logs(self.work, self.logs)
        self.stop()


class Run(Processes):
    def __init__(self, pellow, server, _click, make_ca, work):  # _click: unused, kept for bench/idle_check.py
        super().__init__(work, ("pellow", "server", "watcher", "xvfb"))
        self.pellow, self.server_bin = pellow, server
        subprocess.run(["bash", make_ca, work], check=True, timeout=60)
        self.tls = ssl.create_default_context(cafile=os.path.join(work, "ca.pem"))
        self.prefs = os.path.join(os.environ["XDG_CONFIG_HOME"], "pellow", "preferences.json")

    def start_server(self):
        """The server on a free port it picks itself; its address in `base` once it listens."""
        self.spawn([self.server_bin, "--listen", "127.0.0.1:0", "--database", f"sqlite:{self.work}/sync.db",
                    "--tls-cert", os.path.join(self.work, "server.pem"),
                    "--tls-key", os.path.join(self.work, "server.key")], "server")
        log = pathlib.Path(self.work, "server.log")
        self.base = wait_for("the server listening", lambda: re.search(r"listening on (\S+),", log.read_text()), 15)[1]

    def sync(self, action, body):
        """The server's answer to a sync action (a refusal raises)."""
        request = urllib.request.Request(f"{self.base}/api/pellow/sync.php?action={action}",
                                         data=json.dumps(body).encode(), headers={"Content-Type": "application/json"})
        with urllib.request.urlopen(request, context=self.tls, timeout=10) as r:
            return json.load(r)

    def click_menu(self, label):
        wait_for(f'a "{label}" item in the tray menu', lambda: menu_click(label), 15)


def healthy(base, tls=None):
    """Whether the sync server at `base` answers /healthz."""
    try:
        with urllib.request.urlopen(base + "/healthz", context=tls, timeout=2) as r:
            return r.status == 200
    except OSError:
        return False


def print_logs(work, names):
    """The last lines of each named log in `work`, for a failure."""
    for name in names:
        path = os.path.join(work, name + ".log")
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                print(f"--- {name}.log\n" + "".join(f.readlines()[-20:]))


def write_prefs(path, prefs):
    """Pellow's preference file as it keeps it: its folder made, readable by the user alone."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        json.dump(prefs, f)
    os.chmod(path, 0o600)


def stored(path):
    """The preference file's object, or {} while it is missing or half written."""
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def isolated_env(work):
    """An environment whose home, XDG folders and temporary folder are all inside `work`."""
    env = dict(os.environ, PELLOW_E2E_WORK=work, HOME=f"{work}/home", XDG_CONFIG_HOME=f"{work}/config",
               XDG_DATA_HOME=f"{work}/data", XDG_CACHE_HOME=f"{work}/cache", XDG_RUNTIME_DIR=f"{work}/runtime",
               TMPDIR=f"{work}/tmp", QT_LOGGING_RULES="qt.multimedia*=false")
    for key in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
        env.pop(key, None)
    for d in ("home", "config", "data", "cache", "tmp", "runtime"):
        os.makedirs(f"{work}/{d}", mode=0o700)
    return env


def in_session(script, args, prefix, timeout, wrap=()):
    """Runs `script --inner ARGS` in an isolated folder (isolated_env) on a session bus of its own."""
    with tempfile.TemporaryDirectory(prefix=prefix) as work:
        return subprocess.run([*wrap, "dbus-run-session", "--", sys.executable, os.path.abspath(script), "--inner",
                               *map(os.path.abspath, args)], env=isolated_env(work), timeout=timeout).returncode


def timer(tid, label, running=False, duration=300, **more):
    return {"id": tid, "label": label, "mode": "down", "duration": duration, "banked": 0,
            "startedAt": time.time(), "running": running, "alerted": False, "warned": [], **more}


def start_xvfb(run):
    """A virtual X display of its own, stopped with `run`'s processes; its name."""
    read_end, write_end = os.pipe()
    run.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"], "xvfb",
              pass_fds=(write_end,))
    os.close(write_end)
    display = os.read(read_end, 16).decode().strip()
    assert display, "Xvfb did not start"
    return ":" + display


def bus_call(service, path, interface, method, args=None):
    """A call on the session bus with `args` (a GLib.Variant tuple); its reply unpacked."""
    return Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(service, path, interface, method, args, None,
                                                           Gio.DBusCallFlags.NONE, 10000, None).unpack()


def bus_property(service, path, interface, name):
    return bus_call(service, path, "org.freedesktop.DBus.Properties", "Get",
                    GLib.Variant("(ss)", (interface, name)))[0]


def watcher_items():
    """The items the StatusNotifierWatcher lists; none while there is no watcher."""
    try:
        return bus_property(WATCHER, "/StatusNotifierWatcher", WATCHER, "RegisteredStatusNotifierItems")
    except GLib.Error:
        return []


def bus_names():
    return bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames")[0]


def menu_click(label):
    """Sends "clicked" to the first item labelled `label` in the menu of the watcher's first tray
    item, as a panel does; False while there is none."""
    menu_api = "com.canonical.dbusmenu"
    try:
        service, slash, path = watcher_items()[0].partition("/")
        menu = bus_property(service, slash + path or "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Menu")
        bus_call(service, menu, menu_api, "AboutToShow", GLib.Variant("(i)", (0,)))
        items = [bus_call(service, menu, menu_api, "GetLayout", GLib.Variant("(iias)", (0, -1, [])))[1]]
        while items:  # (id, properties, children), the label with its mnemonic marks doubled
            item = items.pop(0)
            if item[1].get("label") == label.replace("_", "__"):
                bus_call(service, menu, menu_api, "Event",
                         GLib.Variant("(isvu)", (item[0], "clicked", GLib.Variant("i", 0), int(time.time()))))
                return True
            items += item[2]
    except (GLib.Error, IndexError):
        pass
    return False


def start_browser(certificate):
    """Headless Chromium trusting the test server's key besides its own roots, or None."""
    der = subprocess.run(f"openssl x509 -in '{certificate}' -noout -pubkey | openssl pkey -pubin -outform DER",
                         shell=True, capture_output=True, check=True).stdout
    return start("--ignore-certificate-errors-spki-list=" + base64.b64encode(hashlib.sha256(der).digest()).decode())


def page_rows(browser):
    return browser.execute_script("return [...document.querySelectorAll('#list li')].map(li => "
                                  "[li.querySelector('.name').textContent, li.querySelector('.detail').textContent])")


def pairing_window():
    """The X id of Pellow's pairing window once it is on screen, or None."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Pellow$"], capture_output=True,
                           text=True, timeout=5).stdout.split()
    return found[-1] if found else None


def main(pellow, server, make_ca):
    work = os.environ["PELLOW_E2E_WORK"]
    run = Run(pellow, server, None, make_ca, work)
    browser = start_browser(os.path.join(work, "server.pem"))
    if browser is None:
        return SKIP
    with browser, run:
        run.start_server()
        write_prefs(run.prefs, {"syncServer": run.base, "syncServerCertificate": os.path.join(work, "ca.pem"),
                                "timers": [timer("e2e-tea", "Tea"), timer("e2e-egg", "Egg")]})
        os.environ["DISPLAY"] = start_xvfb(run)  # for Pellow, xdotool and xclip
        run.spawn(["status-notifier-watcher"], "watcher")
        app = run.spawn([pellow], "pellow", dict(os.environ, QT_QPA_PLATFORM="xcb"))

        # Pairing through the menu stores a token; the code copied (Ctrl+C) from Pellow's dialog is typed on
        # the page, which shows the list Pellow sent (each state on the page stands for the server's too).
        run.click_menu("Sync with phone\u2026")
        token = wait_for("a stored sync token", lambda: stored(run.prefs).get("syncToken"), 15)
        wait_for("the pairing dialog", lambda: (window := pairing_window()) and subprocess.run(
            ["xdotool", "windowfocus", "--sync", window, "key", "ctrl+c"], timeout=5).returncode == 0, 15)
        code = wait_for("the code on the clipboard", lambda: subprocess.run(
            ["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True, timeout=5).stdout.strip(), 5)
        browser.get(run.base + "/")
        wait_for("the pairing form", lambda: browser.find_element(By.ID, "code").is_displayed(), 10)
        browser.find_element(By.ID, "code").send_keys(code)
        wait_for("Pellow's list on the page", lambda: page_rows(browser) == [["Tea", "ready"], ["Egg", "ready"]], 15)

        # A change in Pellow reaches the page through the server within the page's pull interval.
        run.click_menu("Start all")
        wait_for("the started timers on the page", lambda: [d[:5] for _, d in page_rows(browser)] == ["ends "] * 2, 15)

        # A timer started on the page reaches Pellow within one poll (15 s).
        browser.find_element(By.ID, "new-open").click()
        browser.find_element(By.ID, "new-name").send_keys("Bread")
        browser.find_element(By.XPATH, "//button[text()='5 min']").click()
        in_pellow = lambda: {t["label"]: t["running"] for t in stored(run.prefs).get("timers", [])}  # noqa: E731
        wait_for("the page's timer running in Pellow", lambda: in_pellow().get("Bread") is True, 20)

        # "Stop syncing" ends the pairing on the server too: the page finds itself no longer paired.
        run.click_menu("Stop syncing")
        wait_for("the page's pairing form", lambda: browser.find_element(By.ID, "code").is_displayed(), 15)
        notice = browser.execute_script("return document.body.textContent")
        assert "This phone is no longer paired" in notice, notice
        assert app.poll() is None, "pellow exited"
        with open(os.path.join(work, "pellow.log"), "rb") as f:
            assert token.encode() not in f.read(), "the token appears in Pellow's log"
    print("PASS e2e_sync: paired Pellow and the page with the copied code; changes went both ways; "
          "Stop syncing cut the page off")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "--inner":
        sys.exit(main(*sys.argv[2:]))
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(in_session(__file__, sys.argv[1:], "pellow-sync-e2e.", 800))
