"""The main window's two views on the real program: the service view and the
driver view with the lines the registry calls for, the warnings of the check
box, the column titles and the edit button per view, and the start type of
every line as the keyboard walks the list."""

import harness as h
import oracle
from harness import IDS

LOBJEKTE = IDS["IDC_ROOT_LOBJEKTE"]
STATUS = IDS["IDC_ROOT_BSTARTCAPTION"]
CHECK = IDS["IDC_ROOT_BERWEITERT"]
EDIT = IDS["IDC_ROOT_BBEARBEITEN"]
LABEL1, LABEL2, LABEL3 = IDS["IDC_ROOT_LABEL1"], IDS["IDC_ROOT_LABEL2"], IDS["IDC_ROOT_LABEL3"]
LABELS = {2: "Automatisch", 3: "Manuell", 4: "Deaktiviert"}

TITLE = " Tavrine Startwart"
DRIVER_WARNING = ("Erweiterte Treiber-Dienste für vorhandene oder virtuelle Hardware-Geräte.   \n"
                  "Veränderungen am Startvorgang können möglicherweise verhindern \n"
                  "das Hardwarekomponenten (Mäuse etc.) nicht mehr funktionieren.")
SERVICE_WARNING = ("Standardmäßige Dienste für Aufgaben oder Prozeduren der Programme.   \n"
                   "Veränderungen am Startvorgang können möglicherweise verhindern \n"
                   "das Anwendungen oder Windows Komponenten funktionieren.")


def driver_lines(keys, unopenable):
    """The driver view's lines in enumeration order, from the stored bytes:
    every readable entry whose "DisplayName" reads; display text (40
    characters or more: its first 38 and "..."), TAB, key name, TAB, group
    ("(none)" when it does not read or comes out empty)."""
    lines = []
    for key in keys:
        name, values = key["name"], key.get("values", [])
        if name in unopenable or not key.get("readable", True):
            continue
        ok, display = oracle.read_value(values, "DisplayName")
        if not ok:
            continue
        display = " " if display is None else oracle.cut_at_nul(str(display))
        ok, group = oracle.read_value(values, "Group")
        group = oracle.cut_at_nul(str(group)) if ok and group is not None else ""
        lines.append(oracle.shorten(display, 40, 38) + "\t" + name + "\t" + (group or "(none)"))
    return lines


def key_name(line, driver_view):
    """The key name of a line: the second field in the driver view, the
    third in the service view; a line without TAB is a key name whole."""
    first, _, rest = line.partition("\t") if "\t" in line else ("", "", line)
    second, _, third = rest.partition("\t") if "\t" in rest else (rest, "", rest)
    return second if driver_view else third


