#!/usr/bin/python3
"""End to end: Pellow's tray item in the hosts that show it, each under a private session bus
(dbus-run-session); a host that cannot start fails the test.

  tray_hosts_e2e.py client <pellow> <pellow-screen-grab>
      libdbusmenu-glib, the reference dbusmenu client, reads Pellow's whole menu and its click
      (EventGroup) pauses the timer it belongs to.
  tray_hosts_e2e.py panel <pellow> <pellow-screen-grab>
      Debian's xfce4-panel with its own tray under Xvfb draws the icon, with the running clock in
      it, in clear contrast to a light and to a dark panel.
  tray_hosts_e2e.py indicator <pellow> <pellow-screen-grab>
      The same in its indicator plugin, the item coming through Ayatana's service, the clock in
      the label beside the glyph.
  tray_hosts_e2e.py lxqt <pellow> <pellow-screen-grab>
      The same in Debian's lxqt-panel with its status notifier plugin.
  tray_hosts_e2e.py mate <pellow> <pellow-screen-grab>
      Debian's mate-panel, whose notification area shows a label in place of the icon, draws the
      icon with the clock in it.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Dbusmenu", "0.4")
from gi.repository import Dbusmenu, GLib  # noqa: E402
from sync_e2e import WATCHER, Processes, bus_call, bus_names, bus_property, print_logs, start_xvfb  # noqa: E402
from sync_e2e import stored, timer, watcher_items, write_prefs  # noqa: E402
from sync_e2e import wait_for as shared_wait_for  # noqa: E402


def pump(seconds=0.05):
    """Runs the GLib main loop for a moment, so the reference client can take its replies."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)


def wait_for(what, probe, seconds):
    """As the other e2e scripts wait, with the margin in `seconds`, running the GLib loop meanwhile."""
    return shared_wait_for(what, probe, seconds, step=pump, margin=1)


class Run(Processes):
    def __init__(self, pellow, work):
        super().__init__(work)
        self.pellow = pellow
        self.names = ["xvfb"]  # start_xvfb's
        self.env = dict(os.environ)
        for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR", "TMPDIR"):
            path = os.path.join(work, name.lower())
            os.makedirs(path, mode=0o700, exist_ok=True)
            self.env[name] = path
        self.env.update(LC_ALL="C.UTF-8", TZ="UTC", QT_LOGGING_RULES="qt.multimedia*=false")
        self.env.pop("WAYLAND_DISPLAY", None)
        self.prefs = os.path.join(work, "xdg_config_home", "pellow", "preferences.json")

    def start(self, name, args, pass_fds=(), **env):
        log = open(os.path.join(self.work, name + ".log"), "ab")
        try:
            proc = subprocess.Popen(args, env=dict(self.env, **env), stdout=log, stderr=log, pass_fds=pass_fds)
        except OSError as error:
            raise AssertionError(f"{args[0]} cannot start ({error}); scripts/deps.sh installs what the tests need")
        self.procs.append(proc)
        self.names.append(name)
        return proc

    def write_timers(self, timers, **prefs):
        write_prefs(self.prefs, dict(prefs, timers=timers))

    def stored(self):
        """The stored timers by label."""
        return {t["label"]: t for t in stored(self.prefs).get("timers", [])}

    call = staticmethod(bus_call)


def countdown(label, seconds, running=True, **more):
    return timer("e2e-" + label.lower(), label, running, seconds, **more)


# --- The reference client

DEFAULTS = {"type": "standard", "enabled": True, "visible": True}


def normal(props):
    """An item's properties as the protocol means them: defaults left out, icon data as its size."""
    out = {k: v for k, v in props.items() if DEFAULTS.get(k, object()) != v and v is not None}
    if "icon-data" in out:
        out["icon-data"] = bytes(out["icon-data"])[:4]
    return out


def raw_tree(run, service):
    """The whole layout as any host reads it, over plain D-Bus."""
    _, (_, props, children) = run.call(service, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                                       GLib.Variant("(iias)", (0, -1, [])))

    def node(props, children):
        return {"props": normal(props), "children": [node(c[1], c[2]) for c in children]}
    return node(props, children)


def client_tree(item):
    """The same as the reference client holds it."""
    props = {name: item.property_get_variant(name).unpack() for name in item.properties_list()}
    return {"props": normal(props), "children": [client_tree(c) for c in item.get_children()]}


def find(item, start):
    for child in item.get_children():
        if (child.property_get("label") or "").startswith(start):
            return child
        deeper = find(child, start)
        if deeper:
            return deeper
    return None


