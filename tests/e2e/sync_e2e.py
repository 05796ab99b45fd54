#!/usr/bin/env python3
"""End to end: the real Pellow (on Xvfb, a private session bus and a real StatusNotifierWatcher),
the real pellow-sync-server over HTTPS on loopback with a certificate authority of the test's
own, and the phone page in headless Chromium. Pellow pairs through its tray menu and the code
copied from its dialog is typed on the page; changes go both ways, also one made while a pull is
held slow (Pellow talks to the server through a proxy that can hold back the server's replies);
a server restart loses nothing; "Stop syncing" cuts the page off too. The other e2e scripts
share this module's helpers.

Usage: sync_e2e.py <pellow> <pellow-sync-server> <pellow-menu-click> <make-test-ca.sh>
Exits 77 (skipped) only when Chromium cannot start.
"""

import base64
import hashlib
import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.error
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from headless_chromium import By, start  # noqa: E402

POLL = 15  # Pellow's poll interval, in seconds
SKIP = 77


MARGIN = 3  # each wait is its event's usual bound; a loaded machine gets three times it


def wait_for(what, probe, seconds):
    seconds *= MARGIN
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = probe()
        if result:
            return result
        time.sleep(0.1)
    raise AssertionError(f"{what} within {seconds} s")


class SlowProxy:
    """Forwards loopback connections to the server; while held, what the server sends back waits."""

    def __init__(self, target_port):
        self.target_port = target_port
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.open = threading.Event()
        self.open.set()
        self.held = 0  # bytes from the server waiting since hold()
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return  # closed
            try:
                upstream = socket.create_connection(("127.0.0.1", self.target_port), timeout=5)
                upstream.settimeout(None)
            except OSError:
                client.close()  # the server is down
                continue
            threading.Thread(target=self._pump, args=(client, upstream, False), daemon=True).start()
            threading.Thread(target=self._pump, args=(upstream, client, True), daemon=True).start()

    def _pump(self, source, sink, from_server):
        try:
            while data := source.recv(65536):
                if from_server and not self.open.is_set():
                    self.held += len(data)
                    self.open.wait()
                sink.sendall(data)
        except OSError:
            pass
        finally:
            for s in (source, sink):
                try:
                    s.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                s.close()

    def hold(self):
        self.held = 0
        self.open.clear()

    def release(self):
        """Lets the held bytes go; the moment it did."""
        released = time.monotonic()
        self.open.set()
        return released

    def close(self):
        self.open.set()
        self.listener.close()


class Processes:
    """The processes a run starts, each logging to <work>/<name>.log, stopped newest first."""

    def __init__(self, work):
        self.work = work
        self.procs = []

    def spawn(self, args, name, env=None):
        log = open(os.path.join(self.work, name + ".log"), "ab")
        self.procs.append(subprocess.Popen(args, stdout=log, stderr=log, env=env))
        return self.procs[-1]

    def stop_all(self):
        stop(self.procs)


class Run(Processes):
    def __init__(self, pellow, server, click, make_ca, work):
        super().__init__(work)
        self.pellow, self.server_bin, self.click = pellow, server, click
        subprocess.run(["bash", make_ca, work], check=True, timeout=60)
        self.tls = ssl.create_default_context(cafile=os.path.join(work, "ca.pem"))
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.base = f"https://127.0.0.1:{self.port}"
        self.prefs = os.path.join(os.environ["XDG_CONFIG_HOME"], "pellow", "preferences.json")
        self.server = None

    def start_server(self):
        log = open(os.path.join(self.work, "server.log"), "ab")
        self.server = subprocess.Popen(
            [self.server_bin, "--listen", f"127.0.0.1:{self.port}", "--database", f"sqlite:{self.work}/sync.db",
             "--tls-cert", os.path.join(self.work, "server.pem"), "--tls-key", os.path.join(self.work, "server.key")],
            stdout=log, stderr=log)
        wait_for("the server answers /healthz", self.healthy, 15)

    def stop_server(self):
        self.server.send_signal(signal.SIGTERM)
        self.server.wait(timeout=15)

    def healthy(self):
        try:
            with urllib.request.urlopen(self.base + "/healthz", context=self.tls, timeout=2) as r:
                return r.status == 200
        except OSError:
            return False

    def sync(self, action, body):
        request = urllib.request.Request(f"{self.base}/api/pellow/sync.php?action={action}",
                                         data=json.dumps(body).encode(), method="POST",
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, context=self.tls, timeout=10) as r:
                return json.load(r)
        except urllib.error.HTTPError as e:
            return dict(json.load(e), status=e.code)

    def stored(self):
        return stored(self.prefs)

    def click_menu(self, label):
        wait_for(f'a "{label}" item in the tray menu',
                 lambda: subprocess.run([self.click, label], capture_output=True, timeout=10).returncode == 0, 15)

    def stop_all(self):
        stop(self.procs + ([self.server] if self.server else []))


