#!/usr/bin/env python3
"""The real pellow-sync-server on a loopback port, over HTTP, with only the standard library.
PELLOW_SYNC_SERVER names the binary. PELLOW_SYNC_DATABASE, when set, is the database URL the
protocol tests use (with_postgresql.sh sets it); otherwise each server gets a fresh SQLite file."""
import http.client
import json
import os
import signal
import sqlite3
import subprocess
import tempfile
import threading
import time
import unittest
from concurrent.futures import ThreadPoolExecutor

SERVER = os.environ["PELLOW_SYNC_SERVER"]
DATABASE = os.environ.get("PELLOW_SYNC_DATABASE")
ENDPOINT = "/api/pellow/sync.php"
DEADLINE = 20  # seconds for the server to start or stop
MAKE_CA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "make-test-ca.sh")
REVISIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "sync_revisions.json")


def timer(n, **fields):
    return {"id": f"T{n}", "label": f"Tea {n}", "mode": "down", "duration": 60.0 * n, "banked": 0,
            "startedAt": 1.7e9, "running": False, "alerted": False, "warned": [], **fields}


class Server:
    """One server process on 127.0.0.1 and a free port it picks itself."""

    def __init__(self, *args, database=None, env=None, ssl_context=None):
        self.database, self.ssl_context, self.lines = database, ssl_context, []
        more = ["--database", database] if database else []
        self.proc = subprocess.Popen([SERVER, "--listen", "127.0.0.1:0", *more, *args], stderr=subprocess.PIPE,
                                     text=True, env=env)
        self.port = None
        ready = threading.Event()
        self.reader = threading.Thread(target=self._read_log, args=(ready,), daemon=True)
        self.reader.start()
        if not ready.wait(DEADLINE) or self.port is None:
            self.proc.kill()
            self._reap()
            raise AssertionError("server did not start:\n" + "\n".join(self.lines))

    def _read_log(self, ready):
        for line in self.proc.stderr:
            self.lines.append(line.rstrip("\n"))
            if self.port is None and " listening on " in line:
                self.port = int(line.split(",")[0].rsplit(":", 1)[1])
                ready.set()
        ready.set()

    def fetch(self, method, path, body=None, source="127.0.0.1", headers=(), timeout=10):
        """The response on a connection of its own, with its body read into `body`."""
        tls = {"context": self.ssl_context} if self.ssl_context else {}
        kind = http.client.HTTPSConnection if self.ssl_context else http.client.HTTPConnection
        conn = kind("127.0.0.1", self.port, timeout=timeout, source_address=(source, 0), **tls)
        try:
            conn.request(method, path, body=body, headers=dict(headers))
            response = conn.getresponse()
            response.body = response.read()
            return response
        finally:
            conn.close()

    def raw(self, method, path, body=None, source="127.0.0.1", headers=()):
        response = self.fetch(method, path, body, source, {"Content-Type": "application/json", **dict(headers)})
        return response.status, response.body

    def call(self, action, body, source="127.0.0.1", headers=()):
        data = body if isinstance(body, bytes) else json.dumps(body).encode()
        status, reply = self.raw("POST", f"{ENDPOINT}?action={action}", data, source, headers)
        return status, json.loads(reply)

    def _reap(self):
        code = self.proc.wait(DEADLINE)
        self.reader.join(DEADLINE)
        self.proc.stderr.close()
        return code

    def stop(self):
        """Stops the server as a service manager would; returns its exit code."""
        self.proc.send_signal(signal.SIGTERM)
        return self._reap()

    def close(self):
        """Stops the server, which must exit cleanly; its last log lines tell why not."""
        code = self.stop()
        assert code == 0, f"server exited with {code}:\n" + "\n".join(self.lines[-30:])

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def wait_for_line(self, text):
        """Waits for a log line holding `text` (lines after "listening on" may come a moment later)."""
        deadline = time.monotonic() + DEADLINE
        while not any(text in line for line in self.lines):
            assert time.monotonic() < deadline, f"no log line with {text!r}"
            time.sleep(0.05)

    def run_sql(self, statement):
        if self.database.startswith("sqlite:"):
            with sqlite3.connect(self.database[len("sqlite:"):]) as db:
                db.execute(statement)
        else:
            subprocess.run(["psql", self.database, "-q", "-v", "ON_ERROR_STOP=1", "-c", statement], check=True)