def test_client(run):
    run.write_timers([countdown("Tea", 1500, color="teal"), countdown("Egg", 600)])
    pellow = run.start("pellow", [run.pellow], QT_QPA_PLATFORM="offscreen")
    service = f"org.kde.StatusNotifierItem-{pellow.pid}-1"
    wait_for("Pellow's tray item on the bus", lambda: service in bus_names(), 30)
    client = Dbusmenu.Client.new(service, "/MenuBar")

    def in_step():
        """The client's tree once it holds all the layout says."""
        if pellow.poll() is not None:
            raise AssertionError(f"pellow exited with {pellow.returncode}")
        root = client.get_root()
        if root is None:
            return None
        ours, theirs = client_tree(root), raw_tree(run, service)
        return theirs if ours == theirs and theirs["children"] else None

    tree = wait_for("the reference client holding the whole menu", in_step, 30)
    # The menu model's own tests check what each item says; here each kind of property must have
    # come over the bus into the client: check boxes on and off, submenus, the swatch as a PNG.
    kinds = set()
    walk = lambda node: [kinds.update((k, v) for k, v in node["props"].items() if k != "label"),  # noqa: E731
                         *map(walk, node["children"])]
    walk(tree)
    wanted = {("toggle-type", "checkmark"), ("toggle-state", 0), ("toggle-state", 1), ("children-display", "submenu")}
    if not wanted <= kinds:
        raise AssertionError(f"the menu carries none of {sorted(wanted - kinds)}")
    tea = tree["children"][0]["props"]
    if not tea["label"].startswith("Pause  Tea \u2014 ") or tea.get("icon-data") != b"\x89PNG":
        raise AssertionError(f"Tea's item, first, carries no PNG swatch: {tea}")

    # A timer's own Pause, two submenus deep, as the client sends it.
    egg_pause = [c for c in find(client.get_root(), "Egg \u2014 ").get_children()
                 if c.property_get("label") == "Pause"][0]
    egg_pause.handle_event("clicked", GLib.Variant("i", 0), 0)
    wait_for("Egg paused in the preference file", lambda: run.stored().get("Egg", {}).get("running") is False, 15)
    if run.stored()["Tea"]["running"] is not True:
        raise AssertionError("the click on Egg's Pause paused Tea too")
    with open(os.path.join(run.work, "pellow.log"), errors="replace") as f:
        skipped = [line for line in f if "Skipped method" in line or "Unregistered" in line]
    if skipped:
        raise AssertionError("QtDBus left parts of the interface out: " + "".join(skipped))
    return "the reference client read the whole menu and its click paused Egg"


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("client", "panel", "indicator", "lxqt", "mate"):
        print(__doc__, file=sys.stderr)
        return 2
    name, work = f"e2e_tray_{sys.argv[1]}", tempfile.mkdtemp(prefix="pellow-tray-")
    run = Run(os.path.abspath(sys.argv[2]), work)
    run.grab = os.path.abspath(sys.argv[3])
    try:
        done = {"client": test_client, "panel": lambda run: test_panel(run, start_xfce_panel, True),
                "indicator": lambda run: test_panel(run, start_indicator_panel, True, labels=True),
                "lxqt": lambda run: test_panel(run, start_lxqt_panel, False), "mate": test_mate}[sys.argv[1]](run)
        print(f"PASS {name}: {done}")
        return 0
    except AssertionError as failure:
        print_logs(work, run.names)
        print(f"FAIL {name}: {failure}")
        return 1
    finally:
        run.stop_all()
        shutil.rmtree(work, ignore_errors=True)


# --- A real panel

PANEL_XML = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="{size}"/>
      <property name="background-style" type="uint" value="1"/>
      <property name="background-rgba" type="array">
        <value type="double" value="{grey}"/><value type="double" value="{grey}"/>
        <value type="double" value="{grey}"/><value type="double" value="1"/>
      </property>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="{plugin}"/>
  </property>
