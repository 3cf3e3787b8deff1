#!/usr/bin/env python3
"""The room and staff pages in a real browser (headless Chromium through WebDriver),
served by kdspd against kdsp-sim --devices 3, each on a free loopback port.

Run by ctest: test_pages.py --kdspd PATH --sim PATH. Exits 77 (ctest: skipped, shown
as such) when Chromium, its driver or selenium is missing; the accessibility scan is
skipped the same way without axe-core (scripts/install-deps.sh installs them all).
With --screenshots DIR it only makes the pictures of both pages for the docs.
"""

import argparse
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
AXE = os.path.join(HERE, "node_modules", "axe-core", "axe.min.js")
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver") or "/usr/lib/chromium/chromedriver"
SKIP = 77

try:
    from selenium import webdriver
    from selenium.common.exceptions import TimeoutException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.actions import interaction
    from selenium.webdriver.common.actions.action_builder import ActionBuilder
    from selenium.webdriver.common.actions.pointer_input import PointerInput
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None

ARGS = None
MIC, MUSIC, SING_DANCE = 0x0A21, 0x0A20, 0x0001  # ids the guest controls write
WAIT = 15  # seconds any one wait may take before the test fails
# Volume maxima below the full range (set first: a volume is brought within the
# maximum the processor holds), then volumes between them and nothing.
LIMITS = {"system.volume.music.max": 70, "system.volume.mic.max": 60, "system.volume.effect.max": 80}
LEVELS = {"system.volume.music": 30, "system.volume.mic": 20, "system.volume.effect": 40,
          "echo.effect.level": 50, "reverb.effect.level": 50}


