"""The start-type editor: opened by double click, Enter and "&Bearbeiten" on a
service line; its layout, focus and keyboard path; Ok writes "Description"
and "Start" and replaces the list line; Abbrechen, Esc and the close button
write nothing; an empty description stops the opening with its message."""

import harness as h
from harness import IDS

KEY = "EdSvc"
PATH = h.SERVICES + "\\" + KEY
DISPLAY = "Editor Testdienst"
LINE = DISPLAY + "\tBeschreibung alt\t" + KEY


def px(twips, dpi):
    """Twips to pixels as the program turns them (MulDiv rounds half up)."""
    return (twips * dpi + 720) // 1440


def by_id(children):
    return {c["id"]: c for c in children["children"]}


class EditorTest(h.E2ETestCase):

    def seed_and_start(self, *extra):
        self.driver.seed([h.service(KEY, display=DISPLAY, description="Beschreibung alt", start=3,
                                    image_path="%SystemRoot%\\system32\\edsvc.exe"),
                          h.service("EdOther", display="Anderer Dienst", description="bleibt", start=2),
                          *extra])
        self.start_merotan()

    def open_dialog(self, how, index):
        d = self.driver
        if how == "dblclick":
            d.dblclick(index)
        elif how == "enter":
            d.select(index)
            d.keys("Enter")
        else:
            d.select(index)
            d.click(IDS["IDC_ROOT_BBEARBEITEN"])
        self.assertIsNotNone(d.wait_window("settings", timeout_ms=5000), "the editor did not open (%s)" % how)
        return by_id(d.children("settings"))

    def assert_closed(self, focus="IDC_ROOT_LOBJEKTE"):
        """The dialog is gone and the main window takes input again, with the
        focus back where it was before the opening."""
        d = self.driver
        # Input commands may return while Ok still yields; the window goes
        # when the handler has finished.
        self.wait_until(lambda: IDS["SW_SETTINGS_CLASS"] not in [w["class"] for w in d.windows()],
                        timeout=5, message="the editor to be unloaded")
        root = d.wait_window("root")
        self.assertTrue(root["enabled"], "the main window stays disabled")
        self.assertEqual(d.focused_id(), IDS[focus])

    def test_double_click_opens_the_entry_and_the_keyboard_path_saves_it(self):
        d = self.driver
        self.seed_and_start()
        index = d.lines().index(LINE)
        c = self.open_dialog("dblclick", index)
        self.session.screenshot("editor-open")
        dpi = d.control(IDS["IDC_ROOT_LOBJEKTE"])["dpi"]

        dialog = d.children("settings")
        self.assertEqual(dialog["text"], " Steuerungselemente")
        self.assertEqual(dialog["client"], {"left": 0, "top": 0, "right": px(5400, dpi), "bottom": px(3435, dpi)})
        # Modal over the main window, and centred over it.
        windows = {w["class"]: w for w in d.windows()}
        self.assertFalse(windows[IDS["SW_ROOT_CLASS"]]["enabled"])
        root = d.wait_window("root")["window_rect"]
        own = d.wait_window("settings")["window_rect"]
        self.assertLessEqual(abs((root["left"] + root["right"]) - (own["left"] + own["right"])), 2)
        self.assertLessEqual(abs((root["top"] + root["bottom"]) - (own["top"] + own["bottom"])), 2)

        caption = c[IDS["IDC_SET_RCAPTION"]]
        description = c[IDS["IDC_SET_RDESCRIPTION"]]
        start_type = c[IDS["IDC_SET_LSTARTTYPE"]]
        reg_name = c[IDS["IDC_SET_RREGNAME"]]
        image = c[IDS["IDC_SET_RIMAGE"]]
        self.assertEqual(caption["text"], DISPLAY)
        self.assertEqual(description["text"], "Beschreibung alt")
        self.assertEqual((description["sel_start"], description["sel_end"]), (16, 16))  # caret at the end
        self.assertEqual(start_type["lines"], ["Automatisch", "Manuell", "Deaktiviert"])
        self.assertEqual(start_type["selected"], 1)
        self.assertEqual(reg_name["text"], KEY)
        self.assertTrue(reg_name["readonly"])
        self.assertEqual(image["text"], "%SystemRoot%\\system32\\edsvc.exe")
        self.assertEqual(c[IDS["IDC_SET_BREADY"]]["text"], "&Ok")
        self.assertEqual(c[IDS["IDC_SET_BABBRECHEN"]]["text"], "&Abbrechen")
        self.assertEqual(d.focused_id("settings"), IDS["IDC_SET_RDESCRIPTION"])
        # Positions from the layout, in the dialog's client area.
        for ident, left, top, width, height in (
                ("IDC_SET_RCAPTION", 225, 180, 3480, 870), ("IDC_SET_RDESCRIPTION", 180, 1125, 5055, 1410),
                ("IDC_SET_BREADY", 4095, 135, 1140, 420), ("IDC_SET_BABBRECHEN", 4095, 585, 1140, 420),
                ("IDC_SET_PICTURE1", 180, 2925, 3075, 330), ("IDC_SET_PIMAGE", 180, 2565, 5055, 330)):
            self.assertEqual(c[IDS[ident]]["rect"],
                             {"left": px(left, dpi), "top": px(top, dpi), "right": px(left, dpi) + px(width, dpi),
                              "bottom": px(top, dpi) + px(height, dpi)}, ident)
        combo = start_type["rect"]
        self.assertEqual((combo["left"], combo["top"], combo["right"]),
                         (px(3330, dpi), px(2925, dpi), px(3330, dpi) + px(1905, dpi)))

        # Typing, Enter (to the list, no line break), Down, Enter (to Ok), Enter (Ok).
        d.keys("space", "n", "e", "u", "Enter")
        self.assertEqual(d.focused_id("settings"), IDS["IDC_SET_LSTARTTYPE"])
        d.keys("Down", "Enter")
        self.assertEqual(d.focused_id("settings"), IDS["IDC_SET_BREADY"])
        c = by_id(d.children("settings"))
        self.assertEqual(c[IDS["IDC_SET_RDESCRIPTION"]]["text"], "Beschreibung alt neu")
        self.assertEqual(c[IDS["IDC_SET_LSTARTTYPE"]]["selected"], 2)
        d.keys("Enter")
        self.assert_closed()

        got = d.reg_get(PATH, "Description")
        self.assertEqual((got["type"], got["data"]), h.sz("Beschreibung alt neu"))
        got = d.reg_get(PATH, "Start")
        self.assertEqual((got["type"], got["data"]), h.dword(4))
        listed = d.list()
        self.assertEqual(listed["lines"][index], DISPLAY + "\tBeschreibung alt neu\t" + KEY)
        self.assertEqual(listed["selected"], index)
        self.assertEqual(d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["text"], "Startvorgang: Deaktiviert")

    def test_a_look_alike_key_name_is_edited_under_its_own_key(self):
        # "AccSvcManual" and the same with a fullwidth reverse solidus, which
        # a best-fit conversion turns into a path separator: Ok on the second
        # writes into it alone.
        d = self.driver
        wide = "AccSvcManual\uff3c"
        self.seed_and_start(h.service("AccSvcManual", display="Schmal", description="schmal alt", start=3),
                            h.service(wide, display="Breit", description="breit alt", start=3))
        untouched = d.reg_tree(h.SERVICES + "\\AccSvcManual")
        line = "Breit\tbreit alt\t" + wide
        index = d.lines().index(line)
        c = self.open_dialog("dblclick", index)
        self.assertEqual(c[IDS["IDC_SET_RREGNAME"]]["text"], wide)
        self.assertEqual(c[IDS["IDC_SET_RDESCRIPTION"]]["text"], "breit alt")
        self.assertEqual(c[IDS["IDC_SET_LSTARTTYPE"]]["selected"], 1)
        d.keys("space", "n", "e", "u", "Enter", "Down", "Enter", "Enter")
        self.assert_closed()

        got = d.reg_get(h.SERVICES + "\\" + wide, "Description")
        self.assertEqual((got["type"], got["data"]), h.sz("breit alt neu"))
        got = d.reg_get(h.SERVICES + "\\" + wide, "Start")
        self.assertEqual((got["type"], got["data"]), h.dword(4))
        self.assertEqual(d.reg_tree(h.SERVICES + "\\AccSvcManual"), untouched)
        self.assertEqual(d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["text"], "Startvorgang: Deaktiviert")
        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)

    def test_an_entry_whose_texts_hold_tabs_is_opened_and_written_under_its_own_key(self):
        # Split at its TABs, the line of AccEvilName would name AccSvcAuto.
        d = self.driver
        self.seed_and_start(h.service("AccSvcAuto", description="Auto", start=2),
                            h.service("AccEvilName", display="Harmlos\tx\tAccSvcAuto", description="Zwei\tTABs\tda",
                                      start=3))
        untouched = d.reg_tree(h.SERVICES + "\\AccSvcAuto")
        line = "Harmlos x AccSvcAuto\tZwei TABs da\tAccEvilName"
        index = d.lines().index(line)
        c = self.open_dialog("enter", index)
        self.assertEqual(c[IDS["IDC_SET_RCAPTION"]]["text"], "Harmlos\tx\tAccSvcAuto")
        self.assertEqual(c[IDS["IDC_SET_RREGNAME"]]["text"], "AccEvilName")
        self.assertEqual(c[IDS["IDC_SET_RDESCRIPTION"]]["text"], "Zwei\tTABs\tda")
        self.assertEqual(c[IDS["IDC_SET_LSTARTTYPE"]]["selected"], 1)
        d.keys("space", "n", "e", "u", "Enter", "End", "Enter", "Enter")  # "Deaktiviert", Ok
        self.assert_closed()

        path = h.SERVICES + "\\AccEvilName"
        got = d.reg_get(path, "Description")
        self.assertEqual((got["type"], got["data"]), h.sz("Zwei\tTABs\tda neu"))
        self.assertEqual(d.reg_get(path, "Start")["data"], h.dword(4)[1])
        self.assertEqual(d.reg_tree(h.SERVICES + "\\AccSvcAuto"), untouched)
        listed = d.list()
        self.assertEqual(listed["lines"][listed["selected"]], "Harmlos x AccSvcAuto\tZwei TABs da neu\tAccEvilName")
        self.assertEqual(d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["text"], "Startvorgang: Deaktiviert")
        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)

    def test_enter_and_the_button_open_it_and_cancel_esc_and_close_write_nothing(self):
        d = self.driver
        self.seed_and_start()
        before = d.reg_tree()
        lines = d.lines()
        index = lines.index(LINE)
        ids = {k: IDS[k] for k in ("IDC_SET_RDESCRIPTION", "IDC_SET_LSTARTTYPE", "IDC_SET_PIMAGE",
                                   "IDC_SET_RIMAGE", "IDC_SET_BREADY", "IDC_SET_RCAPTION")}

        c = self.open_dialog("enter", index)
        self.assertEqual(c[ids["IDC_SET_RDESCRIPTION"]]["text"], "Beschreibung alt")
        d.keys("x", "Enter", "Up")
        d.click(IDS["IDC_SET_BABBRECHEN"], window="settings", via="input")
        self.assert_closed()
        self.assertEqual(d.reg_tree(), before)
        self.assertEqual(d.lines(), lines)

        c = self.open_dialog("button", index)
        self.assertEqual(c[ids["IDC_SET_RDESCRIPTION"]]["text"], "Beschreibung alt")
        tall = c[ids["IDC_SET_RDESCRIPTION"]]["rect"]
        # A double click on the caption hides the image-path row and makes
        # the description box cover it; a second one restores both.
        d.dblclick(None, id=ids["IDC_SET_RCAPTION"], window="settings")
        c = by_id(d.children("settings"))
        self.assertFalse(c[ids["IDC_SET_PIMAGE"]]["visible"])
        self.assertFalse(c[ids["IDC_SET_RIMAGE"]]["visible"])
        dpi = d.control(IDS["IDC_ROOT_LOBJEKTE"])["dpi"]
        self.assertEqual(c[ids["IDC_SET_RDESCRIPTION"]]["rect"]["bottom"] - tall["top"], px(1770, dpi))
        d.keys("Esc")
        self.assert_closed("IDC_ROOT_BBEARBEITEN")
        self.assertEqual(d.reg_tree(), before)

        # The next opening starts from the design state.
        c = self.open_dialog("dblclick", index)
        self.assertTrue(c[ids["IDC_SET_PIMAGE"]]["visible"])
        self.assertEqual(c[ids["IDC_SET_RDESCRIPTION"]]["rect"], tall)
        # Clicking into the key-name field puts the focus on Ok.
        d.click(IDS["IDC_SET_RREGNAME"], window="settings", via="input")
        self.assertEqual(d.focused_id("settings"), ids["IDC_SET_BREADY"])
        d.dblclick(None, id=ids["IDC_SET_RCAPTION"], window="settings")
        d.close("settings")
        d.sync()
        self.assert_closed()
        self.assertEqual(d.reg_tree(), before)
        self.assertEqual(d.lines(), lines)

    def test_description_types_and_the_empty_description_message(self):
        d = self.driver
        self.seed_and_start(
            h.service("EdExpand", display="Expandierbar", description=h.expand_sz("Liegt in %SystemRoot%")),
            h.service("EdNone", display="Ohne Beschreibung", description=None),
            h.service("EdBinary", display="Binaer", description=h.binary(b"\x01\x02\x03\x04\x05\x06"), start=3))
        lines = d.lines()

        # A description that cannot be read (binary data of six bytes) shows
        # one blank; Ok leaves it as it is and still writes the start type.
        c = self.open_dialog("dblclick", lines.index("Binaer\t \tEdBinary"))
        self.assertEqual(c[IDS["IDC_SET_RDESCRIPTION"]]["text"], " ")
        d.keys("Enter", "End", "Enter", "Enter")  # to the list, "Deaktiviert", to Ok, Ok
        self.assert_closed()
        got = d.reg_get(h.SERVICES + "\\EdBinary", "Description")
        self.assertEqual((got["type"], got["data"]), h.binary(b"\x01\x02\x03\x04\x05\x06"))
        self.assertEqual(d.reg_get(h.SERVICES + "\\EdBinary", "Start")["data"], h.dword(4)[1])
        lines = d.lines()

        # A description stored as REG_EXPAND_SZ keeps its type on Ok.
        self.open_dialog("dblclick", lines.index("Expandierbar\tLiegt in %SystemRoot%\tEdExpand"))
        d.keys("Enter", "Home", "Enter", "Enter")  # to the list, "Automatisch", to Ok, Ok
        self.assert_closed()
        got = d.reg_get(h.SERVICES + "\\EdExpand", "Description")
        self.assertEqual((got["type"], got["data"]), h.expand_sz("Liegt in %SystemRoot%"))
        self.assertEqual(d.reg_get(h.SERVICES + "\\EdExpand", "Start")["data"], h.dword(2)[1])

        # A missing description shows one blank, and Ok stores it.
        c = self.open_dialog("dblclick", lines.index("Ohne Beschreibung\t \tEdNone"))
        self.assertEqual(c[IDS["IDC_SET_RDESCRIPTION"]]["text"], " ")
        d.click(IDS["IDC_SET_BREADY"], window="settings", via="input")
        self.assert_closed()
        got = d.reg_get(h.SERVICES + "\\EdNone", "Description")
        self.assertEqual((got["type"], got["data"]), h.sz(" "))

        # A description emptied since the list was built stops the opening.
        before = d.reg_tree()
        d.reg_set(PATH, "Description", h.sz(""))
        d.dblclick(d.lines().index(LINE))
        box = d.msgbox()
        self.assertTrue(box["present"])
        self.assertEqual(box["title"], " Zugriffsberechtigung")
        self.assertEqual(box["text"], "Konnte aus der Registrierung nicht vollständig lesen.     ")
        self.assertTrue(box["has_icon"])
        self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
        d.answer("ok")
        d.sync()
        self.assertFalse(d.msgbox(timeout_ms=200)["present"])
        self.assertNotIn(IDS["SW_SETTINGS_CLASS"], [w["class"] for w in d.windows()])
        after = d.reg_tree()
        self.assertEqual([k for k in after if k["name"] != KEY], [k for k in before if k["name"] != KEY])


if __name__ == "__main__":
    h.main()