def print_logs(work, names):
    """The last lines of each named log in `work`, for a failure."""
    for name in names:
        path = os.path.join(work, name + ".log")
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                print(f"--- {name}.log\n" + "".join(f.readlines()[-20:]))


def stop(procs):
    """Stops the processes, the newest first."""
    for p in reversed(procs):
        if p.poll() is None:
            p.terminate()
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()


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
    for d in ("home", "config", "data", "cache", "tmp"):
        os.makedirs(f"{work}/{d}")
    os.makedirs(f"{work}/runtime", mode=0o700)
    return env


def timer(tid, label, running=False):
    return {"id": tid, "label": label, "mode": "down", "duration": 300, "banked": 0,
            "startedAt": time.time(), "running": running, "alerted": False, "warned": []}


def labels_running(timers):
    return {t["label"]: t["running"] for t in timers}


def start_xvfb(run):
    """A virtual X display of its own, stopped with `run`'s processes; its name."""
    read_end, write_end = os.pipe()
    with open(os.path.join(run.work, "xvfb.log"), "ab") as log:
        run.procs.append(subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                           "-nolisten", "tcp"], stdout=log, stderr=log, pass_fds=(write_end,)))
    os.close(write_end)
    display = os.read(read_end, 16).decode().strip()
    assert display, "Xvfb did not start"
    return ":" + display


def start_browser(certificate):
    """Headless Chromium trusting the test server's key besides its own roots, or None."""
    key = subprocess.run(["openssl", "x509", "-in", certificate, "-noout", "-pubkey"], capture_output=True,
                         check=True).stdout
    der = subprocess.run(["openssl", "pkey", "-pubin", "-outform", "DER"], input=key, capture_output=True,
                         check=True).stdout
    return start("--ignore-certificate-errors-spki-list=" + base64.b64encode(hashlib.sha256(der).digest()).decode())


def page_rows(browser):
    return browser.execute_script("return [...document.querySelectorAll('#list li')].map(li => "
                                  "[li.querySelector('.name').textContent, li.querySelector('.detail').textContent])")


