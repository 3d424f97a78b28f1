#!/usr/bin/python3
"""The page of `cadhost --serve` in a real browser (headless Chromium through Selenium).

    browser_session.py --cadhost BIN --drawing examples/arcs.dxf --work DIR [--screenshot PNG]

Invariants: the page shows every modelled entity of the drawing with its handle and type; a
command typed on the page runs, a click picks at the world point that window.cadhost.toScreen
names, each mouse move during a drag redraws the dragged dimension where the mouse is, and the
click that ends the drag adds the dimension whose text is the picked arc's length (from the
drawing's own geometry, in its precision and decimal separator), the same in the page, the
saved drawing and the report; a message box is a modal dialog the command waits for until OK.
Exit status 77 (skipped) when Chromium, its driver or Selenium is not installed.
"""
import json
import math
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from served_session import ServedSession, parse_arguments, run_tests, wait_until  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
SKIPPED = 77

try:
    import ezdxf
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.action_builder import ActionBuilder
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    HAVE_SELENIUM = True
except ImportError:
    HAVE_SELENIUM = False

ARGS = None


def plain_arc(path):
    """The first arc of the drawing that is seen face-on from above (extrusion +Z)."""
    doc = ezdxf.readfile(path)
    for arc in doc.modelspace().query("ARC"):
        if tuple(arc.dxf.extrusion) == (0, 0, 1) and not arc.has_xdata("CADHOST_WALL"):
            return doc, arc
    raise AssertionError("the drawing has no plain arc")


def on_arc(arc, degrees, radius=None):
    r = arc.dxf.radius if radius is None else radius
    angle = math.radians(degrees)
    return arc.dxf.center.x + r * math.cos(angle), arc.dxf.center.y + r * math.sin(angle)


def sweep_degrees(arc):
    return (arc.dxf.end_angle - arc.dxf.start_angle) % 360.0