class ServerCase(unittest.TestCase):
    """One server for the whole class, started with ARGS on a database of its own."""
    ARGS = ()

    @classmethod
    def setUpClass(cls):
        cls.folder = cls.enterClassContext(tempfile.TemporaryDirectory())
        cls.server = Server(*cls.ARGS, database=DATABASE or f"sqlite:{cls.folder}/sync.db")

    @classmethod
    def tearDownClass(cls):
        cls.server.close()

    def pull(self, token):
        status, reply = self.server.call("pull", {"token": token})
        self.assertEqual(status, 200)
        return reply


class Scratch(unittest.TestCase):
    def setUp(self):
        self.folder = self.enterContext(tempfile.TemporaryDirectory())

    def path(self, name):
        return os.path.join(self.folder, name)


class ProtocolTests(ServerCase):
    tokens = []

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        assert not any(token in line for token in cls.tokens for line in cls.server.lines), "a token reached the log"

    def pair(self):
        status, reply = self.server.call("pair", {})
        self.assertEqual((status, reply["ok"]), (200, True))
        self.tokens.append(reply["token"])
        return reply["code"], reply["token"]

    def claim(self, code):
        status, reply = self.server.call("claim", {"code": code})
        self.assertEqual((status, reply["ok"]), (200, True))
        self.tokens.append(reply["token"])
        return reply["token"]

    def paired(self):
        code, desktop = self.pair()
        return desktop, self.claim(code)

    def push(self, token, rev, timers):
        return self.server.call("push", {"token": token, "rev": rev, "timers": timers})

    def test_pair_claim_push_pull(self):
        code, desktop = self.pair()
        self.assertEqual(len(code), 6)
        self.assertLessEqual(set(code), set("ABCDEFGHJKMNPQRSTUVWXYZ23456789"))
        self.assertEqual(self.pull(desktop), {"ok": True, "rev": 0, "timers": []})
        phone = self.claim(code.lower())
        self.assertNotEqual(phone, desktop)

        mine = [timer(1), timer(2, mode="up", running=True, color="#AABBCC", warned=[-1, 300])]
        self.assertEqual(self.push(desktop, 1, mine), (200, {"rev": 1}))
        self.assertEqual(self.pull(phone), {"ok": True, "rev": 1, "timers": mine})
        theirs = [timer(3, label="From the phone")]
        self.assertEqual(self.push(phone, 2, theirs), (200, {"rev": 2}))
        self.assertEqual(self.pull(desktop), {"ok": True, "rev": 2, "timers": theirs})

    def test_revision_cases(self):
        with open(REVISIONS) as f:
            cases = [c for c in json.load(f)["push"] if "server" in c]
        for case in cases:
            with self.subTest(case["case"]):
                desktop, _ = self.paired()
                if case["server"]:
                    held = case["reply"].get("timers", [timer(8)])
                    self.assertEqual(self.push(desktop, case["server"], held), (200, {"rev": case["server"]}))
                self.assertEqual(self.push(desktop, case["local"] + 1, [timer(9)]), (200, case["reply"]))

    def test_leave_forgets_the_whole_group(self):
        desktop, phone = self.paired()
        code, _ = self.pair()
        self.push(desktop, 3, [timer(3)])
        self.assertEqual(self.server.call("leave", {"token": desktop}), (200, {"ok": True}))
        for action, body in [("pull", {"token": phone}), ("push", {"token": phone, "rev": 9, "timers": []}),
                             ("leave", {"token": desktop})]:
            with self.subTest(action):
                self.assertEqual(self.server.call(action, body), (403, {"ok": False, "error": "unknown token"}))
        self.claim(code)  # another group's code still pairs

    def test_concurrent_pushes_with_one_revision_have_one_winner(self):
        desktop, phone = self.paired()
        tokens = [desktop, phone] * 4
        for rev in range(1, 11):
            barrier = threading.Barrier(len(tokens))

            def send(i):
                barrier.wait(DEADLINE)
                return self.push(tokens[i], rev, [timer(i)])

            with ThreadPoolExecutor(len(tokens)) as pool:
                replies = list(pool.map(send, range(len(tokens))))
            winners = [i for i, (_, reply) in enumerate(replies) if reply == {"rev": rev}]
            self.assertEqual(len(winners), 1, replies)
            stale = {"stale": True, "rev": rev, "timers": [timer(winners[0])]}
            self.assertEqual([reply for _, reply in replies if reply != {"rev": rev}], [stale] * (len(tokens) - 1))
            self.assertEqual(self.pull(desktop), {"ok": True, "rev": rev, "timers": [timer(winners[0])]})

    def test_codes_are_good_once_and_for_fifteen_minutes(self):
        used, _ = self.pair()
        self.assertIs(self.server.call("claim", {"code": used}, source="127.0.0.4")[1]["ok"], True)
        expired, _ = self.pair()
        self.server.run_sql("UPDATE pairing_codes SET expires_at = expires_at - 15 * 60")
        for code in (used, expired):
            self.assertEqual(self.server.call("claim", {"code": code}, source="127.0.0.4"), (200, {"ok": False}), code)

    def test_bad_requests_store_nothing(self):
        desktop, _ = self.paired()
        self.push(desktop, 1, [timer(1)])
        padding = " " * (256 * 1024)
        cases = [
            ("not an object", "push", b"[1, 2]", 400),
            ("unknown action", "drop", {"token": desktop}, 400),
            ("missing token", "push", {"rev": 2, "timers": []}, 400),
            ("fractional rev", "push", {"token": desktop, "rev": 2.5, "timers": []}, 400),
            ("timers not a list", "push", {"token": desktop, "rev": 2, "timers": {"id": "T1"}}, 400),
            ("running as text", "push", {"token": desktop, "rev": 2, "timers": [timer(1, running="yes")]}, 400),
            ("501 timers", "push", {"token": desktop, "rev": 2, "timers": [timer(i) for i in range(501)]}, 400),
            ("label of 257", "push", {"token": desktop, "rev": 2, "timers": [timer(1, label="x" * 257)]}, 400),
            ("body over 256 KiB", "push", {"token": desktop, "rev": 2, "timers": [], "pad": padding}, 413),
        ]
        for name, action, body, expected in cases:
            with self.subTest(name):
                status, reply = self.server.call(action, body)
                self.assertEqual((status, reply["ok"], type(reply["error"])), (expected, False, str))
        self.assertEqual(self.pull(desktop), {"ok": True, "rev": 1, "timers": [timer(1)]})
        full = [timer(i, label="x" * 256) for i in range(500)]
        self.assertEqual(self.push(desktop, 2, full), (200, {"rev": 2}))


