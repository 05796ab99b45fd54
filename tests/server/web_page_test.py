#!/usr/bin/env python3
"""The phone page in headless Chromium (Selenium) against the real pellow-sync-server on loopback.
PELLOW_SYNC_SERVER names the server, PELLOW_TIME_TEXTS_PROBE the probe that gives Pellow's own time
texts. Exits 77 (skipped) only when Chromium cannot be started."""
import json
import os
import subprocess
import sys
import time
import unittest

from sync_server_test import REVISIONS, Server, ServerCase, timer

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from headless_chromium import By, WebDriverWait, start  # noqa: E402

PROBE = os.environ["PELLOW_TIME_TEXTS_PROBE"]
OFFLINE = "Can't reach the sync server"
BROWSER = None


def record(label, duration=300, **fields):
    return timer(0, **{"id": f"ID-{label or duration}", "label": label, "duration": duration, "startedAt": 0, **fields})


def offline(yes):
    BROWSER.set_network_conditions(offline=yes, latency=0, download_throughput=-1, upload_throughput=-1)


MARGIN = 3  # each wait is its event's usual bound; a loaded machine gets three times it


def until(check, timeout=10, message="condition"):
    """What check() gives once it is true, polled every 0.1 s for at most MARGIN times `timeout`."""
    return WebDriverWait(BROWSER, MARGIN * timeout, poll_frequency=0.1).until(lambda _: check(), f"waiting for {message}")


class PageCase(ServerCase):
    def setUp(self):
        offline(False)
        BROWSER.get(f"http://127.0.0.1:{self.server.port}/")
        BROWSER.execute_script("localStorage.clear()")
        BROWSER.refresh()
        until(lambda: self.shown("#pairing"), message="the pairing form")

    def shown(self, selector):
        return BROWSER.execute_script(f"const e = document.querySelector('{selector}'); return e && !e.hidden "
                                      "&& e.offsetParent !== null && e.textContent")

    def text(self, selector):
        return BROWSER.execute_script(f"return document.querySelector('{selector}').textContent")

    def rows(self):
        return BROWSER.execute_script(
            "return [...document.querySelectorAll('#list li')].map(li => ['.name', '.clock', '.detail']"
            ".map(s => li.querySelector(s).textContent))")

    def tap(self, xpath):
        """Scrolls the element to the middle of the screen, clear of the bar at the bottom, and taps it."""
        element = BROWSER.find_element(By.XPATH, xpath)
        BROWSER.execute_script("arguments[0].scrollIntoView({block: 'center'})", element)
        element.click()

    def tap_row(self, name, act):
        self.tap(f"//li[.//span[@class='name' and text()='{name}']]//button[@data-act='{act}']")

    def type_into(self, selector, text):
        field = BROWSER.find_element(By.CSS_SELECTOR, selector)
        field.clear()
        field.send_keys(text)

    def paired_page(self, timers, server=None):
        """Pairs as the desktop does, pushes `timers` as revision 1 and types the code on the page."""
        server = server or self.server
        reply = server.call("pair", {})[1]
        self.assertEqual(server.call("push", {"token": reply["token"], "rev": 1, "timers": timers}), (200, {"rev": 1}))
        self.type_into("#code", reply["code"].lower())
        until(lambda: len(self.rows()) == len(timers), message="the list")
        return reply["token"]