</channel>
"""
PANEL_SIZE = 32
FACE = (0xf7, 0xf7, 0xf5)  # the face the clock is drawn on


def read_ppm(path):
    """Width, height and RGB bytes of a binary PPM with one byte a channel."""
    with open(path, "rb") as f:
        data = f.read()
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    width, height = int(header[1]), int(header[2])
    return width, height, data[header.end():header.end() + width * height * 3]


def luminance(rgb):
    def channel(c):
        c /= 255
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def panel_strip(run):
    """The panel's pixels: its background and the pixels that stand out from it by 3:1 or more."""
    shot = os.path.join(run.work, "screen.ppm")
    if subprocess.run([run.grab, shot], env=run.display_env, capture_output=True, timeout=30).returncode:
        return None
    width, _, pixels = read_ppm(shot)
    strip = [tuple(pixels[i:i + 3]) for i in range(0, width * PANEL_SIZE * 3, 3)]
    background = max(set(strip), key=strip.count)
    marks = frozenset((i % width, i // width) for i, p in enumerate(strip) if contrast(p, background) >= 3)
    return background, marks, strip


def holes(marks):
    """Pixels that stand out from nothing but are ringed by those that do: a glyph's hands, not a blob."""
    rows, cols = {}, {}
    for x, y in marks:
        rows.setdefault(y, []).append(x)
        cols.setdefault(x, []).append(y)
    return sum(1 for y, xs in rows.items() for x in range(min(xs), max(xs) + 1)
               if (x, y) not in marks and x in cols and min(cols[x]) < y < max(cols[x]))


def activation_environment(run, *names):
    """Services the bus starts on demand get this run's environment."""
    run.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "UpdateActivationEnvironment",
             GLib.Variant("(a{ss})", ({k: run.env[k] for k in ("HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                                                 "XDG_DATA_HOME", "XDG_RUNTIME_DIR", *names)},)))


def start_host(run, name, args, **env):
    """Starts a panel and waits for the watcher's name on the bus; a panel that exits fails the test."""
    panel = run.start(name, args, **env)

    def watcher_up():
        if panel.poll() is not None:
            raise AssertionError(f"{name} exited with {panel.returncode} before the watcher's name was taken")
        return WATCHER in bus_names()
    wait_for(f"{name} taking org.kde.StatusNotifierWatcher (the panel could not start)", watcher_up, 60)
    return panel


def start_xfce_panel(run, dark, plugin="systray"):
    grey = 0.14 if dark else 0.94
    config = os.path.join(run.env["XDG_CONFIG_HOME"], "xfce4", "xfconf", "xfce-perchannel-xml")
    if os.path.exists(config):  # xfconfd holds the settings now: change them through it
        subprocess.run(["xfconf-query", "-c", "xfce4-panel", "-p", "/panels/panel-1/background-rgba"]
                       + ["-t", "double", "-s", str(grey)] * 3 + ["-t", "double", "-s", "1"],
                       env=run.env, check=True, timeout=30)
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "xfce4-panel.xml"), "w") as f:
        f.write(PANEL_XML.format(size=PANEL_SIZE, grey=grey, plugin=plugin))
    activation_environment(run)  # xfconfd starts on demand
    theme = {"GTK_THEME": "Adwaita:dark"} if dark else {}
    return start_host(run, "xfce4-panel-dark" if dark else "xfce4-panel", ["xfce4-panel", "--disable-wm-check"],
                      NO_AT_BRIDGE="1", **run.display_env, **theme)


def registered(run, item):
    return any(i.startswith(item) for i in watcher_items())


def check_panel(run, item, shade):
    """The panel draws the clock in the icon, legibly, and then the plain glyph."""
    wait_for(f"Pellow's item registered with the {shade} panel's watcher", lambda: registered(run, item), 30)
    if bool(bus_property(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "XAyatanaLabel")) != run.labels:
        raise AssertionError("on this panel the clock should be " + ("in the label" if run.labels else
                                                                      "drawn into the icon, not put in the label"))
    first = wait_for(f"the {shade} panel showing the item in clear contrast",
                     lambda: (lambda s: s if s and len(s[1]) >= 30 else None)(panel_strip(run)), 30)
    # The clock counts down in the icon: the drawn pixels change as the seconds go.
    wait_for(f"the clock moving in the icon on the {shade} panel",
             lambda: (lambda s: s and s[1] != first[1] and len(s[1]) >= 30)(panel_strip(run)), 20)
    # With no timer left the item shows the glyph, clear on the panel, its hands showing through:
    # recoloured by a panel that recolours symbolic icons, on its light face elsewhere.
    run.call("app.pellow.Pellow", "/app/pellow/Pellow", "app.pellow.Pellow", "Remove",
             GLib.Variant("(s)", (run.stored()["Tea"]["id"],)))
    wait_for(f"the plain glyph shown on the {shade} panel", lambda: bus_property(
        item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "IconName") != "", 15)
    wait_for(f"the glyph in clear contrast to the {shade} panel",
             lambda: (lambda s: s and (FACE not in s[2]) == run.recolours and len(s[1]) >= 40
                      and holes(s[1]) >= 6)(panel_strip(run)),
             30)


LXQT_PANEL_CONF = """[General]
__userfile__=true

[panel1]
plugins=statusnotifier
position=Top
panelSize={size}
background-color={colour}

[statusnotifier]
type=statusnotifier
"""


def start_lxqt_panel(run, dark):
    config = os.path.join(run.env["XDG_CONFIG_HOME"], "lxqt")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "panel.conf"), "w") as f:
        f.write(LXQT_PANEL_CONF.format(size=PANEL_SIZE, colour="#242424" if dark else "#f0f0f0"))
    return start_host(run, "lxqt-panel-dark" if dark else "lxqt-panel", ["lxqt-panel"], **run.display_env)


def start_indicator_panel(run, dark):
    """XFCE's indicator plugin, whose items come from Ayatana's service, the watcher there."""
    if WATCHER not in bus_names():
        run.start("ayatana-indicator-application-service",
                  ["/usr/libexec/ayatana-indicator-application/ayatana-indicator-application-service"])
        wait_for("Ayatana's service taking org.kde.StatusNotifierWatcher", lambda: WATCHER in bus_names(), 60)
    return start_xfce_panel(run, dark, "indicator")


def test_panel(run, start_panel, recolours, labels=False):
    run.recolours, run.labels = recolours, labels
    run.display_env = {"DISPLAY": start_xvfb(run), "QT_QPA_PLATFORM": "xcb"}
    run.env.update(run.display_env)

    panel = start_panel(run, dark=False)
    run.write_timers([countdown("Tea", 59)])  # the last minute: the icon counts the seconds
    pellow = run.start("pellow", [run.pellow])
    item = f"org.kde.StatusNotifierItem-{pellow.pid}-1"
    check_panel(run, item, "light")

    # The same Pellow in a dark panel that replaces the light one.
    panel.terminate()
    panel.wait(timeout=30)
    start_panel(run, dark=True)
    subprocess.run([run.pellow, "new", "0:59", "Tea"], env=run.env, check=True, timeout=30)
    check_panel(run, item, "dark")
    if pellow.poll() is not None:
        raise AssertionError(f"pellow exited with {pellow.returncode}")
    return "the panel drew the item and its clock in clear contrast on a light and on a dark panel"


def test_mate(run):
    run.display_env = {"DISPLAY": start_xvfb(run), "QT_QPA_PLATFORM": "xcb"}
    run.env.update(run.display_env)
    activation_environment(run, "DISPLAY")  # its applets start on demand
    start_host(run, "mate-panel", ["mate-panel"], NO_AT_BRIDGE="1")
    run.write_timers([countdown("Tea", 300)])
    pellow = run.start("pellow", [run.pellow])
    item = f"org.kde.StatusNotifierItem-{pellow.pid}-1"
    wait_for("Pellow's item registered with MATE's watcher", lambda: registered(run, item), 30)
    try:
        bus_property(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "XAyatanaLabel")
        raise AssertionError("the item offers a label property, which MATE shows in place of the icon")
    except GLib.Error:
        pass

    def icon_drawn():
        found = re.search(r'"notification-area-applet": \("notification-area-applet".*?\)\s+(\d+)x(\d+)\+0\+0\s+\+(\d+)\+(\d+)',
                          subprocess.run(["xwininfo", "-root", "-tree"], env=run.env, capture_output=True, text=True,
                                         timeout=30).stdout)
        shot = os.path.join(run.work, "screen.ppm")
        if not found or subprocess.run([run.grab, shot], env=run.display_env, capture_output=True,
                                       timeout=30).returncode:
            return False
        w, h, x0, y0 = (int(v) for v in found.groups())
        width, _, pixels = read_ppm(shot)
        area = [tuple(pixels[((y0 + y) * width + x0 + x) * 3:][:3]) for y in range(h) for x in range(w)]
        # The clock's face, and its rim and digits in clear contrast to it.
        return area.count(FACE) >= 30 and sum(1 for p in area if contrast(p, FACE) >= 3) >= 20
    wait_for("MATE's notification area drawing Pellow's icon (its face, rim and digits)", icon_drawn, 30)
    if pellow.poll() is not None:
        raise AssertionError(f"pellow exited with {pellow.returncode}")
    return "mate-panel's notification area drew the icon with the clock in it, the item offering no label"


if __name__ == "__main__":
    sys.exit(main())
