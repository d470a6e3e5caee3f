"""The window "Änderungen seit dem letzten Start": the second run compares the
first run's export of the Services key with the registry after changes made
behind the program's back, lists exactly those changes, sorts, prints to the
PDF queue and saves."""

import os
import shutil
import unittest

import harness as h
import privatecups
from harness import IDS

CHANGES = IDS["SW_CHANGES_CLASS"]
LIST = IDS["IDC_CHG_LIST"]
PRINT = IDS["IDC_CHG_BDRUCKEN"]
SAVE = IDS["IDC_CHG_BSPEICHERN"]
STATUS = IDS["IDC_CHG_STATUS"]
COLUMNS = ["Eintrag", "Schlüssel", "Änderung", "Vorher", "Jetzt"]
FILE_NAME_BOX = 1148  # the save dialog's file name box (cmb13)
DLL_PATH = h.SERVICES + r"\SwChgDll\Parameters"


def text_of(value):
    type_, data = value
    return data.decode("utf-16-le").split("\0")[0]


class ChangesWindowTest(h.E2ETestCase):
    TIME_LIMIT = 150
    cups = None

    @classmethod
    def setUpClass(cls):
        # Printing needs a private scheduler started before the prefix; the
        # rest of the test runs without it.
        cls.cups = None if privatecups.available() else privatecups.PrivateCups().start()
        cls._restore_server = privatecups.point_clients_at(cls.cups.socket) if cls.cups else None

    @classmethod
    def tearDownClass(cls):
        if cls.cups:
            cls._restore_server()
            cls.cups.stop()

    def open_changes(self):
        """Opens the window from the system menu by keys: Alt+Space, then the
        item's access key."""
        d = self.driver
        d.keys("Alt+Space")
        d.keys("d")
        window = d.wait_window(CHANGES, timeout_ms=30000)
        self.assertIsNotNone(window, "the changes window did not appear")
        self.wait_until(lambda: d.control(STATUS, window=CHANGES)["text"], timeout=60, message="the status line")
        return window

    def test_second_run_lists_exactly_the_changes_made_behind_its_back(self):
        d = self.driver
        s = self.session
        d.seed([
            h.service("SwChgKeep", display="Bleibt gleich", start=2, image_path=r"C:\bleibt.exe"),
            h.service("SwChgGone", display="Wird entfernt", start=3, image_path=r"C:\weg.exe"),
            h.service("SwChgImage", display="Neues Programm", start=3, image_path=r"C:\alt\dienst.exe"),
            h.service("SwChgDll", display="Neue DLL", start=3, image_path=r"%SystemRoot%\system32\svchost.exe -k x"),
            h.service("SwChgAccount", display="Anderes Konto", start=3, object_name="NT AUTHORITY\\LocalService",
                      image_path=r"C:\konto.exe"),
            h.service("SwChgStart", display="Anderer Start", start=3, image_path=r"C:\start.exe"),
        ])
        d.reg_set(DLL_PATH, "ServiceDll", h.expand_sz(r"C:\alt.dll"))
        folder = self.start_merotan()
        self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        d.keys("Esc")
        self.wait_program_end()

        # Behind the program's back.
        s.wine("sc", "create", "SwChgNew", "binPath=", r"C:\neu\neu.exe", "DisplayName=", "Neuer Dienst")
        d.reg_delete_key(h.SERVICES + r"\SwChgGone")
        d.reg_set(h.SERVICES + r"\SwChgImage", "ImagePath", h.expand_sz(r"C:\boese\dienst.exe"))
        d.reg_set(DLL_PATH, "ServiceDll", h.expand_sz(r"C:\boese.dll"))
        d.reg_set(h.SERVICES + r"\SwChgAccount", "ObjectName", h.sz("LocalSystem"))
        d.reg_set(h.SERVICES + r"\SwChgStart", "Start", h.dword(4))
        new_image = text_of((0, bytes(d.reg_get(h.SERVICES + r"\SwChgNew", "ImagePath")["data"])))

        self.start_merotan(folder)
        window = self.open_changes()
        status = d.control(STATUS, window=CHANGES)["text"]
        self.assertEqual(status, "Verglichen mit C:\\Startwart\\Merotan.tmr: 6 Änderungen.")
        view = d.listview(LIST, CHANGES)
        self.assertEqual(view["columns"], COLUMNS)
        expected = [
            ["Anderes Konto", "SwChgAccount", "ObjectName", "NT AUTHORITY\\LocalService", "LocalSystem"],
            ["Neue DLL", "SwChgDll", "Parameters\\ServiceDll", r"C:\alt.dll", r"C:\boese.dll"],
            ["Wird entfernt", "SwChgGone", "Eintrag entfernt", r"C:\weg.exe", ""],
            ["Neues Programm", "SwChgImage", "ImagePath", r"C:\alt\dienst.exe", r"C:\boese\dienst.exe"],
            ["Neuer Dienst", "SwChgNew", "Eintrag hinzugefügt", "", new_image],
            ["Anderer Start", "SwChgStart", "Start", "Manuell", "Deaktiviert"],
        ]
        self.assertEqual(view["rows"], expected)
        self.assertEqual(view["sort"], [""] * 5)
        shot = s.screenshot("changes-window", window["window_rect"])
        self.assertTrue(os.path.getsize(shot) > 0)

        # Sorting by "Änderung", then the other way round.
        d.column_click(2, LIST, CHANGES)
        view = d.listview(LIST, CHANGES)
        self.assertEqual([row[2] for row in view["rows"]],
                         sorted((row[2] for row in expected), key=str.casefold))
        self.assertEqual(view["sort"], ["", "", "up", "", ""])
        d.column_click(2, LIST, CHANGES)
        view = d.listview(LIST, CHANGES)
        self.assertEqual([row[2] for row in view["rows"]],
                         sorted((row[2] for row in expected), key=str.casefold, reverse=True))
        self.assertEqual(view["sort"], ["", "", "down", "", ""])
        rows_shown = view["rows"]

        # Saving as CSV: the save dialog, a name, its OK.
        target = os.path.join(folder, "Aenderungen.csv")
        d.click(SAVE, window=CHANGES)
        self.assertIsNotNone(d.wait_window("#32770", timeout_ms=20000))
        d.set_text(FILE_NAME_BOX, s.unix_to_windows(target), window="#32770")
        d.click(1, window="#32770")
        self.wait_until(lambda: os.path.exists(target) and os.path.getsize(target) > 0, message="the saved file")
        with open(target, "rb") as f:
            saved = f.read()
        self.assertTrue(saved.startswith(b"\xef\xbb\xbf"))
        lines = saved[3:].decode("utf-8").split("\r\n")
        self.assertEqual(lines[0], ";".join(COLUMNS))
        self.assertEqual(lines[1:-1], [";".join(row) for row in rows_shown])
        self.assertEqual(lines[-1], "")

        # Printing to the PDF queue.
        if self.cups:
            before = len(self.cups.pdfs())
            d.click(PRINT, window=CHANGES)
            path = self.cups.wait_pdfs(before + 1)[before]
            text = privatecups.pdf_text(path)
            os.makedirs(s.artifacts, exist_ok=True)
            shutil.copy(path, os.path.join(s.artifacts, "changes-printed.pdf"))
            self.assertIn("Änderungen seit dem letzten Start - Ausdruck vom", text)
            self.assertIn("SwChgStart", text)
            self.assertIn("Vorher: Manuell", text)
            self.assertIn("Jetzt: Deaktiviert", text)
            self.assertIn("Vorher: NT AUTHORITY\\LocalService", text)
            self.assertIn(r"Jetzt: C:\boese.dll", text)
            self.assertIn("Eintrag hinzugefügt", text)
        d.keys("Esc")
        self.wait_until(lambda: not [w for w in d.windows() if w.get("class") == CHANGES
                                     and w.get("visible")],
                        message="the changes window to close")
        self.assertEqual(d.control(IDS["IDC_ROOT_BDRUCKEN"])["text"], "&Drucken")
        d.keys("Esc")
        self.wait_program_end()
        if not self.cups:
            raise unittest.SkipTest("printed nothing: " + privatecups.available())

    def test_key_lines_with_trailing_or_doubled_backslashes_name_the_entry_as_regedit_reads_them(self):
        # The registry editor imports "[...\\AccSvcAuto\\]" as AccSvcAuto
        # (and a run of backslashes as one): the window lists the start type's
        # change, not an entry added.
        d = self.driver
        d.seed([h.service("AccSvcAuto", display="acc auto dienst", start=4),
                h.service("AccSvcDeep", display="acc tief dienst", start=3)])
        folder = self.start_merotan()
        export_path = os.path.join(folder, "Merotan.reg")
        export = self.wait_for_export(export_path).decode("utf-16-le")
        d.keys("Esc")
        self.wait_program_end()
        for plain, odd in (("\\Services\\AccSvcAuto]\r\n", "\\Services\\AccSvcAuto\\]\r\n"),
                           ("\\Services\\AccSvcDeep]\r\n", "\\Services\\\\AccSvcDeep\\\\\\]\r\n")):
            self.assertIn(plain, export)
            export = export.replace(plain, odd)
        with open(export_path, "wb") as f:
            f.write(export.encode("utf-16-le"))
        d.reg_set(h.SERVICES + r"\AccSvcAuto", "Start", h.dword(2))
        d.reg_set(h.SERVICES + r"\AccSvcDeep", "Start", h.dword(4))

        self.start_merotan(folder)
        self.open_changes()
        self.assertEqual(d.listview(LIST, CHANGES)["rows"], [
            ["acc auto dienst", "AccSvcAuto", "Start", "Deaktiviert", "Automatisch"],
            ["acc tief dienst", "AccSvcDeep", "Start", "Manuell", "Deaktiviert"],
        ])
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()

    def test_without_a_previous_export_it_says_which_file_it_looked_for(self):
        d = self.driver
        self.start_merotan()
        self.open_changes()
        self.assertEqual(d.control(STATUS, window=CHANGES)["text"],
                         "Kein Export vom letzten Start gefunden: C:\\Startwart\\Merotan.tmr")
        self.assertEqual(d.listview(LIST, CHANGES)["count"], 0)
        self.assertFalse(d.control(PRINT, window=CHANGES)["enabled"])
        self.assertFalse(d.control(SAVE, window=CHANGES)["enabled"])
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()


if __name__ == "__main__":
    h.main()
