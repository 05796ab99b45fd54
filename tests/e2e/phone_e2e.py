#!/usr/bin/env python3
"""End to end: the phone page in headless Chromium and the real Pellow, through the real
pellow-sync-server over HTTPS on loopback.

Pellow runs on a virtual X display, so "Copy code" in its pairing dialog puts the code on the real
X clipboard, and the test types what it finds there into the page, as a user would. A timer
started on the page then shows in Pellow's menu within one poll, and a change made in Pellow's
menu shows on the page.

Usage: phone_e2e.py <pellow> <pellow-sync-server> <pellow-menu-click> <make-test-ca.sh>
Exits 77 (skipped) only when Chromium cannot start.
"""

import base64
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

from sync_e2e import POLL, Run, isolated_env, timer, wait_for

try:
    from selenium import webdriver
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    webdriver = None

SKIP = 77


def start_browser(certificate):
    """Headless Chromium trusting only the test server's key beyond its own roots, or None."""
    chromium, driver = shutil.which("chromium"), shutil.which("chromedriver")
    if not webdriver or not chromium or not driver:
        return None
    der = subprocess.run(["openssl", "x509", "-in", certificate, "-noout", "-pubkey"], capture_output=True,
                         check=True).stdout
    der = subprocess.run(["openssl", "pkey", "-pubin", "-outform", "DER"], input=der, capture_output=True,
                         check=True).stdout
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--ignore-certificate-errors-spki-list=" + base64.b64encode(hashlib.sha256(der).digest()).decode()):
        options.add_argument(arg)
    try:
        return webdriver.Chrome(service=Service(driver), options=options)
    except WebDriverException as e:
        print(f"Chromium did not start: {e.msg}", file=sys.stderr)
        return None


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
    browser = None
    try:
        read_end, write_end = os.pipe()
        with open(os.path.join(work, "xvfb.log"), "ab") as log:
            xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                                     "-nolisten", "tcp"], stdout=log, stderr=log, pass_fds=(write_end,))
        run.procs.append(xvfb)
        os.close(write_end)
        display = ":" + os.read(read_end, 16).decode().strip()
        assert display != ":" and xvfb.poll() is None, "Xvfb did not start"
        browser = start_browser(os.path.join(work, "server.pem"))
        if browser is None:
            return SKIP
        run.start_server()
        os.makedirs(os.path.dirname(run.prefs), exist_ok=True)
        with open(run.prefs, "w") as f:
            json.dump({"syncServer": run.base, "syncServerCertificate": os.path.join(work, "ca.pem"),
                       "timers": [timer("e2e-tea", "Tea")]}, f)
        os.chmod(run.prefs, 0o600)
        run.spawn(["status-notifier-watcher"], "watcher")
        app = run.spawn([pellow], "pellow", dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb"))
        os.environ["DISPLAY"] = display  # for xdotool and xclip

        # Pairing: the code copied from Pellow's dialog, typed on the page.
        run.click_menu("Sync with iPhone\u2026")
        wait_for("the pairing dialog", press_copy_code, 15)
        code = wait_for("the code on the clipboard", clipboard, 5)
        assert len(code) == 6, f"a code of {len(code)} characters was copied"
        browser.get(run.base + "/")
        wait_for("the pairing form", lambda: browser.find_element(By.ID, "code").is_displayed(), 10)
        browser.find_element(By.ID, "code").send_keys(code)
        wait_for("Pellow's list on the page", lambda: page_rows(browser) == [["Tea", "ready"]], 10)

        # A timer started on the page shows in Pellow's menu within one poll.
        browser.find_element(By.ID, "new-open").click()
        browser.find_element(By.ID, "new-name").send_keys("Bread")
        browser.find_element(By.XPATH, "//button[text()='5 min']").click()
        labels = lambda: subprocess.run([click, "--labels"], capture_output=True, text=True, timeout=10).stdout
        wait_for("the page's timer running in Pellow's menu",
                 lambda: any(line.startswith("Pause  Bread") for line in labels().splitlines()), POLL + 5)

        # A change made in Pellow's menu shows on the page within its pull interval.
        run.click_menu("Pause all")
        wait_for("the paused timer on the page", lambda: page_rows(browser) == [["Tea", "ready"], ["Bread", "paused"]], 8)
        assert app.poll() is None, "pellow exited"
        print("PASS e2e_phone: paired with the copied code; the page and Pellow follow each other")
        return 0
    except AssertionError as e:
        print(f"FAIL e2e_phone: {e}")
        for name in ("pellow", "server", "watcher", "xvfb"):
            path = os.path.join(work, name + ".log")
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    print(f"--- {name}.log\n" + "".join(f.readlines()[-20:]))
        return 1
    finally:
        if browser:
            browser.quit()
        run.stop_all()


if __name__ == "__main__":
    if len(sys.argv) == 6 and sys.argv[1] == "--inner":
        sys.exit(main(*sys.argv[2:]))
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    with tempfile.TemporaryDirectory(prefix="pellow-phone-e2e.") as work:
        env = isolated_env(work)
        args = [os.path.abspath(a) for a in sys.argv[1:]]
        sys.exit(subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inner", *args],
                                env=env, timeout=240).returncode)