def stop(proc):
    """Ends a process this test started: SIGTERM, then SIGKILL after 5 s."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(5)
    for pipe in (proc.stdout, proc.stderr):
        if pipe:
            pipe.close()


class Sim:
    """kdsp-sim --devices 3 --log; the writes each processor received, read from its
    log as tests/app/sim_process.h reads them (the link's own commands left out)."""

    LINE = re.compile(r"^\[\s*[\d.]+\] (\d+)/\S+ rx write 0x([0-9A-F]{4})(?: \(([^)]*)\))?(?: = (\d+))?")

    def __init__(self, state, devices=3, port=0):
        self.state = state
        os.makedirs(state, exist_ok=True)
        self.proc = subprocess.Popen(
            [ARGS.sim, "--listen", f"127.0.0.1:{port}", "--devices", str(devices), "--log", "--state", state],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.ports = []
        while len(self.ports) < devices:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("kdsp-sim did not start: " + self.proc.stderr.read())
            if line.startswith("listen "):
                self.ports.append(int(line.split()[2]))
        self.writes = []
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.proc.stderr:
            found = self.LINE.match(line)
            if not found or (found.group(3) or "").startswith("link"):
                continue
            with self.lock:
                value = int(found.group(4)) if found.group(4) else None
                self.writes.append((int(found.group(1)), int(found.group(2), 16), value))

    def take_writes(self, quiet=0.3):
        """The writes (device, id, value) since the last call, once the log has been
        quiet for `quiet` seconds (at most WAIT seconds in all), each repeat left out."""
        deadline = time.monotonic() + WAIT
        seen = -1
        while time.monotonic() < deadline:
            with self.lock:
                count = len(self.writes)
            if count == seen:
                break
            seen = count
            time.sleep(quiet)
        with self.lock:
            taken, self.writes = self.writes, []
        # A write that had to wait in the link's queue (behind a keep-alive still
        # unanswered, say) goes out once more when the queue empties: whether it waited
        # is a matter of timing, so a frame repeated at once by its processor counts once.
        last, kept = {}, []
        for write in taken:
            if last.get(write[0]) != write:
                kept.append(write)
            last[write[0]] = write
        return kept

    def stop(self):
        stop(self.proc)


class Kdspd:
    """kdspd over a venue file of the simulated rooms, on a free loopback port (the
    same one again when started again)."""

    def __init__(self, venue):
        self.venue, self.port = venue, 0
        self.start()

    def start(self):
        self.proc = subprocess.Popen([ARGS.kdspd, self.venue, "--listen", f"127.0.0.1:{self.port}"],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("listen "):
            raise RuntimeError("kdspd did not start: " + self.proc.stderr.read())
        self.port = int(line.split()[2])
        self.log = []
        threading.Thread(target=lambda: self.log.extend(self.proc.stderr), daemon=True).start()

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def call(self, token, method, path, body=None):
        """One API request once the room is online: (status, answer)."""
        data = None if body is None else json.dumps(body).encode()
        deadline = time.monotonic() + WAIT
        while True:
            request = urllib.request.Request(self.url("/api/v1" + path), data=data, method=method,
                                             headers={"Authorization": "Bearer " + token,
                                                      "Content-Type": "application/json"})
            try:
                with urllib.request.urlopen(request, timeout=WAIT) as answer:
                    return answer.status, json.load(answer)
            except urllib.error.HTTPError as e:
                if e.code != 503 or time.monotonic() > deadline:
                    return e.code, json.load(e)
            time.sleep(0.1)

    def stop(self):
        stop(self.proc)


def add_token(venue, role, room=None):
    command = [ARGS.kdspd, "token", "add", venue, role] + (["--room", room] if room else [])
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=WAIT).stdout.strip()


def print_cards(venue, sheet):
    """kdspd qr: {room: the path and fragment of its card's link}."""
    run = subprocess.run([ARGS.kdspd, "qr", venue, "-o", sheet, "--url", "http://192.0.2.1:8890"],
                         capture_output=True, text=True, timeout=WAIT)
    if run.returncode != 0:
        raise RuntimeError("kdspd qr failed: " + run.stderr)
    with open(sheet) as f:
        links = re.findall(r'<a href="http://192\.0\.2\.1:8890(/room/([^"#]+)#token=[0-9a-f]+)">', f.read())
    return {room: link for link, room in links}


def browser(language="en-US"):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--no-first-run", "--disable-extensions", "--window-size=390,844", f"--lang={language}",
                # A window behind the other runs as one in front: two phones at once.
                "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                "--disable-backgrounding-occluded-windows"):
        options.add_argument(arg)
    options.add_experimental_option("prefs", {"intl.accept_languages": language})
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    phone(driver)
    return driver


def phone(driver, width=390, height=844):
    """A phone's viewport, with touch."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
    driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 5})


def wait(driver, what, message):
    try:
        return WebDriverWait(driver, WAIT, poll_frequency=0.05).until(lambda d: what(d))
    except TimeoutException:
        raise AssertionError(message) from None


def slider(driver, name):
    return driver.find_element(By.CSS_SELECTOR, f'input[data-param="{name}"]')


def output(driver, name):
    return slider(driver, name).find_element(By.XPATH, "../div/output")


def online(driver):
    """The room page shows its room online, controls usable."""
    wait(driver, lambda d: d.find_element(By.ID, "controls").get_attribute("aria-disabled") == "false"
         and d.find_elements(By.CSS_SELECTOR, "input[data-param]"), "the room page never came online")


def settled(driver, name):
    """The value the page shows once nothing of it is on its way."""
    out = output(driver, name)
    wait(driver, lambda d: "sending" not in out.get_attribute("class"), f"{name}: a write never came back")
    return out.text


class Pages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="kdsp-web-")
        cls.addClassCleanup(shutil.rmtree, cls.tmp, ignore_errors=True)
        # The processors keep their memory there when stopped and started again.
        cls.sim = Sim(os.path.join(cls.tmp, "memory"))
        cls.addClassCleanup(lambda: cls.sim.stop())
        cls.venue = os.path.join(cls.tmp, "venue.conf")
        with open(cls.venue, "w") as f:
            for k, port in enumerate(cls.sim.ports, 1):
                f.write(f"room{k} tcp:127.0.0.1:{port}\n")
        cls.staff = add_token(cls.venue, "staff")
        cls.old_cards = print_cards(cls.venue, os.path.join(cls.tmp, "old.svg"))
        cls.cards = print_cards(cls.venue, os.path.join(cls.tmp, "cards.svg"))
        cls.room1 = cls.cards["room1"].split("#token=")[1]
        installer = add_token(cls.venue, "installer")
        cls.service = Kdspd(cls.venue)
        cls.addClassCleanup(cls.service.stop)
        # The limits a venue's installer sets: the guests' sliders end there.
        for k in (1, 2, 3):
            for values in (LIMITS, LEVELS):
                cls.service.call(installer, "PATCH", f"/rooms/room{k}/params", values)
        cls.sim.take_writes()
        cls.driver = browser()
        cls.addClassCleanup(cls.driver.quit)

    def open(self, path, driver=None, fresh=False):
        driver = driver or self.driver
        driver.get(self.service.url("/static/kdsp.css"))
        if fresh:
            driver.execute_script("localStorage.clear()")
        driver.get(self.service.url(path))

    def open_room(self, driver=None):
        """Room 1 opened from the link on its card."""
        self.open(self.cards["room1"], driver)
        online(driver or self.driver)
        self.sim.take_writes()

    def test_a_page_without_a_token_shows_only_a_field_for_one(self):
        self.open("/room/room1", fresh=True)
        field = wait(self.driver, lambda d: d.find_element(By.ID, "access-token").is_displayed()
                     and d.find_element(By.ID, "access-token"), "no field for a token")
        self.assertFalse(self.driver.find_element(By.ID, "controls").is_displayed())
        # A pasted link works as well as the code itself, and the code is not left in the address.
        field.send_keys(self.service.url(f"/room/room1#token={self.room1}"))
        field.submit()
        online(self.driver)
        self.assertNotIn("token", self.driver.current_url)

    def test_the_microphone_slider_follows_a_finger_and_the_last_value_is_sent(self):
        self.open_room()
        bar = slider(self.driver, "system.volume.mic")
        low, high = int(bar.get_attribute("min")), int(bar.get_attribute("max"))
        self.assertEqual((low, high), (0, LIMITS["system.volume.mic.max"]), "the bar ends at the processor's maximum")
        start = int(bar.get_attribute("value"))
        rect = self.driver.execute_script("return arguments[0].getBoundingClientRect().toJSON()", bar)
        thumb = 14  # half the thumb: its centre travels from one end of the bar less this to the other
        x_of = lambda v: rect["x"] + thumb + (rect["width"] - 2 * thumb) * (v - low) / (high - low)
        target = low + (high - low) * 3 // 4 if start < (low + high) // 2 else low + (high - low) // 4
        finger = ActionBuilder(self.driver, mouse=PointerInput(interaction.POINTER_TOUCH, "finger"))
        y = rect["y"] + rect["height"] / 2
        finger.pointer_action.move_to_location(int(x_of(start)), int(y)).pointer_down()
        for k in range(1, 11):
            finger.pointer_action.move_to_location(int(x_of(start + (target - start) * k / 10)), int(y)).pause(0.03)
        finger.pointer_action.pointer_up()
        finger.perform()

        final = int(bar.get_attribute("value"))
        self.assertNotEqual(final, start, "the bar did not move under the finger")
        self.assertLessEqual(abs(final - target), 2, "the bar did not end under the finger")
        self.assertEqual(settled(self.driver, "system.volume.mic"), str(final))
        writes = self.sim.take_writes()
        values = [v for _, _, v in writes]
        # Only the microphone volume of this room, moving one way, its last value the
        # bar's: values the finger passed may be left out, never sent out of order.
        self.assertEqual({(d, i) for d, i, _ in writes}, {(1, MIC)}, writes)
        self.assertEqual(values, sorted(values, reverse=final < start), writes)
        self.assertEqual(values[-1], final, writes)
        self.assertGreater(len(values), 1, "nothing was sent while the finger moved")

        # A key step sends exactly that step.
        bar.send_keys(Keys.ARROW_LEFT)
        self.assertEqual(settled(self.driver, "system.volume.mic"), str(final - 1))
        self.assertEqual(self.sim.take_writes(), [(1, MIC, final - 1)])

    def test_a_change_on_one_phone_shows_on_the_other(self):
        # The second phone is a second window of the same browser: a page of its own
        # with its own events socket, without the time a second browser takes to start.
        first = self.driver.current_window_handle
        self.driver.switch_to.new_window("window")
        second = self.driver.current_window_handle
        phone(self.driver)
        try:
            self.open_room()
            bar = slider(self.driver, "system.volume.music")
            before = int(bar.get_attribute("value"))
            self.driver.switch_to.window(first)
            self.open_room()
            self.driver.switch_to.window(second)
            bar.send_keys(Keys.ARROW_RIGHT if before == 0 else Keys.ARROW_LEFT)
            after = int(bar.get_attribute("value"))
            self.driver.switch_to.window(first)
            wait(self.driver, lambda d: output(d, "system.volume.music").text == str(after)
                 and slider(d, "system.volume.music").get_attribute("value") == str(after),
                 "the other phone's change did not show")
            dance = self.driver.find_element(By.ID, "dance")
            target = "sing" if dance.get_attribute("aria-pressed") == "true" else "dance"
            dance.find_element(By.XPATH, f'../button[@id="{target}"]').click()
            self.driver.switch_to.window(second)
            wait(self.driver, lambda d: d.find_element(By.ID, target).get_attribute("aria-pressed") == "true",
                 "sing/dance did not show on the other phone")
            self.assertEqual(self.sim.take_writes(),
                             [(1, MUSIC, after), (1, SING_DANCE, 1 if target == "dance" else 0)])
        finally:
            self.driver.switch_to.window(second)
            self.driver.close()
            self.driver.switch_to.window(first)

    def test_a_room_token_cannot_change_another_room(self):
        self.open("/room/room2#token=" + self.room1, fresh=True)
        notice = self.driver.find_element(By.ID, "notice")
        wait(self.driver, lambda d: notice.text, "the page did not say why")
        self.assertIn("cannot adjust this room", notice.text)
        self.assertFalse(self.driver.find_element(By.ID, "controls").is_displayed())
        self.assertTrue(self.driver.find_element(By.ID, "access-token").is_displayed())
        self.assertEqual(self.sim.take_writes(), [])

    def test_a_processor_lost_greys_the_page_out_and_it_comes_back(self):
        self.open_room()
        ports = self.sim.ports
        self.sim.stop()
        controls = self.driver.find_element(By.ID, "controls")
        wait(self.driver, lambda d: controls.get_attribute("aria-disabled") == "true", "the page did not grey out")
        self.assertIn("Off Line", self.driver.find_element(By.ID, "notice").text)
        self.assertFalse(slider(self.driver, "system.volume.mic").is_enabled())
        Pages.sim = Sim(self.sim.state, port=ports[0])
        self.assertEqual(self.sim.ports, ports)
        online(self.driver)
        self.assertEqual(self.driver.find_element(By.ID, "notice").text, "")

    def test_the_page_reconnects_after_the_service_restarts(self):
        self.open_room()
        self.service.stop()
        state = self.driver.find_element(By.ID, "state")
        wait(self.driver, lambda d: state.get_attribute("data-state") == "service", "the page did not notice")
        self.service.start()
        online(self.driver)
        bar = slider(self.driver, "system.volume.effect")
        before = int(bar.get_attribute("value"))
        bar.send_keys(Keys.ARROW_RIGHT if before == 0 else Keys.ARROW_LEFT)
        after = int(bar.get_attribute("value"))
        self.assertEqual(settled(self.driver, "system.volume.effect"), str(after))
        self.assertEqual(self.sim.take_writes(), [(1, 0x0A22, after)])

    def test_a_new_sheet_of_cards_replaces_the_codes_of_the_old_one(self):
        self.assertEqual(sorted(self.cards), ["room1", "room2", "room3"])
        for room, link in self.old_cards.items():
            self.assertEqual(self.service.call(link.split("#token=")[1], "GET", "/rooms/" + room)[0], 401, room)
        for room, link in self.cards.items():
            self.assertEqual(self.service.call(link.split("#token=")[1], "GET", "/rooms/" + room)[0], 200, room)
        with open(self.venue, "rb") as f:
            before = f.read()
        run = subprocess.run([ARGS.kdspd, "qr", self.venue, "-o", os.path.join(self.tmp, "cards.txt")],
                             capture_output=True, text=True, timeout=WAIT)
        self.assertEqual(run.returncode, 1, run.stderr)
        with open(self.venue, "rb") as f:
            self.assertEqual(f.read(), before, "a refused sheet changed the venue's codes")

    def test_the_language_follows_the_browser_and_the_toggle_is_remembered(self):
        self.open("/room/room1", fresh=True)
        title = lambda d: d.find_element(By.CSS_SELECTOR, "#access h2").text
        wait(self.driver, lambda d: title(d) == "Access code needed", "English for an English browser")
        self.driver.find_element(By.ID, "language").click()
        self.assertEqual(title(self.driver), "需要访问码")
        self.assertEqual(self.driver.find_element(By.TAG_NAME, "html").get_attribute("lang"), "zh-CN")
        self.driver.refresh()
        wait(self.driver, lambda d: title(d) == "需要访问码", "the choice was not kept")

    def test_staff_calm_every_room_with_one_confirmation(self):
        self.open("/staff#token=" + self.staff, fresh=True)
        cards = wait(self.driver, lambda d: len(d.find_elements(By.CSS_SELECTOR, ".card .state[data-state=online]")) == 3
                     and d.find_elements(By.CSS_SELECTOR, ".card"), "three rooms online")
        self.assertEqual([c.get_attribute("data-room") for c in cards], ["room1", "room2", "room3"])
        self.sim.take_writes()
        self.driver.execute_script("performance.clearResourceTimings()")
        calm = self.driver.find_element(By.ID, "calm-volume")
        calm.send_keys(Keys.HOME)
        for _ in range(5):
            calm.send_keys(Keys.ARROW_RIGHT)
        self.driver.find_element(By.ID, "calm").click()
        dialog = wait(self.driver, lambda d: d.find_element(By.TAG_NAME, "dialog"), "no confirmation")
        self.assertIn("3 rooms to 5", dialog.text)
        self.assertEqual(self.sim.take_writes(quiet=0.2), [], "sent before the confirmation")
        dialog.find_element(By.ID, "confirm-ok").click()
        wait(self.driver, lambda d: d.find_element(By.ID, "calm-result").text == "3 rooms set.", "calm result")
        self.assertEqual(sorted(self.sim.take_writes()), [(1, MUSIC, 5), (2, MUSIC, 5), (3, MUSIC, 5)])
        # One request for every room, not one per room (the pages' reads carry ?match=).
        writes = self.driver.execute_script(
            "return performance.getEntriesByType('resource').map(e => new URL(e.name))"
            ".filter(u => u.pathname.startsWith('/api/') && !u.search).map(u => u.pathname)")
        self.assertEqual(writes, ["/api/v1/rooms/params"])
        wait(self.driver, lambda d: all(c.find_element(By.CSS_SELECTOR, '[data-param="system.volume.music"]').text == "5"
                                        for c in cards), "the cards did not show the new volume")
        cards[1].click()
        wait(self.driver, lambda d: d.current_url.endswith("/room/room2"), "the card did not open its room")
        online(self.driver)

    def test_both_pages_pass_an_accessibility_scan(self):
        if not os.path.exists(AXE):
            self.skipTest("axe-core is not installed (scripts/install-deps.sh)")
        with open(AXE) as f:
            axe = f.read()
        # Each page in one language: the other changes words, not labels or colours.
        for path, lang, ready in ((f"/room/room1#token={self.room1}", "zh", online),
                                  (f"/staff#token={self.staff}", "en", lambda d: wait(d, lambda d: d.find_elements(
                                      By.CSS_SELECTOR, ".card .state[data-state=online]"), "staff page"))):
            self.open(path, fresh=True)
            self.driver.execute_script("localStorage.setItem('kdsp.language', arguments[0])", lang)
            self.driver.refresh()
            ready(self.driver)
            self.driver.execute_script(axe)
            result = self.driver.execute_async_script(
                "axe.run(document, {resultTypes: ['violations']}).then(r => arguments[0](r.violations))")
            bad = [(v["id"], v["impact"], [n["target"] for n in v["nodes"]])
                   for v in result if v["impact"] in ("serious", "critical")]
            self.assertEqual(bad, [], f"{path} ({lang})")


def screenshots(folder):
    """Both pages in both languages at a phone's and a desktop's width."""
    tmp = tempfile.mkdtemp(prefix="kdsp-web-")
    sim = Sim(os.path.join(tmp, "memory"), devices=2)
    # One room's processor is off, as on a real evening: nothing listens at its address.
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        off = s.getsockname()[1]
    venue = os.path.join(tmp, "venue.conf")
    with open(venue, "w") as f:
        for name, port in zip(("Room-101", "Room-102", "VIP-1"), sim.ports + [off]):
            f.write(f"{name} tcp:127.0.0.1:{port}\n")
    staff = add_token(venue, "staff")
    installer = add_token(venue, "installer")
    service = Kdspd(venue)
    driver = browser()
    try:
        for k, name in enumerate(("Room-101", "Room-102")):
            service.call(installer, "PATCH", f"/rooms/{name}/params", LIMITS)
            service.call(installer, "PATCH", f"/rooms/{name}/params",
                         {**LEVELS, "system.volume.music": 30 + 9 * k, "system.volume.mic": 42 - 7 * k})
        os.makedirs(folder, exist_ok=True)
        for lang in ("en", "zh"):
            for width, height, tag in ((390, 844, "phone"), (1280, 900, "desktop")):
                phone(driver, width, height)
                for page, path in (("room", "/room/Room-101"), ("staff", "/staff")):
                    driver.get(service.url(path + "#token=" + staff))
                    driver.execute_script("localStorage.setItem('kdsp.language', arguments[0])", lang)
                    driver.refresh()
                    wait(driver, lambda d: d.find_elements(By.CSS_SELECTOR, ".state[data-state=online]"), "online")
                    time.sleep(1)
                    full = driver.execute_script("return document.documentElement.scrollHeight")
                    phone(driver, width, max(height, full))
                    driver.save_screenshot(os.path.join(folder, f"{page}-{tag}-{lang}.png"))
                    phone(driver, width, height)
    finally:
        driver.quit()
        service.stop()
        sim.stop()
        shutil.rmtree(tmp, ignore_errors=True)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--kdspd", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--screenshots")
    ARGS, rest = parser.parse_known_args()
    missing = [what for what, ok in (("python3-selenium", webdriver is not None), ("chromium", CHROMIUM),
                                     ("chromium-driver", os.path.exists(DRIVER))) if not ok]
    if missing:
        print("SKIPPED: the browser tests need " + ", ".join(missing) + " (scripts/install-deps.sh)")
        return SKIP
    if ARGS.screenshots:
        screenshots(ARGS.screenshots)
        return 0
    result = unittest.main(module=sys.modules[__name__], argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
