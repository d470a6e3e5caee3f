"""The main window's layout on the real program, at Wine's 96 DPI and at
144 DPI: the fixed window with its client area in twips, centred; every
visible control where its twips put it at the screen's DPI (auto-sized
labels at their left and top, as large as their text in their font); the
column titles of both views, which at other DPIs than 96 stand over the
list's tab stops instead of at their twips; screenshots of each view."""

import harness as h
from harness import IDS

WS_THICKFRAME, WS_MAXIMIZEBOX, WS_MINIMIZEBOX, WS_CAPTION = 0x40000, 0x10000, 0x20000, 0xC00000

# id, left, top, width, height in twips; sized to text: (points x 100, bold) or None.
VISIBLE = [
    ("IDC_ROOT_LOBJEKTE", 135, 460, 9690, 5730, None),
    ("IDC_ROOT_BSTARTEN", 135, 6705, 1185, 420, None),
    ("IDC_ROOT_BANHALTEN", 1395, 6705, 1185, 420, None),
    ("IDC_ROOT_BBEARBEITEN", 2655, 6705, 1185, 420, None),
    ("IDC_ROOT_BDRUCKEN", 4050, 6705, 1185, 420, None),
    ("IDC_ROOT_BCHECKER", 5310, 6705, 1185, 420, None),
    ("IDC_ROOT_BERWEITERT", 180, 6345, 3840, 240, None),
    ("IDC_ROOT_BSTARTCAPTION", 8325, 6390, 1185, 210, (900, False)),
    ("IDC_ROOT_LABEL0", 125, 135, 9700, 300, None),
    ("IDC_ROOT_LABEL1", 180, 165, 1830, 240, (975, True)),
    ("IDC_ROOT_LABEL2", 3915, 165, 3540, 240, (975, True)),
]
NEVER_SHOWN = ["IDC_ROOT_BBACKUPS", "IDC_ROOT_BABBRECHEN", "IDC_ROOT_LPROFILE"]
# The column titles' left edges in twips and the tab stops (dialog units)
# of the columns they stand over.
TITLE_STOPS = {3915: 144, 4615: 170, 7365: 275}
ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
CLIENT_EDGE = 2  # the list's sunken border, in pixels


def px(twips, dpi):
    """Twips to pixels, rounded as MulDiv rounds."""
    return (twips * dpi * 2 + 1440) // 2880


class LayoutChecks:
    """The checks, for a test class that sets the screen's DPI."""

    def assert_near(self, actual, expected, what):
        self.assertLessEqual(abs(actual - expected), 1, "%s: %s, expected %s" % (what, actual, expected))

    def assert_placed(self, name, left, top, width, height, font, dpi):
        d = self.driver
        c = d.control(IDS[name])
        self.assertTrue(c["shown"], name)
        r = c["rect"]
        if name == "IDC_ROOT_BSTARTCAPTION":
            # Right-aligned: it keeps the right edge it had with its caption
            # at start, "Startvorgang: ", and grows to the left.
            at_start = d.text_extent("Startvorgang: ", "Tahoma", font[0], font[1])["cx"]
            self.assert_near(r["right"], px(left, dpi) + at_start, name + " right")
        elif dpi != 96 and left in TITLE_STOPS:
            # Where the list starts a column: a quarter of its font's average
            # character width per dialog unit, one pixel into the text area.
            average = (d.text_extent(ALPHABET)["cx"] // 26 + 1) // 2
            column = (d.control(IDS["IDC_ROOT_LOBJEKTE"])["rect"]["left"] + CLIENT_EDGE + 1
                      + (TITLE_STOPS[left] * average * 2 + 4) // 8)
            self.assertLessEqual(abs(r["left"] - column), 2, "%s left: %s, column at %s" % (name, r["left"], column))
        else:
            self.assert_near(r["left"], px(left, dpi), name + " left")
        self.assert_near(r["top"], px(top, dpi), name + " top")
        if font:
            extent = d.text_extent(c["text"], "Tahoma", font[0], font[1])
            self.assert_near(r["right"] - r["left"], extent["cx"], name + " width (its text's)")
            self.assert_near(r["bottom"] - r["top"], extent["cy"], name + " height (its text's)")
        else:
            self.assert_near(r["right"] - r["left"], px(width, dpi), name + " width")
            self.assert_near(r["bottom"] - r["top"], px(height, dpi), name + " height")
        return c

    def test_layout(self):
        d = self.driver
        d.seed([h.service("SwLayout", display="Layout-Dienst", description="Für die Maße", start=2),
                h.driver_entry("SwLayoutDrv", display="Layout-Treiber", start=4, group="Base")])
        self.start_merotan()
        dpi = self.LOGPIXELS or 96
        self.assertEqual(d.screen()["dpi_x"], dpi)

        window = d.wait_window("root")
        self.assertEqual(window["text"], h.CAPTION)
        self.assertEqual(window["style"] & WS_THICKFRAME, 0, "resizable")
        self.assertEqual(window["style"] & WS_MAXIMIZEBOX, 0, "can be maximised")
        self.assertEqual(window["style"] & WS_CAPTION, WS_CAPTION)
        self.assert_near(window["client"]["right"], px(9975, dpi), "client width")
        self.assert_near(window["client"]["bottom"], px(7245, dpi), "client height")
        screen = d.screen()
        frame = window["window_rect"]
        self.assert_near(frame["left"] + frame["right"], screen["width"], "centred across")
        self.assert_near(frame["top"] + frame["bottom"], screen["height"], "centred down")

        for entry in VISIBLE:
            self.assert_placed(*entry, dpi)
        for name in NEVER_SHOWN + ["IDC_ROOT_LABEL3"]:
            self.assertFalse(d.control(IDS[name])["visible"], name)
        status = d.control(IDS["IDC_ROOT_BSTARTCAPTION"])
        self.assertTrue(status["text"].startswith("Startvorgang: "), status["text"])
        self.assertLessEqual(status["rect"]["right"], window["client"]["right"])
        self.session.screenshot("service-view-%d-dpi" % dpi, self.window["window_rect"])

        # The driver view moves and adds column titles.
        d.keys("End")  # so that the new view's first selection can be told apart
        d.click(IDS["IDC_ROOT_BERWEITERT"])
        d.answer("ok")
        self.wait_until(lambda: not d.msgbox(timeout_ms=0)["present"], message="the warning to close")
        self.wait_until(lambda: d.list(lines=False)["selected"] == 0, message="the driver view")
        self.assertIn("Layout-Treiber\tSwLayoutDrv\tBase", d.list()["lines"])
        self.assert_placed("IDC_ROOT_LABEL1", 180, 165, 0, 0, (975, True), dpi)
        self.assert_placed("IDC_ROOT_LABEL2", 4615, 165, 0, 0, (975, True), dpi)
        self.assert_placed("IDC_ROOT_LABEL3", 7365, 165, 0, 0, (975, True), dpi)
        self.assertEqual(d.control(IDS["IDC_ROOT_LABEL2"])["text"], "Gerätename")
        for name in NEVER_SHOWN:
            self.assertFalse(d.control(IDS[name])["visible"], name)
        self.session.screenshot("driver-view-%d-dpi" % dpi, self.window["window_rect"])


class LayoutAt96Dpi(LayoutChecks, h.E2ETestCase):
    LOGPIXELS = None


class LayoutAt144Dpi(LayoutChecks, h.E2ETestCase):
    LOGPIXELS = 144


if __name__ == "__main__":
    h.main()