def press_copy_code():
    """Presses Ctrl+C ("Copy code") in Pellow's pairing dialog, once it is on screen."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Pellow$"], capture_output=True,
                           text=True, timeout=5).stdout.split()
    return bool(found) and subprocess.run(["xdotool", "windowfocus", "--sync", found[-1], "key", "ctrl+c"],
                                          timeout=5).returncode == 0


def clipboard():
    done = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True, timeout=5)
    return done.stdout.strip()


def main(pellow, server, click, make_ca):
    work = os.environ["PELLOW_E2E_WORK"]
    run = Run(pellow, server, click, make_ca, work)
    browser = start_browser(os.path.join(work, "server.pem"))
    if browser is None:
        return SKIP
    try:
        run.start_server()
        proxy = SlowProxy(run.port)
        write_prefs(run.prefs, {"syncServer": f"https://127.0.0.1:{proxy.port}",
                                "syncServerCertificate": os.path.join(work, "ca.pem"),
                                "timers": [timer("e2e-tea", "Tea"), timer("e2e-egg", "Egg")]})
        os.environ["DISPLAY"] = start_xvfb(run)  # for Pellow, xdotool and xclip
        run.spawn(["status-notifier-watcher"], "watcher")
        app = run.spawn([pellow], "pellow", dict(os.environ, QT_QPA_PLATFORM="xcb"))

        # Pairing through the menu: the token is stored and the list is on the server at once.
        run.click_menu("Sync with phone\u2026")
        token = wait_for("a stored sync token", lambda: run.stored().get("syncToken"), 15)
        pull = lambda: run.sync("pull", {"token": token})  # noqa: E731
        on_server = lambda: labels_running(pull()["timers"])  # noqa: E731
        in_pellow = lambda: labels_running(run.stored().get("timers", []))  # noqa: E731
        wait_for("the paired list on the server", lambda: on_server() == {"Tea": False, "Egg": False}, 10)

        # The phone: the code copied from Pellow's dialog, typed on the page.
        wait_for("the pairing dialog", press_copy_code, 15)
        code = wait_for("the code on the clipboard", clipboard, 5)
        assert len(code) == 6, f"a code of {len(code)} characters was copied"
        browser.get(run.base + "/")
        wait_for("the pairing form", lambda: browser.find_element(By.ID, "code").is_displayed(), 10)
        browser.find_element(By.ID, "code").send_keys(code)
        wait_for("Pellow's list on the page", lambda: page_rows(browser) == [["Tea", "ready"], ["Egg", "ready"]], 10)

        # A change in Pellow reaches the server, and the page within its pull interval.
        run.click_menu("Start all")
        wait_for("the started timers on the server", lambda: on_server() == {"Tea": True, "Egg": True}, 10)
        running_on_page = lambda count: [d[:5] for _, d in page_rows(browser)] == ["ends "] * count
        wait_for("the started timers on the page", lambda: running_on_page(2), 8)

        # The server held slow on a pull while a change is made: the change goes as soon as the
        # pull ends, not with some later change.
        proxy.hold()
        run.click_menu("Sync now")
        wait_for("a pull held at the proxy", lambda: proxy.held > 0, 10)
        run.click_menu("Pause all")
        wait_for("the paused timers saved in Pellow", lambda: in_pellow() == {"Tea": False, "Egg": False}, 5)
        time.sleep(2)  # the server stays slow past the change's push delay of 0.6 s
        assert on_server() == {"Tea": True, "Egg": True}, "the change went out past the pull"
        released = proxy.release()
        wait_for("the paused timers on the server", lambda: on_server() == {"Tea": False, "Egg": False}, 10)
        delay = time.monotonic() - released
        assert delay < 1, f"the change reached the server {delay:.1f} s after the pull ended"
        run.click_menu("Start all")
        wait_for("the restarted timers on the server", lambda: on_server() == {"Tea": True, "Egg": True}, 10)
        page_rev = lambda: browser.execute_script("return JSON.parse(localStorage.getItem('pellow.list')).rev")
        wait_for("the page at the server's revision", lambda: page_rev() == pull()["rev"], 8)

        # A timer started on the page shows in Pellow's menu within one poll.
        browser.find_element(By.ID, "new-open").click()
        browser.find_element(By.ID, "new-name").send_keys("Bread")
        browser.find_element(By.XPATH, "//button[text()='5 min']").click()
        labels = lambda: subprocess.run([click, "--labels"], capture_output=True, text=True, timeout=10).stdout
        wait_for("the page's timer running in Pellow's menu",
                 lambda: any(line.startswith("Pause  Bread") for line in labels().splitlines()), POLL + 5)

        # The server goes away: a change in Pellow keeps the whole list; back again, the next
        # change reaches the server and the page.
        run.stop_server()
        run.click_menu("Pause all")
        wait_for("the timers paused in Pellow", lambda: in_pellow() == {"Tea": False, "Egg": False, "Bread": False}, 10)
        run.start_server()
        run.click_menu("Start all")
        wait_for("the list after the restart on the server",
                 lambda: on_server() == {"Tea": True, "Egg": True, "Bread": True}, 10)
        wait_for("Pellow's revision equal to the server's", lambda: run.stored().get("syncRev") == pull()["rev"], 5)
        wait_for("the restarted timers on the page", lambda: running_on_page(3), 8)

        # "Stop syncing" ends the pairing on the server too: the page finds itself no longer paired.
        run.click_menu("Stop syncing")
        wait_for("the pairing gone from the server", lambda: pull().get("status") == 403, 10)
        wait_for("the page's pairing form", lambda: browser.find_element(By.ID, "code").is_displayed(), 10)
        notice = browser.execute_script("return document.body.textContent")
        assert "This phone is no longer paired" in notice, notice
        assert "syncToken" not in run.stored(), "Pellow kept its token"
        assert app.poll() is None, "pellow exited"
        for name in ("pellow", "server"):
            with open(os.path.join(work, name + ".log"), "rb") as f:
                assert token.encode() not in f.read(), f"the token appears in the {name} log"
        print("PASS e2e_sync: paired Pellow and the page with the copied code; changes went both ways; a change "
              f"made during a held pull reached the server {delay:.2f} s after it; a server restart lost nothing; "
              "Stop syncing cut the page off")
        return 0
    except AssertionError as e:
        print(f"FAIL e2e_sync: {e}")
        print_logs(work, ("pellow", "server", "watcher", "xvfb"))
        return 1
    finally:
        browser.quit()
        run.stop_all()
        if "proxy" in locals():
            proxy.close()


if __name__ == "__main__":
    if len(sys.argv) == 6 and sys.argv[1] == "--inner":
        sys.exit(main(*sys.argv[2:]))
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory(prefix="pellow-sync-e2e.") as work:
        env = isolated_env(work)
        args = [os.path.abspath(a) for a in sys.argv[1:]]
        sys.exit(subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inner", *args],
                                env=env, timeout=800).returncode)
