#!/usr/bin/env python3
"""A hostile client against the real pellow-sync-server on loopback, and its operations. Each
attack runs on several connections from a loopback address of its own while a normal client on
another address pulls; each must get its own status code, the normal pull its reply, and the
server's memory must stay bounded. Figures (pull time, RSS) are printed for
bench/sync_http_bench.sh, not asserted. PELLOW_SYNC_SERVER names the binary."""
import gzip
import hashlib
import os
import pathlib
import shutil
import signal
import socket
import sqlite3
import ssl
import subprocess
import threading
import time
import unittest
from contextlib import nullcontext

from sync_server_test import DATABASE, DEADLINE, ENDPOINT, MAKE_CA, Scratch, Server, ServerCase, timer

CAP = 8  # --max-connections-per-client
TOTAL = 48  # --max-connections
WAIT = 3 * 10  # bound on any reply the server owes: three times the 10 s a request may take


def status_of(sock, timeout=WAIT):
    """The status code of the reply on sock, or None when it closes without one."""
    sock.settimeout(timeout)
    data = b""
    try:
        while b"\r\n" not in data and (chunk := sock.recv(4096)):
            data += chunk
    except (ConnectionResetError, socket.timeout):
        pass
    return int(data.split(b" ")[1]) if data.startswith(b"HTTP/1.1 ") else None


def closed_within(sock, timeout=WAIT):
    sock.settimeout(timeout)
    try:
        while sock.recv(4096):
            pass
        return True
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False