class PageTests(PageCase):
    def test_serves_its_files_and_nothing_else(self):
        # One file of each type: the server serves its whole list of files or none, and the page's
        # modules are checked by the browser's log below.
        files = {"/": "text/html", "/style.css": "text/css", "/sw.js": "text/javascript",
                 "/manifest.webmanifest": "application/manifest+json", "/icon.svg": "image/svg+xml",
                 "/icon-512.png": "image/png"}
        others = ["/index.html", "/web/app.js", "/../README.md", "/%2e%2e/CMakeLists.txt", "/APP.JS", "/app.js%00"]
        for path in [*files, *others]:
            with self.subTest(path):
                response = self.server.fetch("GET", path)
                self.assertEqual(response.status, 200 if path in files else 404)
                if path in files:
                    self.assertEqual(response.getheader("Content-Type").split(";")[0], files[path])
                    self.assertTrue(response.getheader("Content-Security-Policy").startswith("default-src 'self';"))
                    self.assertEqual(response.getheader("X-Content-Type-Options"), "nosniff")
                    # A reopen that names the copy it has gets no body again; another copy gets the file.
                    tag = response.getheader("ETag")
                    for sent, status in ((tag, 304), (f'"x", W/{tag}', 304), ('"x"', 200)):
                        again = self.server.fetch("GET", path, headers={"If-None-Match": sent})
                        self.assertEqual((again.status, again.getheader("ETag"), again.body),
                                         (status, tag, response.body if status == 200 else b""), sent)
        self.assertRegex(self.server.fetch("GET", "/sw.js").body.decode(), r"const VERSION = '[0-9a-f]{16}';")
        # The page ran under its policy without a complaint: no refused script or style, no 404.
        BROWSER.get_log("browser")
        BROWSER.refresh()
        until(lambda: self.shown("#pairing"), message="the pairing form")
        self.assertEqual([e["message"] for e in BROWSER.get_log("browser") if e["level"] == "SEVERE"], [])

    def test_commands_reach_the_server(self):
        desktop = self.paired_page([record("Tea"), record("", mode="up", banked=5)])
        self.assertEqual(self.rows(), [["Tea", "05:00", "ready"], ["Timer 2", "00:05", "paused"]])

        def new_timer():  # a typed length and the submit button: the vibration test
            self.tap("//button[@id='new-open']")
            self.type_into("#new-name", "  Eggs ")
            self.tap("//label[@title='Teal']/input")
            self.tap("//button[text()='1 hour']")

        started = time.time()
        label_of_first = lambda: BROWSER.execute_script(  # noqa: E731
            "return document.querySelector('#list li .run').getAttribute('aria-label')")
        self.assertEqual(label_of_first(), "Start Tea")
        steps = [  # (what the page does, the first record's name, what the pulled record holds)
            (lambda: self.tap_row("Tea", "toggle"), "Tea", {"running": True, "banked": 0}),
            (lambda: self.tap("//span[@class='name' and text()='Tea']"), "Tea", {"running": False}),
            (lambda: self.tap_row("Tea", "over"), "Tea", {"running": True, "banked": 0}),
            (lambda: self.tap_row("Tea", "remove"), "", {"mode": "up", "banked": 5}),
            (new_timer, "Eggs", {"duration": 3600, "color": "teal", "running": True, "alerted": False, "warned": []}),
        ]
        for rev, (step, label, fields) in enumerate(steps, start=2):
            with self.subTest(rev=rev, label=label, fields=fields):
                step()
                pulled = until(lambda: (r := self.pull(desktop))["rev"] == rev and r, message=f"revision {rev}")
                first = next(t for t in pulled["timers"] if t["label"] == label)
                self.assertEqual({k: first[k] for k in fields}, fields)
                if first["running"]:
                    self.assertGreaterEqual(first["startedAt"], started)
                if label == "Tea":
                    self.assertEqual(label_of_first(), ("Pause Tea" if first["running"] else "Start Tea"))
                names = [t["label"] or f"Timer {i + 1}" for i, t in enumerate(pulled["timers"])]
                self.assertEqual([r[0] for r in self.rows()], names)

        self.assertRegex(pulled["timers"][-1]["id"],
                         r"^[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$")
        self.tap("//button[@id='new-open']")
        self.assertEqual(BROWSER.switch_to.active_element.get_attribute("id"), "new-name")
        for typed, message in (("5m", "Couldn't read that length"), ("2,5", "Use a point, not a comma"),
                               ("0:00.5", "A timer needs at least a second")):
            self.type_into("#new-length", typed)
            self.tap("//form[@id='new-form']//button[@type='submit']")
            self.assertEqual(self.text("#new-message"), message, typed)
        self.assertIsNone(BROWSER.find_element(By.ID, "new-length").get_attribute("inputmode"))
        self.assertEqual(self.pull(desktop)["rev"], 1 + len(steps))

    def test_a_page_shown_again_pulls_at_once(self):
        # With the five-second pull held back, only showing the page again can bring the change.
        held = BROWSER.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": (
            "const every = window.setInterval; window.setInterval = (f, ms) => ms < 5000 ? every(f, ms) : 0;")})
        try:
            BROWSER.refresh()
            until(lambda: self.shown("#pairing"), message="the pairing form")
            desktop = self.paired_page([record("Tea")])
            self.server.call("push", {"token": desktop, "rev": 2, "timers": [record("Coffee")]})
            for state in ("hidden", "visible"):
                BROWSER.execute_script("Object.defineProperty(document, 'visibilityState', {value: arguments[0], "
                                       "configurable: true}); document.dispatchEvent(new Event('visibilitychange'))",
                                       state)
            until(lambda: self.rows()[0][0] == "Coffee", timeout=3, message="the pull on showing the page")
        finally:
            BROWSER.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": held["identifier"]})

    def test_offline_keeps_the_list_and_the_change_and_a_stale_push_adopts_the_servers_list(self):
        desktop = self.paired_page([record("Tea")])
        offline(True)
        until(lambda: OFFLINE in self.text("#status"), timeout=8, message="the offline note")
        self.assertEqual(self.rows(), [["Tea", "05:00", "ready"]])

        # The desktop changes the list while the phone is offline; the phone changes its own.
        self.server.call("push", {"token": desktop, "rev": 2, "timers": [record("Coffee")]})
        self.tap_row("Tea", "toggle")
        until(lambda: "will be sent" in self.text("#status"), message="the waiting change")
        self.assertEqual(self.rows()[0][0], "Tea")

        offline(False)
        until(lambda: self.rows() == [["Coffee", "05:00", "ready"]], timeout=8, message="the server's list")
        self.assertIn("The list changed on another device or tab before your change arrived",
                      self.text("#notice-text"))
        # In the bar at the bottom of the screen, where it is seen wherever the list is scrolled.
        self.assertTrue(BROWSER.execute_script("const box = document.getElementById('notice').getBoundingClientRect();"
                                               "return box.top > innerHeight / 2 && box.bottom <= innerHeight"))
        self.assertFalse(self.shown("#status"))
        self.assertEqual(self.pull(desktop), {"ok": True, "rev": 2, "timers": [record("Coffee")]})

    def test_undo_puts_the_record_back_as_a_new_revision(self):
        tea = record("Tea", banked=100)
        desktop = self.paired_page([tea, record("Coffee")])
        for rev, act, shown in ((2, "remove", "Tea removed."), (4, "over", "Tea started over.")):
            with self.subTest(act):
                self.tap_row("Tea", act)  # the bar shows for five seconds: Undo is tapped at once
                self.assertEqual(self.text("#undo-text"), shown)
                self.tap("//button[@id='undo-button']")
                pulled = until(lambda: (r := self.pull(desktop))["rev"] == rev + 1 and r, message="the undo")
                self.assertEqual(pulled["timers"], [tea, record("Coffee")])
                self.assertFalse(self.shown("#undo"))

    def test_a_countdown_that_runs_out_vibrates_the_phone_and_starts_over_on_one_tap(self):
        desktop = self.paired_page([record("Tea")])
        BROWSER.execute_script("window.vibrated = []; navigator.vibrate = p => vibrated.push(p) > 0")
        self.tap("//button[@id='new-open']")
        self.type_into("#new-name", "Eggs")
        self.type_into("#new-length", "0:02")
        self.tap("//form[@id='new-form']//button[@type='submit']")
        until(lambda: BROWSER.execute_script("return vibrated.length"), timeout=15, message="the vibration")
        self.assertEqual(self.rows()[1], ["Eggs", "00:00", "finished"])
        self.assertEqual(BROWSER.execute_script("return vibrated"), [[200, 100, 200]])
        tapped, rev = time.time(), self.pull(desktop)["rev"]
        self.tap_row("Eggs", "toggle")
        pulled = until(lambda: (r := self.pull(desktop))["rev"] > rev and r, message="the restart")["timers"][1]
        self.assertEqual({k: pulled[k] for k in ("running", "banked", "alerted", "warned")},
                         {"running": True, "banked": 0, "alerted": False, "warned": []})
        self.assertGreaterEqual(pulled["startedAt"], tapped)

    def test_clocks_change_just_after_each_second_and_only_then(self):
        start = time.time()
        down = record("Down", 600, running=True, startedAt=start - 0.25)
        up = record("Up", mode="up", running=True, startedAt=start - 0.6)
        self.paired_page([down, up])
        # Every change under the list, with the phone's clock, for over ten seconds and two pulls.
        BROWSER.execute_script(
            "window.seen = []; new MutationObserver(changes => { const at = Date.now() / 1000;"
            " for (const c of changes) { const row = c.target.closest('li');"
            " seen.push([row ? row.dataset.id : '', c.target.className, c.target.textContent, at]); } })"
            ".observe(document.getElementById('list'), {subtree: true, childList: true, characterData: true,"
            " attributes: true})")
        seen = until(lambda: (s := BROWSER.execute_script("return seen"))
                     and sum(1 for e in s if e[0] == "ID-Down") >= 12 and s, timeout=40, message="12 seconds")
        for t, step, elapsed in ((down, -1, lambda n: 600 - n), (up, 1, lambda n: n)):
            changes = [(text, at) for row, part, text, at in seen if row == t["id"]]
            with self.subTest(t["label"]):
                self.assertEqual({part for row, part, _, _ in seen if row == t["id"]}, {"clock"})
                seconds = [int(m) * 60 + int(s) for m, s in (text.split(":") for text, _ in changes)]
                self.assertEqual(seconds, list(range(seconds[0], seconds[0] + step * len(seconds), step)))
                for n, (_, at) in zip(seconds, changes):
                    # Never before the instant the record's value passes the half second that makes it
                    # read n (how soon after is the machine's to decide, and the benchmarks').
                    due = t["startedAt"] + elapsed(n) - 0.5
                    self.assertGreaterEqual(at - due, -0.002, f"{n} drawn {due - at:.3f} s before its second")

    def test_at_twice_the_text_size_nothing_scrolls_sideways_and_no_clock_is_cut(self):
        # The page follows the phone into dark mode.
        for scheme, dark in (("light", False), ("dark", True)):
            BROWSER.execute_cdp_cmd("Emulation.setEmulatedMedia",
                                    {"features": [{"name": "prefers-color-scheme", "value": scheme}]})
            background = BROWSER.execute_script("return getComputedStyle(document.body).backgroundColor")
            self.assertEqual(sum(map(int, background[4:-1].split(","))) < 200, dark, background)
        BROWSER.execute_cdp_cmd("Page.setFontSizes", {"fontSizes": {"standard": 32, "fixed": 26}})
        try:
            BROWSER.refresh()
            long_name = "A long name for a timer, which has to wrap on a narrow phone screen"
            self.paired_page([record(long_name, 36000, running=True, startedAt=time.time()),
                              record("", mode="up", banked=36000000), record("Antidisestablishmentarianism")])
            checks = ("const inside = (e, box) => {"
                      " const a = e.getBoundingClientRect(), b = box.getBoundingClientRect();"
                      " return a.left >= b.left && a.right <= b.right && e.scrollWidth <= e.clientWidth; };"
                      "return [getComputedStyle(document.documentElement).fontSize,"
                      " document.documentElement.scrollWidth <= innerWidth,"
                      " [...document.querySelectorAll('#list li')].map(li =>"
                      " [li.querySelector('.clock'), li.querySelector('.name')].every(e => inside(e, li))),"
                      " [...document.querySelectorAll('#new-sheet *')].every(e => !e.offsetParent ||"
                      " inside(e, document.getElementById('new-sheet')))]")
            self.assertEqual(BROWSER.execute_script(checks), ["32px", True, [True] * 3, True])
            self.assertEqual(self.rows()[1][1], "10000:00:00")
            self.tap("//button[@id='new-open']")
            self.assertEqual(BROWSER.execute_script(checks), ["32px", True, [True] * 3, True])
        finally:
            BROWSER.execute_cdp_cmd("Page.setFontSizes", {"fontSizes": {"standard": 16, "fixed": 13}})

    def test_forgetting_in_one_tab_unpairs_the_other(self):
        self.paired_page([record("Tea")])
        first = BROWSER.current_window_handle
        BROWSER.switch_to.new_window("tab")
        try:
            BROWSER.get(f"http://127.0.0.1:{self.server.port}/")
            until(lambda: self.rows() == [["Tea", "05:00", "ready"]], message="the list in the second tab")
            self.tap("//button[@id='forget']")
            BROWSER.switch_to.alert.accept()
            until(lambda: self.shown("#pairing"), message="the pairing form")
        finally:
            BROWSER.close()
            BROWSER.switch_to.window(first)
        until(lambda: self.shown("#pairing"), message="the first tab following")

    def test_the_page_opens_from_its_service_worker_with_the_server_stopped(self):
        with Server(database=f"sqlite:{self.folder}/worker.db") as server:  # an origin of its own, and a worker
            BROWSER.get(f"http://127.0.0.1:{server.port}/")
            self.paired_page([record("Tea")], server)
            until(lambda: BROWSER.execute_script("return !!navigator.serviceWorker.controller"), timeout=30,
                  message="the service worker")
        BROWSER.refresh()
        until(lambda: OFFLINE in (self.shown("#status") or ""), timeout=30, message="the offline note")
        self.assertEqual(self.rows(), [["Tea", "05:00", "ready"]])

    def test_revision_cases_match_pellows(self):
        with open(REVISIONS) as f:
            cases = json.load(f)
        page = BROWSER.execute_async_script(
            "const [cases, done] = arguments;"
            "import('./sync.js').then(m => done({"
            " pull: cases.pull.map(c => m.pullOutcome(c.local, c.reply)),"
            " push: cases.push.map(c => m.pushOutcome(c.reply))}), e => done({error: String(e)}))", cases)
        self.assertNotIn("error", page)
        for kind in ("pull", "push"):
            self.assertEqual([(c["case"], o) for c, o in zip(cases[kind], page[kind])],
                             [(c["case"], c["outcome"]) for c in cases[kind]], kind)

    def test_time_texts_match_pellows(self):
        now = 1733499300  # 2024-12-06 15:35:00 UTC
        down = lambda duration, banked, offset, running, **more: record(  # noqa: E731
            "", duration, banked=banked, startedAt=now + offset, running=running, **more)
        timers = [
            down(900, 0, -300, True), down(630, 30, 100, True), down(300, 0, -300, True),
            down(300, 300, -5000, False), down(300, 10, -50, False), down(1500, 0, -now, False),
            down(300, 5, -7, True, mode="up"), down(300, 0, -7, False, mode="up"),
            down(60, 3600, 0, False, mode="up"), down(60, 0, -120, True, mode="Down"),
            down(7200, 0.5, -3300.4, True), down(3600, 3599.5, 0, False), down(0, 0, 0, False),
            down(10, 0, -1e6, True, mode="up"), down(300, 299.5, 0, False),
        ]
        for i, (label, ident) in enumerate([("  ", "b"), ("", "a"), ("", "B"), ("  Tea ", "b"),
                                            ("\t\u00a0Tea\u2003", "a"), (" Green  tea ", "a"),
                                            ("\nTea \n", "a")]):
            timers[i].update(label=label, id=ident)
        lengths = ["25", "0.5", "+5", "7:30", "1:05:00", "7:75", "::1:30::", "0:00", "0:00.5", "0.01",
                   "\t\u00a025\u2003\u3000", "600000", "10000:00:00", "600000.001", "", ":30", "1:2:3:4", "1: 30",
                   "2 5", "0", "-5", "abc", "5m", "0x10", "1e1", "1.", ".5", "2,5", "\uff12\uff15", "inf", "nan"]
        seconds = [0, 0.4, 0.5, 59.5, 3599.4, 3599.5, 86400, 100000, -0.4, -0.5, -3600, 1e300, -1e300]
        for locale in ("en_US", "en_GB"):
            with self.subTest(locale):
                request = {"now": now, "locale": locale, "timers": timers, "lengths": lengths, "seconds": seconds}
                pellow = json.loads(subprocess.run([PROBE], input=json.dumps(request), capture_output=True, text=True,
                                                   timeout=20, check=True).stdout)
                page = BROWSER.execute_async_script(
                    "const [request, done] = arguments;"
                    "import('./timetexts.js').then(m => done({"
                    " details: request.timers.map(t => m.detailText(t, request.now, request.locale)),"
                    " names: request.timers.map(t => m.displayName(t, request.timers)),"
                    " lengths: request.lengths.map(m.acceptedLength),"
                    " clocks: request.seconds.map(m.clockText)}), e => done({error: String(e)}))",
                    dict(request, locale=locale.replace("_", "-")))
                # ICU puts a narrow no-break space before "PM"; Qt 6.4 a plain one.
                page["details"] = [d.replace("\u202f", " ") for d in page.get("details", [])]
                self.assertNotIn("error", page)
                # Each output beside what it was made from, so a difference names its row.
                for key, given in {"details": timers, "names": timers, "lengths": lengths, "clocks": seconds}.items():
                    self.assertEqual(list(zip(given, page[key])), list(zip(given, pellow[key])), key)


class PairingTests(PageCase):
    """Runs last: its wrong codes use up this address's tries for the server's lifetime."""

    def test_a_wrong_code_and_then_too_many(self):
        self.type_into("#code", "000000")  # never issued: codes have no 0
        until(lambda: "That code didn't work" in self.text("#pair-message"), message="the answer to the claim")
        for _ in range(9):
            self.assertEqual(self.server.call("claim", {"code": "000000"}), (200, {"ok": False}))
        self.type_into("#code", "00-0001")
        until(lambda: "Wait" in self.text("#pair-message"), message="the answer to the claim")
        self.assertIsNone(BROWSER.execute_script("return localStorage.getItem('pellow.token')"))


if __name__ == "__main__":
    BROWSER = start("--lang=en-US", phone=True)
    if BROWSER is None:
        print("skipped: headless Chromium could not be started", file=sys.stderr)
        sys.exit(77)
    try:
        result = unittest.main(verbosity=2, exit=False).result
    finally:
        BROWSER.quit()
    sys.exit(0 if result.wasSuccessful() else 1)