def decimal_separator(doc):
    value = doc.header.get("$DIMDSEP", ord("."))
    return chr(value) if isinstance(value, int) else str(value)


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        cls.profile = tempfile.mkdtemp(prefix="cadhost-chromium-")
        for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync",
                     "--disable-dev-shm-usage", "--window-size=1280,860",
                     "--user-data-dir=" + cls.profile):
            options.add_argument(flag)
        cls.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        shutil.rmtree(cls.profile, ignore_errors=True)

    def setUp(self):
        self.work = os.path.join(ARGS.work, self.id().rsplit(".", 1)[-1])
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.saved = os.path.join(self.work, "saved.dxf")
        self.report = os.path.join(self.work, "report.json")
        self.session = ServedSession(ARGS.cadhost, "127.0.0.1:0", "--drawing", ARGS.drawing,
                                     "--save", self.saved, "--report", self.report)
        self.addCleanup(self.session.close)
        self.driver.get(self.session.url)
        self.wait_for_waiting("command")
        wait_until(lambda: self.driver.find_elements(By.CSS_SELECTOR, "#drawing [data-handle]"),
                   "the drawing")

    # --- the page ---
    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def waiting(self):
        return self.js("return document.body.dataset.waiting || ''")

    def wait_for_waiting(self, kind):
        wait_until(lambda: self.waiting() == kind, f"the page to wait for {kind!r}")

    def type_line(self, text):
        line = self.driver.find_element(By.ID, "cmdline")
        line.send_keys(text, Keys.ENTER)

    def screen(self, x, y):
        at = self.js("return window.cadhost.toScreen(arguments[0], arguments[1])", x, y)
        return round(at["x"]), round(at["y"])

    def pointer(self, x, y, click=False):
        """Moves the mouse to world (x, y), and clicks there when asked."""
        actions = ActionBuilder(self.driver)
        actions.pointer_action.move_to_location(*self.screen(x, y))
        if click:
            actions.pointer_action.click()
        actions.perform()

    def transcript(self):
        return self.js("return document.getElementById('transcript').textContent")

    def dimension_handles(self):
        return {e.get_attribute("data-handle") for e in self.driver.find_elements(
            By.CSS_SELECTOR, '#drawing [data-handle][data-type="DIMENSION"]')}

    def dragged_top(self):
        """The screen top of the dragged entity; None when nothing is dragged."""
        return self.js("const d = document.getElementById('dragged');"
                       "return d ? d.getBoundingClientRect().top : null")

    def drag_outward(self, arc, radii):
        """Moves the mouse out from the arc's middle in steps: the dragged dimension follows."""
        middle = arc.dxf.start_angle + sweep_degrees(arc) / 2
        tops = [wait_until(self.dragged_top, "the dragged dimension")]
        for radius in radii:
            self.pointer(*on_arc(arc, middle, radius))
            tops.append(wait_until(
                lambda: (lambda top: top if top is not None and top < tops[-1] else None)(
                    self.dragged_top()),
                f"the dragged dimension to follow the mouse to radius {radius}"))
        return on_arc(arc, middle, radii[-1])

    def read_report(self):
        with open(self.report, encoding="utf-8") as report:
            return json.load(report)

    # --- the tests ---
    def test_a_dimension_dragged_with_the_mouse_is_added_and_saved(self):
        doc, arc = plain_arc(ARGS.drawing)
        before = self.dimension_handles()
        types = {e.get_attribute("data-type") for e in self.driver.find_elements(
            By.CSS_SELECTOR, "#drawing [data-handle]")}
        self.assertTrue({"ARC", "CIRCLE", "LWPOLYLINE", "WALL", "DIMENSION"} <= types, types)

        # The wheel zooms in about the cursor: the point under it stays there, the arc grows,
        # and toScreen follows the view.
        r = arc.dxf.radius
        under = (arc.dxf.center.x, arc.dxf.center.y + r)
        at, rim = self.screen(*under), self.screen(under[0] + r, under[1])
        ActionChains(self.driver).scroll_from_origin(
            ScrollOrigin.from_viewport(*at), 0, -300).perform()
        wait_until(lambda: self.screen(under[0] + r, under[1])[0] - at[0] > 1.4 * (rim[0] - at[0]),
                   "the wheel to zoom in")
        self.assertLessEqual(max(abs(a - b) for a, b in zip(self.screen(*under), at)), 1)

        self.type_line("oblouk_kota_m")
        self.wait_for_waiting("entity")
        middle = arc.dxf.start_angle + sweep_degrees(arc) / 2
        self.pointer(*on_arc(arc, middle), click=True)
        self.wait_for_waiting("drag")
        last = self.drag_outward(arc, [r * 1.15, r * 1.3, r * 1.45, r * 1.6])
        if ARGS.screenshot:
            self.driver.save_screenshot(ARGS.screenshot)
        self.pointer(*last, click=True)
        self.wait_for_waiting("command")

        added = wait_until(lambda: self.dimension_handles() - before, "the new dimension")
        self.assertEqual(len(added), 1)
        handle = added.pop()
        text = self.driver.find_element(
            By.CSS_SELECTOR, f'#drawing [data-handle="{handle}"]').get_attribute("data-text")
        separator = decimal_separator(doc)
        whole, _, decimals = text.partition(separator)
        length = r * math.radians(sweep_degrees(arc))
        self.assertAlmostEqual(float(whole + "." + decimals), length,
                               delta=0.5 * 10 ** -len(decimals) + 1e-9, msg=text)
        self.assertEqual(len(decimals), doc.header.get("$LUPREC", 4), text)
        self.assertIsNone(self.dragged_top(), "the drag has ended")

        self.driver.find_element(By.ID, "save").click()
        wait_until(lambda: "Drawing saved to" in self.transcript(), "the Save button")
        saved_texts = {d.dxf.handle: d.dxf.get("text") for d in
                       ezdxf.readfile(self.saved).modelspace().query("DIMENSION")}
        self.assertEqual(saved_texts.get(handle), text)

        self.assertEqual(self.session.interrupt(), 0, "".join(self.session.errors))
        self.assertIn("oblouk_kota_m", self.session.transcript())
        report = self.read_report()
        self.assertEqual([c["name"] for c in report["commands"]], ["oblouk_kota_m"])
        self.assertIn({"handle": handle, "text": text},
                      [{"handle": e["handle"], "text": e.get("text")} for e in report["entities"]])

    def test_a_message_box_is_a_modal_dialog_the_command_waits_for(self):
        _, arc = plain_arc(ARGS.drawing)
        before = self.dimension_handles()
        self.type_line("oblouk_kota3_m")
        self.wait_for_waiting("entity")
        middle = arc.dxf.start_angle + sweep_degrees(arc) / 2
        self.pointer(*on_arc(arc, middle), click=True)
        self.wait_for_waiting("drag")
        last = self.drag_outward(arc, [arc.dxf.radius * 1.25])
        self.pointer(*last, click=True)
        self.wait_for_waiting("point")
        # The first extension point on the arc, the second one outside its sweep: the host
        # replaces it by the arc's end and says so in a warning box.
        self.pointer(*on_arc(arc, arc.dxf.start_angle + sweep_degrees(arc) / 4), click=True)
        self.pointer(*on_arc(arc, arc.dxf.end_angle + (360 - sweep_degrees(arc)) / 2), click=True)

        box = self.driver.find_element(By.ID, "messagebox")
        wait_until(lambda: box.get_attribute("open") is not None, "the message box")
        self.assertEqual(self.waiting(), "messagebox")
        caption = box.find_element(By.CSS_SELECTOR, ".caption").text
        message = box.find_element(By.CSS_SELECTOR, ".text").text
        self.assertEqual(box.get_attribute("data-icon"), "warning")
        # The command waits for OK: it has not ended (no summary of its changes yet), also
        # after a while and a click on the drawing.
        time.sleep(0.3)
        self.pointer(*on_arc(arc, middle), click=True)
        self.assertEqual(self.waiting(), "messagebox")
        self.assertNotIn("added", self.transcript())
        during = self.dimension_handles()

        box.find_element(By.ID, "messagebox-ok").click()
        self.wait_for_waiting("command")
        self.assertIsNone(box.get_attribute("open"))
        self.assertIn("1 dimension added", self.transcript())
        added = self.dimension_handles() - before
        self.assertEqual(len(added), 1)
        self.assertNotEqual(self.dimension_handles(), during)

        self.assertEqual(self.session.interrupt(), 0, "".join(self.session.errors))
        boxes = self.read_report()["messageBoxes"]
        self.assertEqual([(b["caption"], b["text"], b["style"]) for b in boxes],
                         [(caption, message, 0x30)])


def main():
    global ARGS
    ARGS, rest = parse_arguments("--screenshot")
    missing = [path for path in (CHROMIUM, CHROMEDRIVER) if not os.path.exists(path)]
    if missing or not HAVE_SELENIUM:
        print("SKIPPED: the browser tests need Debian's chromium, chromium-driver and "
              "python3-selenium (make deps installs them); missing: " +
              ", ".join(missing + ([] if HAVE_SELENIUM else ["python3-selenium"])))
        return SKIPPED
    os.makedirs(ARGS.work, exist_ok=True)
    return run_tests(rest)


if __name__ == "__main__":
    sys.exit(main())
