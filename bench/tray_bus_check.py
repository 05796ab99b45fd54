#!/usr/bin/python3
"""What Pellow's tray item costs a real panel on the session bus (a benchmark, not a test).

Runs Pellow on Xvfb with Debian's xfce4-panel hosting its item, on a private session bus, and
records the bus for the given seconds (default 60) with one running countdown, twice: with 25
minutes left (the clock in the icon changes once a minute) and with 9 minutes left (it shows
seconds). Reports the bytes Pellow sent per minute, its signals, and the property reads the
panel made of it.

    dbus-run-session -- python3 bench/tray_bus_check.py build-release/bin/pellow \\
        build-release/bin/pellow-screen-grab [SECONDS]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from tray_hosts_e2e import GLib, Run, countdown, registered, start_panel, wait_for  # noqa: E402


def messages(pcap):
    """(length, type, sender, destination, member) of each message in a dbus-monitor --pcap file."""
    with open(pcap, "rb") as f:
        data = f.read()
    at = 24
    while at + 16 <= len(data):
        length = struct.unpack_from("<I", data, at + 8)[0]
        yield (length,) + header(data[at + 16:at + 16 + length])
        at += 16 + length


def header(msg):
    order = "<" if msg[:1] == b"l" else ">"
    fields_len = struct.unpack_from(order + "I", msg, 12)[0]
    at, end, found = 16, 16 + fields_len, {}
    while at < end:
        at = (at + 7) & ~7
        code, sig_len = msg[at], msg[at + 1]
        sig = msg[at + 2:at + 2 + sig_len].decode()
        at += 3 + sig_len
        if sig in ("s", "o"):
            at = (at + 3) & ~3
            n = struct.unpack_from(order + "I", msg, at)[0]
            found[code] = msg[at + 4:at + 4 + n].decode(errors="replace")
            at += 5 + n
        elif sig == "g":
            at += 2 + msg[at]
        else:  # "u"
            at = ((at + 3) & ~3) + 4
    return msg[1], found.get(7), found.get(6), found.get(3)


def measure(run, seconds, minutes_left):
    run.write_timers([countdown("Tea", minutes_left * 60)])
    pellow = run.start(f"pellow-{minutes_left}", [run.pellow])
    item = f"org.kde.StatusNotifierItem-{pellow.pid}-1"
    wait_for("the item registered with the panel", lambda: registered(run, item), 30)
    owner = run.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner",
                     GLib.Variant("(s)", (item,)))[0]
    time.sleep(3)  # past the first reads
    pcap = os.path.join(run.work, f"bus-{minutes_left}.pcap")
    monitor = subprocess.Popen(["dbus-monitor", "--session", "--pcap"], stdout=open(pcap, "wb"),
                               stderr=subprocess.DEVNULL, env=run.env)
    time.sleep(seconds)
    monitor.terminate()
    monitor.wait()
    pellow.terminate()
    pellow.wait()
    sent = [m for m in messages(pcap) if m[2] == owner]
    reads = [m for m in messages(pcap) if m[3] == owner and m[1] == 1 and m[4] in ("Get", "GetAll")]
    signals = {}
    for m in sent:
        if m[1] == 4:
            signals[m[4]] = signals.get(m[4], 0) + 1
    per_minute = 60 / seconds
    print(f"countdown with {minutes_left} min left: {sum(m[0] for m in sent) * per_minute:.0f} bytes/min sent by "
          f"Pellow, {len(reads) * per_minute:.0f} property reads/min by the panel, signals/min "
          + ", ".join(f"{k} {v * per_minute:.0f}" for k, v in sorted(signals.items())))


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    seconds = int(sys.argv[3]) if len(sys.argv) == 4 else 60
    work = tempfile.mkdtemp(prefix="pellow-tray-bench-")
    run = Run(os.path.abspath(sys.argv[1]), work)
    run.grab = os.path.abspath(sys.argv[2])
    try:
        display = os.path.join(work, "display")
        with open(display, "w") as fd:
            run.start("xvfb", ["Xvfb", "-displayfd", str(fd.fileno()), "-screen", "0", "800x600x24", "-nolisten",
                               "tcp"], pass_fds=(fd.fileno(),))
        wait_for("Xvfb", lambda: open(display).read().strip().isdigit(), 30)
        run.display_env = {"DISPLAY": ":" + open(display).read().strip(), "QT_QPA_PLATFORM": "xcb"}
        run.env.update(run.display_env)
        start_panel(run, dark=False)
        for minutes_left in (25, 9):
            measure(run, seconds, minutes_left)
        return 0
    finally:
        run.stop_all()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
