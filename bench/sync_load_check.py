#!/usr/bin/python3
"""A bounded load check of pellow-sync-server (a benchmark, not a test).

50 clients each pull and then push the next revision 100 times, all against one group, on a
server of its own on loopback. Afterwards the stored revision must equal the number of accepted
pushes (each accepted push moves it by exactly one) and every request must have had its reply.

    PELLOW_SYNC_SERVER=build/bin/pellow-sync-server bench/sync_load_check.py [DATABASE_URL]
    PELLOW_SYNC_SERVER=... tests/server/with_postgresql.sh bench/sync_load_check.py
"""
import os
import sys
import tempfile
import threading
import time

# The server harness of the protocol tests.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "server"))
from sync_server_test import Server, timer  # noqa: E402

CLIENTS = 50
ROUNDS = 100


def main():
    folder = tempfile.TemporaryDirectory()
    database = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("PELLOW_SYNC_DATABASE")
    server = Server(database=database or f"sqlite:{folder.name}/load.db")
    try:
        _, pair = server.call("pair", {})
        _, claim = server.call("claim", {"code": pair["code"]})
        tokens = [pair["token"], claim["token"]]
        accepted = [0] * CLIENTS
        failures = []

        def client(n):
            try:
                rounds(n)
            except OSError as e:
                failures.append(repr(e))

        def rounds(n):
            token = tokens[n % 2]
            for i in range(ROUNDS):
                status, pulled = server.call("pull", {"token": token})
                if status != 200 or not pulled.get("ok"):
                    failures.append((status, pulled))
                    return
                status, pushed = server.call("push", {"token": token, "rev": pulled["rev"] + 1,
                                                      "timers": [timer(n, banked=i)]})
                if status != 200 or ("stale" not in pushed and pushed != {"rev": pulled["rev"] + 1}):
                    failures.append((status, pushed))
                    return
                accepted[n] += "stale" not in pushed

        start = time.monotonic()
        threads = [threading.Thread(target=client, args=(n,)) for n in range(CLIENTS)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(600)
        seconds = time.monotonic() - start
        _, final = server.call("pull", {"token": tokens[0]})
        requests = CLIENTS * ROUNDS * 2
        print(f"{requests} requests in {seconds:.1f} s ({requests / seconds:.0f}/s); "
              f"{sum(accepted)} pushes accepted, stored revision {final['rev']}")
        if failures or final["rev"] != sum(accepted):
            print("FAILED:", failures[:5] or "revision differs from accepted pushes")
            return 1
        return 0
    finally:
        server.stop()
        folder.cleanup()


if __name__ == "__main__":
    sys.exit(main())
