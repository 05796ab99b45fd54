#!/usr/bin/env python3
"""End to end: the real Pellow and the real pellow-sync-server over HTTPS on loopback.

The test makes a certificate authority, starts the server with a certificate it signed, and
starts Pellow (offscreen, on a private session bus with a real StatusNotifierWatcher) pointed at
the server and trusting that authority. Through the tray menu it pairs, and then checks that a
change in Pellow reaches the server, that a newer list pushed by another client reaches Pellow
within one poll, and that stopping and restarting the server loses nothing.

Usage: sync_e2e.py <pellow> <pellow-sync-server> <pellow-menu-click> <make-test-ca.sh>
"""

import json
import os
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.request

POLL = 15  # Pellow's poll interval, in seconds


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = probe()
        if result:
            return result
        time.sleep(0.1)
    raise AssertionError(f"{what} within {seconds} s")


class Run:
    def __init__(self, pellow, server, click, make_ca, work):
        self.pellow, self.server_bin, self.click, self.work = pellow, server, click, work
        subprocess.run(["bash", make_ca, work], check=True, timeout=60)
        self.tls = ssl.create_default_context(cafile=os.path.join(work, "ca.pem"))
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.base = f"https://127.0.0.1:{self.port}"
        self.prefs = os.path.join(os.environ["XDG_CONFIG_HOME"], "pellow", "preferences.json")
        self.procs = []
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
        with urllib.request.urlopen(request, context=self.tls, timeout=10) as r:
            return json.load(r)

    def stored(self):
        try:
            with open(self.prefs) as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def click_menu(self, label):
        wait_for(f'a "{label}" item in the tray menu',
                 lambda: subprocess.run([self.click, label], capture_output=True, timeout=10).returncode == 0, 15)

    def spawn(self, args, name, env=None):
        log = open(os.path.join(self.work, name + ".log"), "ab")
        self.procs.append(subprocess.Popen(args, stdout=log, stderr=log, env=env))
        return self.procs[-1]

    def stop_all(self):
        for p in reversed(self.procs + ([self.server] if self.server else [])):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()


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


def main(pellow, server, click, make_ca):
    work = os.environ["PELLOW_E2E_WORK"]
    run = Run(pellow, server, click, make_ca, work)
    try:
        run.start_server()
        os.makedirs(os.path.dirname(run.prefs), exist_ok=True)
        with open(run.prefs, "w") as f:
            json.dump({"syncServer": run.base, "syncServerCertificate": os.path.join(work, "ca.pem"),
                       "timers": [timer("e2e-tea", "Tea"), timer("e2e-egg", "Egg")]}, f)
        os.chmod(run.prefs, 0o600)
        run.spawn(["status-notifier-watcher"], "watcher")
        app = run.spawn([pellow], "pellow", dict(os.environ, QT_QPA_PLATFORM="offscreen"))

        # Pairing through the menu: the token is stored and the list is on the server at once.
        run.click_menu("Sync with iPhone\u2026")
        token = wait_for("a stored sync token", lambda: run.stored().get("syncToken"), 15)
        pulled = wait_for("the paired list on the server",
                          lambda: (lambda r: r if r.get("rev", 0) >= 1 else None)(run.sync("pull", {"token": token})), 10)
        assert labels_running(pulled["timers"]) == {"Tea": False, "Egg": False}, pulled

        # A change in Pellow reaches the server.
        run.click_menu("Start all")
        pulled = wait_for("the started timers on the server",
                          lambda: (lambda r: r if all(t["running"] for t in r["timers"]) else None)(
                              run.sync("pull", {"token": token})), 10)

        # A newer list from another client reaches Pellow within one poll.
        timers = pulled["timers"] + [timer("phone-bread", "Bread", True)]
        assert run.sync("push", {"token": token, "rev": pulled["rev"] + 1, "timers": timers}) == {"rev": pulled["rev"] + 1}
        wait_for("the phone's timer in Pellow", lambda: "Bread" in labels_running(run.stored().get("timers", [])), POLL + 5)

        # The server goes away: a change in Pellow keeps the whole list; back again, the next
        # change reaches it.
        run.stop_server()
        run.click_menu("Pause all")
        wait_for("the timers paused in Pellow",
                 lambda: labels_running(run.stored().get("timers", [])) == {"Tea": False, "Egg": False, "Bread": False}, 10)
        run.start_server()
        run.click_menu("Start all")
        pulled = wait_for("the list after the restart on the server",
                          lambda: (lambda r: r if labels_running(r["timers"]) == {"Tea": True, "Egg": True, "Bread": True}
                                   else None)(run.sync("pull", {"token": token})), 10)
        wait_for("Pellow's revision equal to the server's", lambda: run.stored().get("syncRev") == pulled["rev"], 5)
        assert app.poll() is None, "pellow exited"
        for name in ("pellow", "server"):
            with open(os.path.join(work, name + ".log"), "rb") as f:
                assert token.encode() not in f.read(), f"the token appears in the {name} log"
        print("PASS e2e_sync: paired through the menu; changes went both ways; a server restart lost nothing")
        return 0
    except AssertionError as e:
        print(f"FAIL e2e_sync: {e}")
        for name in ("pellow", "server", "watcher"):
            path = os.path.join(work, name + ".log")
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    print(f"--- {name}.log\n" + "".join(f.readlines()[-20:]))
        return 1
    finally:
        run.stop_all()


if __name__ == "__main__":
    if len(sys.argv) == 6 and sys.argv[1] == "--inner":
        sys.exit(main(*sys.argv[2:]))
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory(prefix="pellow-sync-e2e.") as work:
        env = isolated_env(work)
        args = [os.path.abspath(a) for a in sys.argv[1:]]
        sys.exit(subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inner", *args],
                                env=env, timeout=240).returncode)