def rss_kb(server):
    with open(f"/proc/{server.proc.pid}/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


def request(body=b"", **headers):
    head = f"POST {ENDPOINT}?action=pull HTTP/1.1\r\nHost: 127.0.0.1\r\n"
    head += "".join(f"{name.replace('_', '-')}: {value}\r\n" for name, value in headers.items())
    return head.encode() + b"\r\n" + body


def send_all(sock, data, piece=8192):
    """Sends until done or the server stops reading."""
    try:
        for i in range(0, len(data), piece):
            sock.sendall(data[i:i + piece])
    except OSError:
        pass


def trickle(lines, every=1.0):
    """An attack that sends its first line, then one more line each `every` seconds."""
    def run(sock, stop):
        send_all(sock, lines[0])
        for line in lines[1:]:
            if stop.wait(every):
                return
            send_all(sock, line)
    return run


def once(data):
    return lambda sock, stop: send_all(sock, data)


BOMB = gzip.compress(b"0" * 10_000_000)
HEADER_FLOOD = request(**{f"X-Flood-{i}": "a" for i in range(100_000)})
MANY_HEADERS = request(**{f"X-Line-{i}": "a" for i in range(100)})
SLOW_HEADERS = [f"POST {ENDPOINT}?action=pull HTTP/1.1\r\n".encode()] + [b"X-Slow: a\r\n"] * 60
CHUNKED = [request(Transfer_Encoding="chunked")] + [b"1\r\na\r\n"] * 60
HEALTH = b"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"

# name, attack, the status each attack connection gets (None: closed without a reply)
ATTACKS = [
    ("compressed body", once(request(BOMB, Content_Encoding="gzip", Content_Length=len(BOMB))), 415),
    ("header bytes over the limit", once(HEADER_FLOOD), 431),
    ("more than 64 header lines", once(MANY_HEADERS), 431),
    ("slowloris headers", trickle(SLOW_HEADERS), 408),
    ("Content-Length over the body limit", once(request(Content_Length=1_000_000_000)), 413),
    ("Content-Length longer than the body", once(request(b'{"tok', Content_Length=1000)), 408),
    ("two Content-Length headers", once(request(b'{"token":"none"}', Content_Length=16).replace(
        b"Content-Length: 16\r\n", b"Content-Length: 16\r\nContent-Length: 16\r\n")), 400),
    ("malformed Content-Length", once(request(b"{}", Content_Length="2, 2")), 400),
    ("chunked trickle", trickle(CHUNKED), 411),
    ("wrong method", once(f"PUT {ENDPOINT}?action=pull HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode()), 405),
]


class HostileClientTests(ServerCase):
    ARGS = ("--max-connections", str(TOTAL), "--max-connections-per-client", str(CAP))

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.token = cls.server.call("pair", {}, source="127.0.0.9")[1]["token"]
        cls.figures, cls.baseline = [], rss_kb(cls.server)

    @classmethod
    def tearDownClass(cls):
        print("\nattack | pull status | pull seconds | server RSS MB", *(" | ".join(map(str, r)) for r in cls.figures),
              sep="\n")
        super().tearDownClass()

    def open(self, source, sent=b""):
        sock = socket.create_connection(("127.0.0.1", self.server.port), source_address=(source, 0))
        self.addCleanup(sock.close)
        sock.sendall(sent)
        return sock

    def pull(self, name, expected=200):
        """A normal client's pull on a fresh connection; its time and the RSS go to the figures."""
        start = time.monotonic()
        status, _ = self.server.call("pull", {"token": self.token}, source="127.0.0.9")
        seconds = time.monotonic() - start
        rss = rss_kb(self.server)
        self.figures.append((name, status, f"{seconds:.3f}", f"{rss / 1024:.1f}"))
        self.assertEqual(status, expected)
        # The faults this guards against grew the server by hundreds of megabytes.
        self.assertLess(rss - self.baseline, 64 * 1024, f"RSS grew from {self.baseline} to {rss} kB")

    def test_each_attack_gets_its_code_while_a_normal_pull_is_answered(self):
        for n, (name, attack, expected) in enumerate(ATTACKS):
            with self.subTest(name):
                stop = threading.Event()
                socks = [self.open(f"127.0.1.{n + 1}") for _ in range(CAP)]
                threads = [threading.Thread(target=attack, args=(sock, stop), daemon=True) for sock in socks]
                for t in threads:
                    t.start()
                self.pull(name)
                codes = [status_of(sock) for sock in socks]
                closed = [closed_within(sock) for sock in socks]
                stop.set()
                for t in threads:
                    t.join(WAIT)
                self.assertEqual((codes, closed), ([expected] * CAP, [True] * CAP))

    def kept_alive(self, source):
        """A connection the server has surely taken: one request answered, then idle."""
        sock = self.open(source, HEALTH)
        self.assertEqual(status_of(sock), 200)
        return sock

    def test_over_the_caps_connections_are_answered_503_and_stop_is_prompt_with_all_held(self):
        # A server of its own: the connections filling its caps may still count a moment after they
        # close. It stops while they are all held, one of them half-way through its request line.
        with Server(*self.ARGS, database=f"sqlite:{self.folder}/caps.db") as self.server:
            self.token = self.server.call("pair", {}, source="127.0.0.9")[1]["token"]
            self.baseline = rss_kb(self.server)
            idle = [self.kept_alive("127.0.2.1") for _ in range(CAP)]
            over = [self.open("127.0.2.1", HEALTH) for _ in range(2)]
            self.assertEqual([status_of(sock) for sock in over], [503, 503])
            self.pull("idle connections over the per-client cap")
            # Idle connections are closed once the request limit has passed.
            self.assertEqual([closed_within(sock) for sock in idle], [True] * CAP)

            everyone = [self.kept_alive(f"127.0.3.{n}") for n in range(1, TOTAL // CAP + 1) for _ in range(CAP)]
            self.pull("idle connections filling the total cap", expected=503)
            everyone[0].sendall(SLOW_HEADERS[0])
            start = time.monotonic()
        self.figures.append(("SIGTERM with every connection held", "stopped", f"{time.monotonic() - start:.3f}", "-"))


class OperationsTests(Scratch):
    def test_sighup_reloads_the_certificate_and_tls_is_aead_only(self):
        der = lambda name: ssl.PEM_cert_to_DER_cert(pathlib.Path(self.path(name)).read_text())  # noqa: E731
        served = lambda: ssl.PEM_cert_to_DER_cert(  # noqa: E731
            ssl.get_server_certificate(("127.0.0.1", server.port), timeout=DEADLINE))
        trusting = lambda: ssl.create_default_context(cafile=self.path("first/ca.pem"))  # noqa: E731

        def install(folder):
            for kind in ("pem", "key"):
                shutil.copy(self.path(f"{folder}/server.{kind}"), self.path(f"live.{kind}"))
        for folder in ("first", "second"):
            os.makedirs(self.path(folder))
            subprocess.run(["bash", MAKE_CA, self.path(folder)], check=True, timeout=DEADLINE)
        install("first")
        with Server("--tls-cert", self.path("live.pem"), "--tls-key", self.path("live.key"),
                    database=f"sqlite:{self.path('sync.db')}") as server:
            self.assertEqual(served(), der("first/server.pem"))
            for ciphers, refused in [("ECDHE-ECDSA-AES128-SHA:ECDHE-ECDSA-AES256-SHA384", True),
                                     ("ECDHE-ECDSA-AES128-GCM-SHA256", False)]:
                with self.subTest(ciphers), (self.assertRaises(ssl.SSLError) if refused else nullcontext()):
                    server.ssl_context = trusting()
                    server.ssl_context.maximum_version = ssl.TLSVersion.TLSv1_2
                    server.ssl_context.set_ciphers(ciphers)
                    self.assertEqual(server.raw("GET", "/healthz"), (200, b"ok"))
            server.ssl_context = trusting()
            reply = server.fetch("GET", "/", headers={"Accept-Encoding": "gzip, br"})
            self.assertEqual((reply.status, reply.getheader("Strict-Transport-Security"),
                              reply.getheader("Content-Encoding")), (200, "max-age=31536000", None))

            install("second")
            server.proc.send_signal(signal.SIGHUP)
            server.wait_for_line("certificate reloaded")
            self.assertEqual(served(), der("second/server.pem"))

            with open(self.path("live.pem"), "w") as broken:
                broken.write("not a certificate\n")
            server.proc.send_signal(signal.SIGHUP)
            server.wait_for_line("serving on as before")
            self.assertEqual(served(), der("second/server.pem"))

    def test_healthz_fails_when_the_database_cannot_be_written(self):
        database = self.path("sync.db")
        with Server(database=f"sqlite:{database}") as server:
            self.assertEqual(server.raw("GET", "/healthz"), (200, b"ok"))
            # Another writer holds the write lock: reads still work, writes wait and then fail.
            holder = sqlite3.connect(database, isolation_level=None)
            holder.execute("BEGIN IMMEDIATE")
            self.assertEqual(server.fetch("GET", "/healthz", timeout=WAIT).status, 503)
            holder.execute("ROLLBACK")
            holder.close()
            self.assertEqual(server.raw("GET", "/healthz"), (200, b"ok"))

    def test_pairing_and_wrong_codes_are_limited(self):
        with Server(database=f"sqlite:{self.path('sync.db')}") as server:
            statuses = [server.call("pair", {}, source="127.0.4.1")[0] for _ in range(21)]
            self.assertEqual(statuses, [200] * 20 + [429])
            code = server.call("pair", {}, source="127.0.4.2")[1]["code"]
            # 300 wrong codes a minute in all, from 30 clients that each stay under their own ten.
            wrong = [server.call("claim", {"code": "WRONG2"}, source=f"127.0.5.{n}")[0]
                     for n in range(30) for _ in range(10)]
            self.assertEqual(wrong, [200] * 300)
            self.assertEqual(server.call("claim", {"code": code}, source="127.0.4.3"),
                             (429, {"ok": False, "error": "too many tries"}))

    def test_unused_and_idle_groups_expire(self):
        database = DATABASE or f"sqlite:{self.path('sync.db')}"
        tokens = {}
        with Server(database=database) as server:
            self.assertEqual(server.raw("GET", "/healthz"), (200, b"ok"))
            for name in ["never used", "joined", "pushed", "idle half a year"]:
                _, reply = server.call("pair", {})
                tokens[name] = reply["token"]
                if name != "never used":
                    server.call("claim", {"code": reply["code"]})
            kept = [timer(7, duration=420.5, running=True, warned=[-1, 60], color="#AABBCC")]
            server.call("push", {"token": tokens["pushed"], "rev": 7, "timers": kept})
        day = 24 * 60 * 60
        server.run_sql(f"UPDATE sync_groups SET created_at = created_at - 2 * {day}, "
                       f"updated_at = updated_at - 2 * {day}")
        idle = hashlib.sha256(tokens["idle half a year"].encode()).hexdigest()
        server.run_sql(f"UPDATE sync_groups SET updated_at = updated_at - 180 * {day} WHERE id = "
                       f"(SELECT group_id FROM sync_tokens WHERE token_hash = '{idle}')")
        with Server(database=database) as server:
            server.call("pair", {})  # expiry runs with a pairing
            statuses = {name: server.call("pull", {"token": token})[0] for name, token in tokens.items()}
            self.assertEqual(statuses, {"never used": 403, "joined": 200, "pushed": 200, "idle half a year": 403})
            # What was accepted outlives the restart.
            self.assertEqual(server.call("pull", {"token": tokens["pushed"]}),
                             (200, {"ok": True, "rev": 7, "timers": kept}))

    def test_logged_fields_are_escaped(self):
        with Server("--behind-proxy", database=f"sqlite:{self.path('sync.db')}") as server:
            reply = server.fetch("GET", "/healthz", headers={"X-Forwarded-For": "10.0.0.1, \x1b[31mred\\ x"})
            self.assertEqual(reply.status, 200)
        line = next(line for line in server.lines if "/healthz" in line)
        self.assertIn(" \\x1b[31mred\\x5c\\x20x GET /healthz 200", line)
        self.assertNotIn("\x1b", "\n".join(server.lines))


if __name__ == "__main__":
    unittest.main(verbosity=2)
