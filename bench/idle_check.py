#!/usr/bin/env python3
"""What the real Pellow costs while it waits (a benchmark, not a test).

Runs Pellow offscreen on a private session bus with a real StatusNotifierWatcher, each case for
the given seconds (default 60), and reports its resident memory, its wake-ups per minute (context
switches of the main thread, and of all threads) and its CPU time per minute:
  idle      two paused timers;
  running   one running countdown;
  paired    two paused timers, paired with a pellow-sync-server on loopback (a poll every 15 s).

    bench/idle_check.py build-release/bin/pellow build-release/bin/pellow-sync-server [SECONDS]
"""
import glob
import json
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from sync_e2e import Run, isolated_env, timer  # noqa: E402


def switches(status):
    with open(status) as f:
        return sum(int(line.split()[1]) for line in f if "ctxt_switches" in line)


def sample(pid):
    """(main thread's switches, all threads' switches), CPU ms, resident kB."""
    main = switches(f"/proc/{pid}/task/{pid}/status")
    every = sum(switches(status) for status in glob.glob(f"/proc/{pid}/task/*/status"))
    cpu_ns = 0
    for schedstat in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        with open(schedstat) as f:
            cpu_ns += int(f.read().split()[0])
    with open(f"/proc/{pid}/status") as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS"))
    return (main, every), cpu_ns / 1e6, rss


def measure(case, pellow, server, seconds):
    root = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory(prefix="pellow-idle.") as work:
        env = isolated_env(work)
        os.environ.update(env)
        prefs = {"timers": [timer("a", "Tea", case == "running")] + ([] if case == "running" else [timer("b", "Egg")])}
        run = None
        if case == "paired":
            run = Run(pellow, server, None, os.path.join(root, "..", "tests", "support", "make-test-ca.sh"), work)
            run.start_server()
            token = run.sync("pair", {})["token"]
            prefs.update(syncServer=run.base, syncServerCertificate=os.path.join(work, "ca.pem"), syncToken=token)
        os.makedirs(f"{work}/config/pellow", exist_ok=True)
        with open(f"{work}/config/pellow/preferences.json", "w") as f:
            json.dump(prefs, f)
        script = ("status-notifier-watcher & w=$!; QT_QPA_PLATFORM=offscreen \"$0\" & p=$!; echo $p; "
                  "wait $p; kill $w")
        session = subprocess.Popen(["dbus-run-session", "--", "bash", "-c", script, pellow], env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        pid = int(session.stdout.readline())
        try:
            time.sleep(5)  # launch settles: sounds load, the item registers
            s0, c0, _ = sample(pid)
            time.sleep(seconds)
            s1, c1, rss = sample(pid)
        finally:
            subprocess.run(["kill", str(pid)])
            session.wait(timeout=15)
            if run:
                run.stop_all()
        per_minute = 60 / seconds
        print(f"{case:8} {rss / 1024:6.1f} MB resident  {(s1[0] - s0[0]) * per_minute:6.1f} wake-ups/min of the "
              f"main thread ({(s1[1] - s0[1]) * per_minute:6.1f} of all threads)  {(c1 - c0) * per_minute:6.1f} ms CPU/min")


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    pellow, server = (os.path.abspath(a) for a in sys.argv[1:3])
    seconds = float(sys.argv[3]) if len(sys.argv) == 4 else 60
    for case in ("idle", "running", "paired"):
        measure(case, pellow, server, seconds)


if __name__ == "__main__":
    main()