class StartupTests(Scratch):
    def test_refused_listen_addresses_store_nothing(self):
        # Plain HTTP on loopback only; with --local-network on a private or link-local address only.
        rows = [(["--listen", "0.0.0.0:8787"], "--tls-cert"), (["--listen", "[::]:8787"], "--tls-cert"),
                (["--listen", "pellow.example:8787"], "--tls-cert"),
                (["--local-network", "--listen", "192.0.2.7:0"], ""),
                (["--local-network", "--listen", "127.0.0.2:0", "--behind-proxy"], "")]
        for args, hint in rows:
            with self.subTest(args):
                done = subprocess.run([SERVER, *args, "--database", f"sqlite:{self.path('x.db')}"],
                                      capture_output=True, text=True, timeout=DEADLINE)
                self.assertEqual(done.returncode, 2, done.stderr)
                self.assertIn(hint, done.stderr)
        self.assertFalse(os.path.exists(self.path("x.db")))

    def test_default_database_is_sqlite_under_xdg_data_home(self):
        Server(env=dict(os.environ, XDG_DATA_HOME=self.path("data"))).close()
        self.assertTrue(os.path.isfile(self.path("data/pellow-sync/sync.db")))

    def test_ten_wrong_codes_from_one_client_are_the_limit(self):
        # Behind a proxy the client is the last X-Forwarded-For entry, the address the proxy saw;
        # whatever comes before it the client wrote itself. Without --behind-proxy the header is
        # the client's own word and is ignored. Rows: the attacker's nth (source, header), another's.
        rows = [([], lambda n: ("127.0.0.2", f"10.0.0.{n}, 192.0.2.{n}"), ("127.0.0.3", "10.0.0.0, 192.0.2.0")),
                (["--behind-proxy"], lambda n: ("127.0.0.1", f"10.0.0.{n}, 192.0.2.7"),
                 ("127.0.0.1", "10.0.0.0, 192.0.2.8"))]
        for args, attacker, other in rows:
            with self.subTest(args), Server(*args, database=f"sqlite:{self.path(f'{len(args)}.db')}") as server:
                def claim(code, client):
                    return server.call("claim", {"code": code}, source=client[0],
                                       headers=[("X-Forwarded-For", client[1])])
                code = server.call("pair", {})[1]["code"]
                for n in range(10):
                    self.assertEqual(claim("WRONG2", attacker(n)), (200, {"ok": False}))
                self.assertEqual(claim(code, attacker(99)), (429, {"ok": False, "error": "too many tries"}))
                status, reply = claim(code, other)
                self.assertEqual((status, reply["ok"]), (200, True))


if __name__ == "__main__":
    unittest.main(verbosity=2)