class MainWindowViewsTest(h.E2ETestCase):
    TIME_LIMIT = 180

    def seed(self):
        self.driver.seed([
            # Services, start types 0 to 5 and none.
            h.service("SwAuto", display="Automatik-Dienst", description="Startet selbst", start=2),
            h.service("SwManual", display="Manueller Dienst", description="Auf Anfrage", start=3,
                      Group="Gruppe A"),
            h.service("SwOff", display="Abgeschalteter Dienst™", description="Aus", start=4),
            h.service("SwBoot", display="Bootdienst", description="Null", start=0),
            h.service("SwSystem", display="Systemdienst", description="Eins", start=1),
            h.service("SwFive", display="Fünfer-Dienst", description="Fünf", start=5),
            h.service("SwNoStart", display="Ohne Start", description="Kein Wert", start=None),
            h.service("SwSvc39", display="D" * 39, description="39", start=2),
            h.service("SwSvc40", display="E" * 40, description="40", start=3),
            h.service("SwSvc50", display="G" * 50, description="50", start=4),
            # Drivers: groups present, empty and missing.
            h.driver_entry("SwDrvBoot", display="Sw Boot-Treiber", start=0, group="Boot Bus Extender"),
            h.driver_entry("SwDrvSystem", display="Sw System-Treiber", start=1, group=""),
            h.driver_entry("SwDrvAuto", display="Sw Auto-Treiber", start=2),
            h.driver_entry("SwDrvManual", display="sw manueller treiber", start=3, group="Base"),
            h.driver_entry("SwDrvOff", display="Sw Gerät™ aus", start=4, group="Extended Base"),
            h.driver_entry("SwDrvFive", display="Sw Fünf", start=5, group="Base"),
            h.driver_entry("SwDrvNoStart", display="Sw Ohne Start", start=None, group="Base"),
            h.driver_entry("SwDrv39", display="t" * 39, start=1, group="Base"),
            h.driver_entry("SwDrv40", display="u" * 40, start=1, group="Base"),
            h.driver_entry("SwDrv50", display="v" * 50, start=1, group="Base"),
            h.driver_entry("SwDrvEmptyName", display="", start=3, group="Base"),
            h.driver_entry("SwDrvNoName", display=None, start=3, group="Base"),
        ])

    def caption(self):
        return self.driver.control(STATUS)["text"]

    def expected_caption(self, tree, name):
        key = next((k for k in tree if k["name"] == name), None)
        ok, start = oracle.read_value(key["values"], "Start") if key else (False, None)
        return "Startvorgang: " + LABELS.get(start if ok else None, "Unbekannt")

    def walk(self, lines, tree, driver_view):
        """Moves down the list line by line with the arrow key; after every
        move the selection and the start-type caption must follow."""
        d = self.driver
        d.keys("Home")
        for index, line in enumerate(lines):
            if index > 0:
                d.keys("Down")
            self.assertEqual(d.list(lines=False)["selected"], index)
            self.assertEqual(self.caption(), self.expected_caption(tree, key_name(line, driver_view)),
                             "line %d: %r" % (index, line))
        d.keys("End")
        self.assertEqual(d.list(lines=False)["selected"], len(lines) - 1)

    def toggle(self, how, expected_warning):
        """Toggles the check box as the user does, reads and answers the warning,
        and waits until the new view has been built."""
        d = self.driver
        if how == "mouse":
            d.click(CHECK, via="input")
        else:
            d.keys("Alt+E")
        box = d.msgbox()
        self.assertTrue(box["present"], "no warning")
        self.assertEqual(box["title"], TITLE)
        self.assertEqual(box["text"], expected_warning)
        self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
        self.assertTrue(box["has_icon"])
        d.answer("ok")
        self.wait_until(lambda: not d.msgbox(timeout_ms=0)["present"], message="the warning to close")
        # The walk left the last line selected; the new view selects its first
        # line once it is built.
        self.wait_until(lambda: d.list(lines=False)["selected"] == 0, message="the new view")
        shown = d.list()
        self.assertFalse(d.msgbox(timeout_ms=500)["present"], "a second box")
        return shown

    def px(self, twips, dpi):
        return twips * dpi // 1440 if (twips * dpi) % 1440 * 2 < 1440 else twips * dpi // 1440 + 1

    def test_both_views_line_by_line(self):
        d = self.driver
        self.seed()
        self.start_merotan()
        dpi = d.control(LABEL2)["dpi"]
        tree = d.reg_tree(h.SERVICES)
        closed = oracle.closed_keys(d, tree)

        # The service view at start.
        view = oracle.ServiceView(tree, closed)
        services = view.sorted_lines(d)
        shown = d.list()
        self.assertEqual(shown["lines"], services)
        self.assertIn("D" * 39 + "\t39\tSwSvc39", services)
        self.assertIn("E" * 37 + "...\t40\tSwSvc40", services)
        self.assertIn("G" * 37 + "...\t50\tSwSvc50", services)
        self.assertEqual(d.control(LABEL2)["text"], "Beschreibung (nährere Erklärungen)")
        self.assertFalse(d.control(LABEL3)["visible"])
        self.assertTrue(d.control(EDIT)["enabled"])
        self.session.screenshot("service-view", self.window["window_rect"])
        self.walk(services, tree, driver_view=False)

        # To the driver view with the mouse.
        shown = self.toggle("mouse", DRIVER_WARNING)
        drivers = d.sort_lines(driver_lines(tree, closed))
        self.assertEqual(shown["lines"], drivers)
        self.assertEqual(shown["selected"], 0)
        for line in ["Sw Boot-Treiber\tSwDrvBoot\tBoot Bus Extender", "Sw System-Treiber\tSwDrvSystem\t(none)",
                     "Sw Auto-Treiber\tSwDrvAuto\t(none)", "sw manueller treiber\tSwDrvManual\tBase",
                     "Sw Gerät™ aus\tSwDrvOff\tExtended Base", "t" * 39 + "\tSwDrv39\tBase",
                     "u" * 38 + "...\tSwDrv40\tBase", "v" * 38 + "...\tSwDrv50\tBase",
                     "Manueller Dienst\tSwManual\tGruppe A", "Automatik-Dienst\tSwAuto\t(none)"]:
            self.assertIn(line, drivers)
        self.assertEqual(drivers[0], "\tSwDrvEmptyName\tBase", "an empty display name sorts first")
        self.assertNotIn("SwDrvNoName", [key_name(l, True) for l in drivers])
        self.assertEqual(d.control(CHECK)["checked"], 1)
        self.assertEqual(d.control(LABEL1)["text"], "Name des Dienstes")
        label2 = d.control(LABEL2)
        self.assertEqual(label2["text"], "Gerätename")
        self.assertLessEqual(abs(label2["rect"]["left"] - self.px(4615, dpi)), 1)
        label3 = d.control(LABEL3)
        self.assertTrue(label3["shown"])
        self.assertEqual(label3["text"], "Zugehörigkeit")
        self.assertFalse(d.control(EDIT)["enabled"])
        self.assertEqual(d.focused_id(), LOBJEKTE)
        self.assertEqual(self.caption(), self.expected_caption(tree, key_name(drivers[0], True)))
        self.session.screenshot("driver-view", self.window["window_rect"])
        self.walk(drivers, tree, driver_view=True)

        # Back to the service view with the access key.
        shown = self.toggle("keys", SERVICE_WARNING)
        self.assertEqual(shown["lines"], services)
        self.assertEqual(shown["selected"], 0)
        self.assertEqual(d.control(CHECK)["checked"], 0)
        label2 = d.control(LABEL2)
        self.assertEqual(label2["text"], "Beschreibung (nährere Erklärungen)")
        self.assertLessEqual(abs(label2["rect"]["left"] - self.px(3915, dpi)), 1)
        self.assertFalse(d.control(LABEL3)["visible"])
        self.assertTrue(d.control(EDIT)["enabled"])
        self.assertEqual(d.focused_id(), LOBJEKTE)
        self.assertEqual(self.caption(), self.expected_caption(tree, key_name(services[0], False)))
        self.session.screenshot("service-view-again", self.window["window_rect"])


if __name__ == "__main__":
    h.main()
