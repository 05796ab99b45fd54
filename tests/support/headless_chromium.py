"""Debian's headless Chromium, driven through Selenium, for the phone page's tests."""
import shutil
import sys

try:
    from selenium import webdriver
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By  # noqa: F401 (for the tests)
    from selenium.webdriver.support.wait import WebDriverWait  # noqa: F401 (for the tests)
except ImportError:
    webdriver = By = WebDriverWait = None


def start(*arguments, phone=False):
    """Chromium with `arguments` besides the headless ones, as a phone 360 px wide when `phone`
    (with the page's console kept), or None when it cannot start here."""
    chromium, driver = shutil.which("chromium"), shutil.which("chromedriver")
    if not webdriver or not chromium or not driver:
        return None
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", *arguments):
        options.add_argument(arg)
    if phone:
        options.add_experimental_option("mobileEmulation", {"deviceMetrics": {"width": 360, "height": 780,
                                                                              "pixelRatio": 2, "touch": True}})
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    try:
        return webdriver.Chrome(service=Service(driver), options=options)
    except WebDriverException as e:
        print(f"Chromium did not start: {e.msg}", file=sys.stderr)
        return None
