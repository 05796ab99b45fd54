#!/usr/bin/python3
"""What the real Pellow costs while it waits (a benchmark, not a test).

Runs Pellow offscreen on a private session bus with a real StatusNotifierWatcher, each case for
the given seconds (default 60), and reports its resident memory, its wake-ups per minute (context
switches of the main thread, and of all threads) and its CPU time per minute:
  idle      two paused timers;
  idle-panel   the same on Xvfb under xfwm4, the item shown by a StatusNotifierItem host;
  idle-xembed  the same on Xvfb with trayer and no StatusNotifierItem host (the XEmbed fallback);
  running   one running countdown;
  paired    two paused timers, paired with a pellow-sync-server on loopback (a poll every 15 s);
  hud-1     one running countdown with the HUD shown, on Xvfb under xfwm4 with its compositor;
  hud-10    ten running countdowns with the HUD shown, likewise;
  floor     not Pellow: pellow_bench_floor (beside the pellow given), the least a Qt program pays
            for a tick with the HUD shown (one wake-up, one digit repainted, one D-Bus signal), on
            the same display and bus. What the HUD cases cost above it is Pellow's own.
The HUD cases also give wake-ups per second and CPU per tick (per second). Budget: hud-10 at most 3
wake-ups/s and 0.3 ms a tick, hud-1 at most 2 and 0.1 ms; idle at most 2 wake-ups/min and 30 MB.

    bench/idle_check.py build-release/bin/pellow build-release/bin/pellow-sync-server [SECONDS] [CASE...]
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
    """Voluntary context switches: each is a wait that something later ended, a wake-up. (Being
    preempted by other programs on a busy machine is not one.)"""
    with open(status) as f:
        return sum(int(line.split()[1]) for line in f if line.startswith("voluntary_ctxt_switches"))


def sample(pid):
    """Per thread: (main thread?, switches, CPU ms); and the resident kB."""
    threads = {}
    for task in glob.glob(f"/proc/{pid}/task/*"):
        try:
            with open(f"{task}/schedstat") as f:
                cpu_ms = int(f.read().split()[0]) / 1e6
            threads[task] = (task.endswith(f"/{pid}"), switches(f"{task}/status"), cpu_ms)
        except FileNotFoundError:  # the thread ended meanwhile
            pass
    with open(f"/proc/{pid}/status") as f:
        rss = next(int(line.split()[1]) for line in f if line.startswith("VmRSS"))
    return threads, rss


def difference(before, after):
    """(main thread's switches, all threads' switches), CPU ms between two samples. A thread that
    ended between them (a pool thread left idle from the launch) drops out; one that started counts
    from zero."""
    main = every = cpu = 0
    for task, (is_main, count, cpu_ms) in after.items():
        _, count0, cpu0 = before.get(task, (is_main, 0, 0.0))
        every += count - count0
        cpu += cpu_ms - cpu0
        if is_main:
            main = count - count0
    return (main, every), cpu


def timers_for(case):
    if case.startswith("idle"):
        return [timer("a", "Tea"), timer("b", "Egg")]
    if case == "floor":
        return []
    if case.startswith("hud-"):
        # Lengths a few seconds apart, so the rows change on different ticks of the ten.
        made = []
        for n in range(int(case[4:])):
            t = timer(f"t{n}", f"Timer {n + 1}", True)
            t["duration"] = 3600 + 7 * n
            made.append(t)
        return made
    return [timer("a", "Tea", case == "running")] + ([] if case == "running" else [timer("b", "Egg")])


def start_display(work):
    """Xvfb and xfwm4 with its compositor; (display, processes). Tries again when another Xvfb
    starting at the same moment takes the display number."""
    log = open(os.path.join(work, "x.log"), "ab")
    for _ in range(5):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1920x1080x24", "-nolisten",
                                 "tcp"], stdout=log, stderr=log, pass_fds=(write_end,))
        os.close(write_end)
        number = os.read(read_end, 16).decode().strip()
        os.close(read_end)
        display = ":" + number
        for _ in range(50):  # bounded: the display answers within seconds
            if number and subprocess.run(["xwininfo", "-root", "-display", display],
                                         capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        else:
            xvfb.kill()
            xvfb.wait()
            continue
        wm = subprocess.Popen(["xfwm4", "--compositor=on", "--display", display], stdout=log, stderr=log,
                              env=dict(os.environ, DISPLAY=display))
        time.sleep(1)  # the window manager takes the screen
        return display, [wm, xvfb]
    sys.exit("Xvfb did not start")


def measure(case, pellow, server, seconds):
    root = os.path.dirname(os.path.abspath(__file__))
    with tempfile.TemporaryDirectory(prefix="pellow-idle.") as work:
        env = isolated_env(work)
        os.environ.update(env)
        hud = case.startswith("hud-")
        per_tick = hud or case == "floor"
        on_x = per_tick or case in ("idle-panel", "idle-xembed")
        program = os.path.join(os.path.dirname(pellow), "pellow_bench_floor") if case == "floor" else pellow
        prefs = {"timers": timers_for(case)}
        if hud:
            prefs["timerHUDVisible"] = True
        run = None
        if case == "paired":
            run = Run(pellow, server, None, os.path.join(root, "..", "tests", "support", "make-test-ca.sh"), work)
            run.start_server()
            token = run.sync("pair", {})["token"]
            prefs.update(syncServer=run.base, syncServerCertificate=os.path.join(work, "ca.pem"), syncToken=token)
        os.makedirs(f"{work}/config/pellow", exist_ok=True)
        with open(f"{work}/config/pellow/preferences.json", "w") as f:
            json.dump(prefs, f)
        platform = "QT_QPA_PLATFORM=offscreen"
        x = []
        host = "status-notifier-watcher"
        if on_x:
            display, x = start_display(work)
            platform = f"QT_QPA_PLATFORM=xcb DISPLAY={display}"
            if case == "idle-xembed":
                host = f"DISPLAY={display} trayer --edge bottom --align right --widthtype request"
        script = (f"{host} & w=$!; {platform} \"$0\" & p=$!; echo $p; "
                  "wait $p; kill $w")
        session = subprocess.Popen(["dbus-run-session", "--", "bash", "-c", script, program], env=env,
                                   stdout=subprocess.PIPE, stderr=open(os.path.join(work, "pellow.log"), "w"), text=True)
        pid = int(session.stdout.readline())
        try:
            time.sleep(1)
            if not os.path.exists(f"/proc/{pid}/status"):
                sys.exit(f"{case}: pellow exited at once:\n" + open(os.path.join(work, "pellow.log")).read())
            time.sleep(5)  # launch settles: sounds load, the item registers
            before, _ = sample(pid)
            time.sleep(seconds)
            after, rss = sample(pid)
            (main, every), cpu = difference(before, after)
        finally:
            subprocess.run(["kill", str(pid)])
            session.wait(timeout=15)
            if run:
                run.stop_all()
            for p in x:
                p.terminate()
                p.wait(timeout=15)
        per_minute = 60 / seconds
        print(f"{case:8} {rss / 1024:6.1f} MB resident  {main * per_minute:6.1f} wake-ups/min of the "
              f"main thread ({every * per_minute:6.1f} of all threads)  {cpu * per_minute:6.1f} ms CPU/min"
              + (f"  = {every / seconds:5.1f} wake-ups/s, {cpu / seconds:5.2f} ms CPU/tick" if per_tick else ""))
        sys.stdout.flush()


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    pellow, server = (os.path.abspath(a) for a in sys.argv[1:3])
    seconds = float(sys.argv[3]) if len(sys.argv) >= 4 else 60
    cases = sys.argv[4:] or ["idle", "idle-panel", "idle-xembed", "running", "paired", "hud-1", "hud-10", "floor"]
    for case in cases:
        measure(case, pellow, server, seconds)


if __name__ == "__main__":
    main()
