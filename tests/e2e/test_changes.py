"""The window "Änderungen seit dem letzten Start": the second run compares the
first run's export of the Services key with the registry after changes made
behind the program's back, lists exactly those changes, sorts, prints to the
PDF queue and saves; and restores what the user selects, through the service
manager, with a preview first, a result after and an undo file that the
registry editor's import takes back. The window "Verlauf der Änderungen"
lists what three runs recorded with the runs' times, filters it, and takes
an entry back to the first run's export. The check without a window
("/pruefen") does the start's work on the side files, writes the window's
rows as CSV and says by its exit code whether anything changed."""

import csv
import datetime
import io
import os
import re
import shutil
import subprocess
import time
import unittest

import harness as h
import privatecups
from harness import IDS

CHANGES = IDS["SW_CHANGES_CLASS"]
LIST = IDS["IDC_CHG_LIST"]
PRINT = IDS["IDC_CHG_BDRUCKEN"]
SAVE = IDS["IDC_CHG_BSPEICHERN"]
STATUS = IDS["IDC_CHG_STATUS"]
COLUMNS = ["Eintrag", "Schlüssel", "Änderung", "Vorher", "Jetzt", "Hinweis"]
RESTORE = IDS["IDC_CHG_BZURUECKSETZEN"]
RESTORE_WINDOW = IDS["SW_RESTORE_CLASS"]
RESTORE_TEXT = IDS["IDC_RST_TEXT"]
RESTORE_YES = IDS["IDC_RST_BZURUECKSETZEN"]
RESTORE_NO = IDS["IDC_RST_BABBRECHEN"]
RESTORE_CHOICES = IDS["IDC_RST_CHOICES"]
HISTORY = IDS["SW_HISTORY_CLASS"]
HISTORY_LIST = IDS["IDC_HIS_LIST"]
HISTORY_STATUS = IDS["IDC_HIS_STATUS"]
HISTORY_FILTER = IDS["IDC_HIS_FILTER"]
HISTORY_RESTORE = IDS["IDC_HIS_BWIEDERHERSTELLEN"]
HISTORY_COLUMNS = ["Gefunden", "Eintrag", "Schlüssel", "Änderung", "Vorher", "Nachher", "Hinweis"]
BS_DEFPUSHBUTTON = 1
WS_MINIMIZE = 0x20000000
FILE_NAME_BOX = 1148  # the save dialog's file name box (cmb13)
DLL_PATH = h.SERVICES + r"\SwChgDll\Parameters"
TEST_SERVICE = os.environ.get("SW_E2E_TESTSERVICE",
                              os.path.join(h.DEFAULT_BUILD, "tests", "testservice", "TestService.exe"))
EXPORT_PREFIX = "HKEY_LOCAL_MACHINE\\" + h.SERVICES + "\\"


def csv_line(cells):
    """A line of the saved CSV file: ";" between cells, a cell with ";", a
    quote or outer blanks between quotes."""
    def cell(text):
        if any(c in text for c in ';"\r\n') or text != text.strip(" "):
            return '"' + text.replace('"', '""') + '"'
        return text
    return ";".join(cell(text) for text in cells)


def text_of(value):
    type_, data = value
    return data.decode("utf-16-le").split("\0")[0]


def entry_trees(d, keys):
    """The entries' keys and subkeys as the registry holds them now:
    {key name: {subkey path below it ("" for itself): {value: (type, bytes)}}}."""
    def walk(key, path, into):
        into[path] = {v["name"]: (v["type"], v["data"]) for v in key.get("values", [])}
        for sub in key.get("keys", []):
            walk(sub, path + "\\" + sub["name"] if path else sub["name"], into)
    trees = {}
    for key in d.reg_tree(depth=4):
        if key["name"] in keys:
            walk(key, "", trees.setdefault(key["name"], {}))
    return trees


def export_trees(data, keys):
    """The same for the entries in a registry export file."""
    trees = {}
    for path, deleted, values in h.read_reg_file(data):
        if deleted or not path.lower().startswith(EXPORT_PREFIX.lower()):
            continue
        name, _, below = path[len(EXPORT_PREFIX):].partition("\\")
        if name in keys:
            trees.setdefault(name, {})[below] = dict(values)
    return trees


def open_changes(test):
    """Opens the window from the system menu by keys: Alt+Space, then the
    item's access key."""
    d = test.driver
    d.keys("Alt+Space")
    d.keys("d")
    window = d.wait_window(CHANGES, timeout_ms=30000)
    test.assertIsNotNone(window, "the changes window did not appear")
    test.wait_until(lambda: d.control(STATUS, window=CHANGES)["text"], timeout=60, message="the status line")
    return window


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
        return open_changes(self)

    def test_second_run_lists_exactly_the_changes_made_behind_its_back(self):
        d = self.driver
        s = self.session
        # Programs that are there, so that only the notes looked for show.
        for parts in (("users", "Public", "helfer.exe"), ("Program Files", "A B", "x.exe")):
            os.makedirs(s.drive_c(*parts[:-1]), exist_ok=True)
            open(s.drive_c(*parts), "wb").close()
        d.seed([
            h.service("SwChgKeep", display="Bleibt gleich", start=2, image_path=r"C:\bleibt.exe"),
            h.service("SwChgGone", display="Wird entfernt", start=3, image_path=r"C:\weg.exe"),
            h.service("SwChgImage", display="Neues Programm", start=3, image_path=r"C:\alt\dienst.exe"),
            h.service("SwChgDll", display="Neue DLL", start=3, image_path=r"%SystemRoot%\system32\svchost.exe -k x"),
            h.service("SwChgAccount", display="Anderes Konto", start=3, object_name="NT AUTHORITY\\LocalService",
                      image_path=r"C:\konto.exe"),
            h.service("SwChgStart", display="Anderer Start", start=3, image_path=r"C:\start.exe"),
            h.service("SwChgCmd", display="Befehl", start=3, image_path=r"C:\alt\befehl.exe"),
            h.service("SwChgBlank", display="Leerzeichen", start=3, image_path=r'"C:\Program Files\A B\x.exe" -k'),
            # A per-user service's template and one instance of it.
            h.service("SwChgUser", display="Benutzerdienst", start=3, image_path=r"C:\benutzer.exe", type=0x50),
            h.service("SwChgUser_1a2b", display="Benutzerdienst_1a2b", start=3, image_path=r"C:\benutzer.exe",
                      type=0xD0),
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
        d.reg_set(h.SERVICES + r"\SwChgCmd", "ImagePath", h.expand_sz(r"cmd.exe /c echo boese"))
        d.reg_set(h.SERVICES + r"\SwChgBlank", "ImagePath", h.expand_sz(r"C:\Program Files\A B\x.exe -k"))
        # The instances of a logon: two come, one goes.
        d.seed([h.service("SwChgPublic", display="Öffentlich", start=2, image_path=r"C:\Users\Public\helfer.exe"),
                h.service("SwChgUser_3c4d", start=3, image_path=r"C:\benutzer.exe", type=0xD0),
                h.service("SwChgUser_5e6f", start=3, image_path=r"C:\benutzer.exe", type=0xD0)])
        d.reg_delete_key(h.SERVICES + r"\SwChgUser_1a2b")
        new_image = text_of((0, bytes(d.reg_get(h.SERVICES + r"\SwChgNew", "ImagePath")["data"])))

        self.start_merotan(folder)
        window = self.open_changes()
        status = d.control(STATUS, window=CHANGES)["text"]
        self.assertEqual(status, "Verglichen mit C:\\Startwart\\Merotan.tmr: 9 Änderungen; "
                                 "3 Instanzen benutzerbezogener Dienste nicht aufgeführt.")
        view = d.listview(LIST, CHANGES)
        self.assertEqual(view["columns"], COLUMNS)
        # The rows with a note first, each part in entry order.
        expected = [
            ["Leerzeichen", "SwChgBlank", "ImagePath", r'"C:\Program Files\A B\x.exe" -k',
             r"C:\Program Files\A B\x.exe -k", "Pfad ohne Anführungszeichen"],
            ["Befehl", "SwChgCmd", "ImagePath", r"C:\alt\befehl.exe", "cmd.exe /c echo boese", "Befehlsinterpreter"],
            ["Neue DLL", "SwChgDll", "Parameters\\ServiceDll", r"C:\alt.dll", r"C:\boese.dll",
             "Pfad für Benutzer beschreibbar; Datei fehlt"],
            ["Neues Programm", "SwChgImage", "ImagePath", r"C:\alt\dienst.exe", r"C:\boese\dienst.exe", "Datei fehlt"],
            ["Neuer Dienst", "SwChgNew", "Eintrag hinzugefügt", "", new_image, "Datei fehlt"],
            ["Öffentlich", "SwChgPublic", "Eintrag hinzugefügt", "", r"C:\Users\Public\helfer.exe",
             "Pfad für Benutzer beschreibbar"],
            ["Anderes Konto", "SwChgAccount", "ObjectName", "NT AUTHORITY\\LocalService", "LocalSystem", ""],
            ["Wird entfernt", "SwChgGone", "Eintrag entfernt", r"C:\weg.exe", "", ""],
            ["Anderer Start", "SwChgStart", "Start", "Manuell", "Deaktiviert", ""],
        ]
        self.assertEqual(view["rows"], expected)
        self.assertEqual(view["sort"], [""] * 6)
        shot = s.screenshot("changes-window", window["window_rect"])
        self.assertTrue(os.path.getsize(shot) > 0)

        # Sorting by "Änderung", then the other way round.
        d.column_click(2, LIST, CHANGES)
        view = d.listview(LIST, CHANGES)
        self.assertEqual([row[2] for row in view["rows"]],
                         sorted((row[2] for row in expected), key=str.casefold))
        self.assertEqual(view["sort"], ["", "", "up", "", "", ""])
        d.column_click(2, LIST, CHANGES)
        view = d.listview(LIST, CHANGES)
        self.assertEqual([row[2] for row in view["rows"]],
                         sorted((row[2] for row in expected), key=str.casefold, reverse=True))
        self.assertEqual(view["sort"], ["", "", "down", "", "", ""])
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
        self.assertEqual(lines[1:-1], [csv_line(row) for row in rows_shown])
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
            self.assertIn("Hinweis: Befehlsinterpreter", text)
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
            ["acc auto dienst", "AccSvcAuto", "Start", "Deaktiviert", "Automatisch", ""],
            ["acc tief dienst", "AccSvcDeep", "Start", "Manuell", "Deaktiviert", ""],
        ])
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()

    def test_a_change_made_from_outside_while_the_window_is_open_appears_in_it(self):
        # The program watches the Services key: reg.exe writing below it
        # makes the open window compare afresh and say so, keeping the row
        # the user selected.
        d = self.driver
        s = self.session
        d.seed([h.service("SwWatchA", display="Beobachtet", start=3),
                h.service("SwWatchB", display="Zweiter", start=3)])
        folder = self.start_merotan()
        self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        d.keys("Esc")
        self.wait_program_end()
        d.reg_set(h.SERVICES + r"\SwWatchA", "Start", h.dword(2))

        self.start_merotan(folder)
        s.wait_quiet(busy=("regedit.exe",))  # this run's export has ended: the window compares two files
        self.open_changes()
        self.assertEqual(d.control(STATUS, window=CHANGES)["text"],
                         "Verglichen mit C:\\Startwart\\Merotan.tmr: 1 Änderung.")
        first = ["Beobachtet", "SwWatchA", "Start", "Manuell", "Automatisch", ""]
        self.assertEqual(d.listview(LIST, CHANGES)["rows"], [first])
        d.keys("Ctrl+A")
        self.assertEqual(d.listview(LIST, CHANGES)["selected"], [0])
        # The user goes on in the main window; the fresh comparison must not
        # take the focus from it nor bring the changes window back.
        minimized = lambda: any(w["class"] == CHANGES and w.get("style", 0) & WS_MINIMIZE for w in d.windows())
        d.syscommand(0xF020, window=CHANGES)  # SC_MINIMIZE
        self.wait_until(minimized, message="the changes window to be minimized")
        # Wine sets the minimized style before it moves the window away, so
        # the window may still lie over the list for a moment; the driver
        # refuses such a click before it sends any input.
        def click_list_when_uncovered():
            try:
                d.click(IDS["IDC_ROOT_LOBJEKTE"], via="input")
                return True
            except h.DriverError as error:
                if "covers the control" in str(error):
                    return False
                raise
        self.wait_until(click_list_when_uncovered, timeout=15, interval=0.2,
                        message="the minimized changes window to leave the main list uncovered")
        self.wait_until(lambda: d.focus().get("focus_top_class") == IDS["SW_ROOT_CLASS"],
                        message=lambda: "the main window to have the focus: %r" % d.focus())

        s.wine("reg", "add", "HKLM\\" + h.SERVICES + r"\SwWatchB", "/v", "Start", "/t", "REG_DWORD", "/d", "4", "/f")
        status = self.wait_until(
            lambda: (lambda text: text if text.startswith("Geändert, während das Programm lief (") else None)(
                d.control(STATUS, window=CHANGES)["text"]),
            timeout=30, message=lambda: "the fresh comparison; the status line says: "
                                        + d.control(STATUS, window=CHANGES)["text"])
        self.assertTrue(status.endswith("). Verglichen mit C:\\Startwart\\Merotan.tmr: 2 Änderungen."), status)
        view = d.listview(LIST, CHANGES)
        self.assertEqual(view["rows"], [first, ["Zweiter", "SwWatchB", "Start", "Manuell", "Deaktiviert", ""]])
        self.assertEqual(view["selected"], [0])
        self.assertEqual(d.focus().get("focus_top_class"), IDS["SW_ROOT_CLASS"])
        self.assertTrue(minimized(), "the fresh comparison brought the changes window back")
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


class RestoreTest(h.E2ETestCase):
    """"&Zurücksetzen…" in the changes window: the preview, the writes through
    the service manager and the registry, the result, the fresh comparison
    and the undo file."""
    TIME_LIMIT = 240

    def service_binary(self):
        folder = self.session.drive_c("svc")
        os.makedirs(folder, exist_ok=True)
        exe = os.path.join(folder, "TestService.exe")
        if not os.path.exists(exe):
            shutil.copy2(TEST_SERVICE, exe)
        return self.session.unix_to_windows(exe)

    def install(self, key, **values):
        """Registers key with the service manager (demand start, the test
        service as its program), then sets values in its key: name, or
        "Sub\\name", to (type, bytes)."""
        d = self.driver
        d.service_create(key, self.service_binary())
        for name, value in values.items():
            sub, _, value_name = name.rpartition("\\")
            d.reg_set(h.SERVICES + "\\" + key + ("\\" + sub if sub else ""), value_name, value)

    def reboot(self):
        """Every Wine process ends, as at a restart of the machine: the
        service manager reads the services from the registry anew. Waits
        until it answers again."""
        self.driver = self.session.restart_wine()

        def manager_answers():
            try:
                self.driver.service_config("SwRstStart")
                return True
            except h.DriverError:
                return False
        self.wait_until(manager_answers, timeout=30, message="the service manager to answer")

    def net_start(self, key):
        return self.session.wine("net", "start", key, check=False).decode("cp437", "replace")

    def restore_window(self, title):
        d = self.driver
        def seen():
            box = d.msgbox(timeout_ms=0)
            return "the window %r; a message box instead: %r" % (title, box.get("text")) if box["present"] \
                else "the window %r" % title
        self.wait_until(lambda: any(w["class"] == RESTORE_WINDOW and w["text"] == title and w["shown"]
                                    for w in d.windows()), timeout=60, message=seen)
        window = d.wait_window(RESTORE_WINDOW)
        children = {c["id"]: c for c in d.children(RESTORE_WINDOW)["children"]}
        return window, children

    def restore_selected(self, shot):
        """Clicks "&Zurücksetzen…", shows the preview and confirms it; returns
        the preview's text and its buttons, and the result's text."""
        d = self.driver
        self.assertTrue(d.control(RESTORE, window=CHANGES)["enabled"])
        d.click(RESTORE, window=CHANGES)
        window, children = self.restore_window(" Zurücksetzen")
        preview = children[RESTORE_TEXT]["text"].replace("\r\n", "\n")
        self.session.screenshot(shot + "-preview", window["window_rect"])
        buttons = {i: children[i] for i in (RESTORE_YES, RESTORE_NO)}
        self.assertEqual([buttons[RESTORE_YES]["text"], buttons[RESTORE_NO]["text"]], ["&Zurücksetzen", "&Abbrechen"])
        d.click(RESTORE_YES, window=RESTORE_WINDOW)
        window, children = self.restore_window(" Zurückgesetzt")
        result = children[RESTORE_TEXT]["text"].replace("\r\n", "\n")
        self.session.screenshot(shot + "-result", window["window_rect"])
        d.click(RESTORE_NO, window=RESTORE_WINDOW)
        self.wait_until(lambda: not any(w["class"] == RESTORE_WINDOW for w in d.windows()),
                        message="the result to close")
        return preview, buttons, result

    def test_restore_puts_back_what_changed_and_its_undo_file_takes_it_back(self):
        d = self.driver
        s = self.session
        binary = self.service_binary()
        local = h.sz("NT AUTHORITY\\LocalService")
        self.install("SwRstGone", **{"Parameters\\ServiceDll": h.expand_sz(r"C:\weg.dll"),
                                     "Parameters\\Zahl": h.dword(7),
                                     "Parameters\\Tiefer\\Roh": h.binary(b"\x01\x02\x00\xff")})
        self.install("SwRstImage")
        self.install("SwRstDll", **{"Parameters\\ServiceDll": h.expand_sz(r"C:\alt.dll")})
        self.install("SwRstAccount", ObjectName=local)
        self.install("SwRstFail", FailureCommand=h.sz(r"C:\gut\melden.cmd"))
        self.install("SwRstDelay", DelayedAutostart=h.dword(0))
        self.install("SwRstStart")
        keys = ["SwRstAccount", "SwRstDelay", "SwRstDll", "SwRstFail", "SwRstGone", "SwRstImage", "SwRstNew",
                "SwRstStart"]
        self.reboot()
        d = self.driver
        folder = self.start_merotan()
        first_export = self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        d.keys("Esc")
        self.wait_program_end()

        # Behind the program's back, then a restart of the machine, after
        # which the service manager holds the changes too.
        s.wine("sc", "create", "SwRstNew", "binPath=", binary, "DisplayName=", "SwRstNew")
        d.reg_delete_key(h.SERVICES + r"\SwRstGone")
        d.reg_set(h.SERVICES + r"\SwRstImage", "ImagePath", h.expand_sz(r"C:\boese\dienst.exe"))
        d.reg_set(h.SERVICES + r"\SwRstDll\Parameters", "ServiceDll", h.expand_sz(r"C:\boese.dll"))
        d.reg_set(h.SERVICES + r"\SwRstAccount", "ObjectName", h.sz("NT AUTHORITY\\NetworkService"))
        d.reg_set(h.SERVICES + r"\SwRstFail", "FailureCommand", h.sz(r"C:\boese\melden.cmd"))
        d.reg_set(h.SERVICES + r"\SwRstDelay", "DelayedAutostart", h.dword(1))
        d.reg_set(h.SERVICES + r"\SwRstStart", "Start", h.dword(4))
        self.reboot()
        d = self.driver
        self.assertFalse(d.service_config("SwRstGone")["exists"])
        self.assertEqual(d.service_config("SwRstStart")["start"], 4)

        self.start_merotan(folder)
        open_changes(self)
        self.assertEqual(d.control(STATUS, window=CHANGES)["text"],
                         "Verglichen mit C:\\Startwart\\Merotan.tmr: 8 Änderungen.")
        self.assertFalse(d.control(RESTORE, window=CHANGES)["enabled"])
        d.keys("Ctrl+A")
        view = d.listview(LIST, CHANGES)
        self.assertEqual(view["selected"], list(range(8)))
        changes = [(row[1], row[2]) for row in view["rows"]]
        # Programs and DLLs that are not there are noted, and come first.
        self.assertEqual(changes, [
            ("SwRstDll", "Parameters\\ServiceDll"), ("SwRstFail", "FailureCommand"), ("SwRstImage", "ImagePath"),
            ("SwRstAccount", "ObjectName"), ("SwRstDelay", "DelayedAutostart"), ("SwRstGone", "Eintrag entfernt"),
            ("SwRstNew", "Eintrag hinzugefügt"), ("SwRstStart", "Start")])
        before_restore = entry_trees(d, keys)

        preview, buttons, result = self.restore_selected("restore")
        # No boot or system start type: "&Zurücksetzen" is the default button.
        self.assertEqual(buttons[RESTORE_YES]["style"] & 0xF, BS_DEFPUSHBUTTON, preview)
        self.assertNotIn("Achtung", preview)
        writes = [line.strip() for line in preview.split("\n\n")[0].split("\n")[1:]]
        gone = export_trees(first_export, ["SwRstGone"])["SwRstGone"]
        self.assertEqual(sorted(gone), ["", "Parameters", "Parameters\\Tiefer"])
        self.assertEqual(sorted(writes), sorted([
            "SwRstGone – (ganzer Eintrag): (nicht vorhanden) → neu angelegt wie im Export vom letzten Start: "
            "%d Werte in 3 Schlüsseln" % sum(len(values) for values in gone.values()),
            "SwRstAccount – ObjectName: NT AUTHORITY\\NetworkService → NT AUTHORITY\\LocalService",
            "SwRstDelay – DelayedAutostart: 0x00000001 (1) → 0x00000000 (0)",
            "SwRstDll – Parameters\\ServiceDll: C:\\boese.dll → C:\\alt.dll",
            "SwRstFail – FailureCommand: C:\\boese\\melden.cmd → C:\\gut\\melden.cmd",
            "SwRstImage – ImagePath: C:\\boese\\dienst.exe → " + binary,
            "SwRstNew – Start: Manuell → Deaktiviert (der Eintrag wird nicht gelöscht)",
            "SwRstStart – Start: Deaktiviert → Manuell",
        ]), preview)
        self.assertIn("nicht gelöscht, sondern auf \"Deaktiviert\" gesetzt, so dass sie nicht mehr starten:\n"
                      "  SwRstNew\n", preview)
        self.assertNotIn("Nicht zurückgesetzt werden", preview)

        undo_line = [line for line in result.split("\n") if line.startswith("Rückgängig-Datei: ")]
        self.assertEqual(len(undo_line), 1, result)
        undo_path = undo_line[0][len("Rückgängig-Datei: "):]
        self.assertRegex(undo_path, r"^C:\\Startwart\\Merotan-Rückgängig-\d{4}-\d\d-\d\d-\d{6}\.reg$")
        outcomes = {line.split(" – ")[0].strip(): line.split(": ", 1)[1]
                    for line in result.split("\n") if line.startswith("  ")}
        self.assertEqual(sorted(outcomes), keys, result)
        self.assertEqual(outcomes["SwRstNew"].split(",")[0], "deaktiviert", result)
        for key, outcome in outcomes.items():
            self.assertNotIn("nicht zurückgesetzt", outcome, result)

        # The window compared afresh: only the added entry is left.
        view = d.listview(LIST, CHANGES)
        self.assertEqual([(row[1], row[2]) for row in view["rows"]], [("SwRstNew", "Eintrag hinzugefügt")])
        self.assertFalse(d.control(RESTORE, window=CHANGES)["enabled"])

        # Every restored entry holds what the first run's export holds.
        restored = [k for k in keys if k != "SwRstNew"]
        self.assertEqual(entry_trees(d, restored), export_trees(first_export, restored))
        self.assertIn("SwRstGone", s.wine("sc", "query", "SwRstGone", check=False).decode("cp437", "replace"))
        self.assertTrue(d.service_config("SwRstGone")["exists"])
        new = d.service_config("SwRstNew")
        self.assertEqual((new["exists"], new["start"]), (True, 4))
        out = self.net_start("SwRstNew")
        self.assertTrue("disabled" in out or "1058" in out, "net start should fail as disabled: " + out)
        self.assertEqual(d.service_state("SwRstNew"), "STOPPED")
        self.assertEqual(d.service_config("SwRstStart")["start"], 3)
        self.net_start("SwRstStart")
        self.assertEqual(d.wait_service("SwRstStart", "RUNNING"), "RUNNING")
        s.wine("net", "stop", "SwRstStart", check=False)
        self.assertEqual(d.wait_service("SwRstStart", "STOPPED"), "STOPPED")

        # The undo file, imported, puts the registry back as it was before.
        undo_unix = os.path.join(folder, undo_path.rsplit("\\", 1)[1])
        with open(undo_unix, "rb") as f:
            undo = h.read_reg_file(f.read())
        self.assertIn((EXPORT_PREFIX + "SwRstGone", True, {}), undo)
        s.wine("regedit", "/s", undo_path)
        self.assertEqual(entry_trees(d, keys), before_restore)
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()

    def test_a_manager_that_refuses_or_does_not_know_the_entry_changes_nothing_else(self):
        d = self.driver
        binary = self.service_binary()
        # Known to the service manager; its key will let nobody write.
        self.install("SwRstLocked")
        # Written to the registry only after the manager read its services:
        # it does not know this one until the next restart.
        d.seed([h.service("SwRstUnknown", start=3, image_path=binary)])
        self.assertFalse(d.service_config("SwRstUnknown")["exists"])
        folder = self.start_merotan()
        self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        d.keys("Esc")
        self.wait_program_end()

        d.reg_set(h.SERVICES + r"\SwRstUnknown", "Start", h.dword(4))
        d.reg_set(h.SERVICES + r"\SwRstLocked", "ImagePath", h.expand_sz(r"C:\boese\gesperrt.exe"))
        d.reg_dacl(h.SERVICES + r"\SwRstLocked", "D:P(A;;KR;;;WD)")
        self.start_merotan(folder)
        open_changes(self)
        # One row selected by a key; a sort keeps it selected where it goes.
        d.keys("Down")
        view = d.listview(LIST, CHANGES)
        self.assertEqual(([(row[1], row[2]) for row in view["rows"]], view["selected"]),
                         ([("SwRstLocked", "ImagePath"), ("SwRstUnknown", "Start")], [1]))
        self.assertTrue(d.control(RESTORE, window=CHANGES)["enabled"])
        d.column_click(1, LIST, CHANGES)
        d.column_click(1, LIST, CHANGES)
        view = d.listview(LIST, CHANGES)
        self.assertEqual((view["rows"][0][1], view["selected"]), ("SwRstUnknown", [0]))
        d.keys("Ctrl+A")
        self.assertEqual(d.listview(LIST, CHANGES)["selected"], [0, 1])
        before = entry_trees(d, [key["name"] for key in d.reg_tree()])

        preview, buttons, result = self.restore_selected("refused")
        self.assertIn("  SwRstUnknown – Start: Deaktiviert → Manuell\n", preview)
        self.assertIn("  SwRstLocked – ImagePath: C:\\boese\\gesperrt.exe → " + binary + "\n", preview)
        outcomes = {line.split(" – ")[0].strip(): line.split(": ", 1)[1]
                    for line in result.split("\n") if line.startswith("  ")}
        self.assertEqual(sorted(outcomes), ["SwRstLocked", "SwRstUnknown"], result)
        self.assertTrue(outcomes["SwRstLocked"].startswith("nicht zurückgesetzt: "), result)
        self.assertIn("wirksam nach dem nächsten Neustart", outcomes["SwRstUnknown"], result)
        self.assertFalse(outcomes["SwRstUnknown"].startswith("nicht"), result)

        # The unknown entry's start type is back in the registry; nothing
        # else below the Services key changed.
        after = entry_trees(d, [key["name"] for key in d.reg_tree()])
        self.assertEqual(after["SwRstUnknown"][""].pop("Start"), h.dword(3))
        before["SwRstUnknown"][""].pop("Start")
        self.assertEqual(after, before)
        self.assertEqual([(row[1], row[2]) for row in d.listview(LIST, CHANGES)["rows"]],
                         [("SwRstLocked", "ImagePath")])
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()


    def test_a_text_exported_without_its_nul_is_restored_with_the_exported_bytes(self):
        d = self.driver
        self.install("SwRstNoNul", **{"Parameters\\ServiceDll": h.expand_sz(r"C:\alt.dll")})
        folder = self.start_merotan()
        export = os.path.join(folder, "Merotan.reg")
        exported = self.wait_for_export(export)
        d.keys("Esc")
        self.wait_program_end()
        # The export as Windows' registry editor writes texts stored without
        # their NUL: hex(1) and hex(2) with the stored bytes and no NUL.
        display, dll = h.sz("Alter Name", nul=False), h.expand_sz(r"C:\alt.dll", nul=False)
        rewritten = []
        for path, deleted, values in h.read_reg_file(exported):
            self.assertFalse(deleted)
            if path == EXPORT_PREFIX + "SwRstNoNul":
                values["DisplayName"] = display
            elif path == EXPORT_PREFIX + "SwRstNoNul\\Parameters":
                values["ServiceDll"] = dll
            rewritten.append((path[len("HKEY_LOCAL_MACHINE\\"):], values))
        with open(export, "wb") as f:
            f.write(h.reg5_file(rewritten))
        d.reg_set(h.SERVICES + r"\SwRstNoNul\Parameters", "ServiceDll", h.expand_sz(r"C:\neu.dll"))

        self.start_merotan(folder)
        open_changes(self)
        d.keys("Ctrl+A")
        self.assertEqual([(row[1], row[2]) for row in d.listview(LIST, CHANGES)["rows"]],
                         [("SwRstNoNul", "Parameters\\ServiceDll"), ("SwRstNoNul", "DisplayName")])
        preview, buttons, result = self.restore_selected("no-nul")
        self.assertIn("  SwRstNoNul – DisplayName: SwRstNoNul → Alter Name\n", preview)
        self.assertIn("  SwRstNoNul – Parameters\\ServiceDll: C:\\neu.dll → C:\\alt.dll\n", preview)
        outcomes = [line for line in result.split("\n") if line.startswith("  SwRstNoNul")]
        self.assertEqual(len(outcomes), 2, result)
        for outcome in outcomes:
            self.assertNotIn("nicht zurückgesetzt", outcome, result)
        # The entry holds the exported bytes, and the comparison finds nothing.
        self.assertEqual(d.reg_get(h.SERVICES + r"\SwRstNoNul", "DisplayName")["data"], display[1])
        self.assertEqual(d.reg_get(h.SERVICES + r"\SwRstNoNul\Parameters", "ServiceDll")["data"], dll[1])
        self.assertEqual(d.listview(LIST, CHANGES)["rows"], [])
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()


    def written(self, folder):
        """The export's last write in local time, to the second, as the program reads it."""
        return datetime.datetime.fromtimestamp(int(os.stat(os.path.join(folder, "Merotan.reg")).st_mtime))

    def history_pairs(self, folder):
        path = os.path.join(folder, "Merotan-Verlauf.dat")
        if not os.path.exists(path):
            return 0
        with open(path, "rb") as f:
            return len(h.read_history(f.read())[0])

    def run_recorded(self, folder, pairs):
        """Starts the program and waits until its export is new and the
        history holds that many pairs; returns the export's time."""
        before = os.stat(os.path.join(folder, "Merotan.reg")).st_mtime_ns
        self.start_merotan(folder)
        self.wait_until(lambda: self.history_pairs(folder) == pairs
                        and os.stat(os.path.join(folder, "Merotan.reg")).st_mtime_ns != before,
                        timeout=60, message=lambda: "%d pairs in the history and a new export" % pairs)
        self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        return self.written(folder)

    def test_history_lists_three_runs_filters_and_takes_an_entry_back_to_the_first(self):
        d = self.driver
        s = self.session
        d.seed([h.service("SwVlStart", start=3), h.service("SwVlImage", image_path=r"C:\alt\dienst.exe"),
                h.service("SwVlGone", image_path=r"C:\geht.exe")])
        d.reg_set(h.SERVICES + r"\SwVlImage\Parameters", "Zahl", h.dword(7))
        folder = self.start_merotan()
        first_export = self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        first = self.written(folder)
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

        d.reg_set(h.SERVICES + r"\SwVlStart", "Start", h.dword(4))
        d.reg_set(h.SERVICES + r"\SwVlImage", "ImagePath", h.expand_sz(r"C:\neu\dienst.exe"))
        second = self.run_recorded(folder, 1)
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

        d.reg_delete_key(h.SERVICES + r"\SwVlGone")
        s.wine("sc", "create", "SwVlNew", "binPath=", r"C:\neu.exe")
        d.reg_set(h.SERVICES + r"\SwVlImage", "ImagePath", h.expand_sz(r"C:\dritt\dienst.exe"))
        third = self.run_recorded(folder, 2)

        # From the system menu, below the changes item: Alt+Space, "v".
        d.keys("Alt+Space")
        d.keys("v")
        window = d.wait_window(HISTORY, timeout_ms=30000)
        self.assertIsNotNone(window, "the history window did not appear")
        self.wait_until(lambda: d.control(HISTORY_STATUS, window=HISTORY)["text"], timeout=60,
                        message="the history's status line")
        self.assertEqual(d.control(HISTORY_STATUS, window=HISTORY)["text"],
                         "Verlauf aus C:\\Startwart\\Merotan-Verlauf.dat: 3 Läufe, 5 Änderungen.")
        found = lambda a, b: "vom %s bis %s" % (a.strftime("%d.%m.%Y %H:%M:%S"), b.strftime("%d.%m.%Y %H:%M:%S"))
        view = d.listview(HISTORY_LIST, HISTORY)
        self.assertEqual(view["columns"], HISTORY_COLUMNS)
        self.assertEqual(view["sort"][0], "down")
        rows = [(row[0], row[2], row[3]) for row in view["rows"]]
        newer, older = found(second, third), found(first, second)
        # Newest first; within a pair the noted rows first, as in the changes window.
        self.assertEqual([row[0] for row in rows], [newer] * 3 + [older] * 2)
        self.assertEqual(sorted(rows), sorted([
            (newer, "SwVlImage", "ImagePath"), (newer, "SwVlGone", "Eintrag entfernt"),
            (newer, "SwVlNew", "Eintrag hinzugefügt"), (older, "SwVlImage", "ImagePath"),
            (older, "SwVlStart", "Start")]))
        image = [row for row in view["rows"] if row[2] == "SwVlImage"]
        self.assertEqual([(row[4], row[5]) for row in image],
                         [(r"C:\neu\dienst.exe", r"C:\dritt\dienst.exe"), (r"C:\alt\dienst.exe", r"C:\neu\dienst.exe")])
        s.screenshot("history-all", window["window_rect"])
        d.column_click(0, HISTORY_LIST, HISTORY)
        self.assertEqual([row[0] for row in d.listview(HISTORY_LIST, HISTORY)["rows"]], [older] * 2 + [newer] * 3)

        d.set_text(HISTORY_FILTER, "swVLIMAGE", HISTORY)
        self.wait_until(lambda: d.listview(HISTORY_LIST, HISTORY)["count"] == 2, message="the filter to narrow the rows")
        self.assertIn("Gefiltert: 2 gezeigt.", d.control(HISTORY_STATUS, window=HISTORY)["text"])
        s.screenshot("history-window", window["window_rect"])
        before_restore = entry_trees(d, ["SwVlImage"])
        d.keys("Ctrl+A")
        self.wait_until(lambda: d.control(HISTORY_RESTORE, window=HISTORY)["enabled"], message="the restore button")
        d.click(HISTORY_RESTORE, window=HISTORY)

        # The runs to choose from, the oldest selected row's earlier run first chosen.
        self.wait_until(lambda: any(w["class"] == RESTORE_WINDOW and w["text"] == " Stand wiederherstellen" and w["shown"]
                                    for w in d.windows()), timeout=30, message="the choice of the run")
        chooser = d.wait_window(RESTORE_WINDOW)
        runs = d.list(RESTORE_CHOICES, RESTORE_WINDOW)
        self.assertEqual(runs["lines"], [t.strftime("%d.%m.%Y %H:%M:%S") for t in (first, second, third)])
        self.assertEqual(runs["selected"], 0)
        s.screenshot("history-choice", chooser["window_rect"])
        d.click(RESTORE_YES, window=RESTORE_WINDOW)
        window, children = self.restore_window(" Zurücksetzen")
        preview = children[RESTORE_TEXT]["text"].replace("\r\n", "\n")
        s.screenshot("history-preview", window["window_rect"])
        self.assertTrue(preview.startswith("Diese Werte werden auf den Stand vom %s zurückgesetzt"
                                           % first.strftime("%d.%m.%Y %H:%M:%S")), preview)
        self.assertIn("SwVlImage – ImagePath: C:\\dritt\\dienst.exe → C:\\alt\\dienst.exe", preview)
        d.click(RESTORE_YES, window=RESTORE_WINDOW)
        window, children = self.restore_window(" Zurückgesetzt")
        result = children[RESTORE_TEXT]["text"].replace("\r\n", "\n")
        d.click(RESTORE_NO, window=RESTORE_WINDOW)
        self.wait_until(lambda: not any(w["class"] == RESTORE_WINDOW for w in d.windows()),
                        message="the result to close")

        # The entry is the first run's export of it; the undo file takes it back.
        self.assertEqual(entry_trees(d, ["SwVlImage"]), export_trees(first_export, ["SwVlImage"]), result)
        undo_line = [line for line in result.split("\n") if line.startswith("Rückgängig-Datei: ")]
        self.assertEqual(len(undo_line), 1, result)
        s.wine("regedit", "/s", undo_line[0][len("Rückgängig-Datei: "):])
        self.assertEqual(entry_trees(d, ["SwVlImage"]), before_restore)
        d.keys("Esc")
        d.close()
        self.wait_program_end()


def csv_rows(path):
    """The rows of a CSV file the program wrote (UTF-8 with a byte order
    mark, ";" between cells), the header first."""
    with open(path, "rb") as f:
        data = f.read()
    assert data.startswith(b"\xef\xbb\xbf"), data[:20]
    return list(csv.reader(io.StringIO(data[3:].decode("utf-8"), newline=""), delimiter=";"))


class UnattendedCheckTest(h.E2ETestCase):
    """"Merotan.exe /pruefen [Datei]" from the command line, as the Task
    Scheduler starts it: all cases in one prefix, one after the other."""
    TIME_LIMIT = 240
    CHECK_TIME = 120  # the program waits up to 120 s for the export

    def watch(self, proc, others, must_see=True):
        """Waits for the program that proc started to end, looking at the
        top-level windows of every Merotan.exe not in others meanwhile;
        returns its exit code and those windows. With must_see, such a
        process must have been seen running."""
        seen, windows = set(), []
        deadline = time.time() + self.CHECK_TIME + 30
        while proc.poll() is None:
            if time.time() > deadline:
                self.fail("the program did not end within %s s" % (self.CHECK_TIME + 30))
            for p in self.driver.find_processes("Merotan.exe"):
                if p["pid"] not in others:
                    seen.add(p["pid"])
                    windows += self.driver.process_windows(p["pid"])
        if must_see:
            self.assertTrue(seen, "the program's process was never seen while it ran")
        # wine returned only once the program itself had ended.
        self.assertEqual({p["pid"] for p in self.driver.find_processes("Merotan.exe")}, others)
        return proc.returncode, windows

    def check(self, folder, *args, cwd=None, must_see=True):
        """Runs the check ("/pruefen" unless other arguments are given) and
        waits for its end: its exit code and the windows it had."""
        others = {p["pid"] for p in self.driver.find_processes("Merotan.exe")}
        proc = self.session.start_program(folder, cwd=cwd, attach=False, args=args or ("/pruefen",))
        return self.watch(proc, others, must_see)

    def test_check_without_a_window_records_compares_and_says_so_by_its_exit_code(self):
        d = self.driver
        s = self.session
        d.seed([
            h.service("SwPrfImage", display="Programm wird cmd", start=3, image_path=r"C:\alt\dienst.exe"),
            h.service("SwPrfBlank", display="Pfad mit Leerzeichen", start=3, image_path=r'"C:\Program Files\A B\x.exe"'),
            h.service("SwPrfMissing", display="Datei fehlt bald", start=3,
                      image_path=r"%SystemRoot%\system32\svchost.exe -k netsvcs"),
        ])
        folder = s.program_folder()
        csv_path = os.path.join(folder, "Merotan-Änderungen.csv")

        # The first check finds no export to compare with, but leaves one.
        code, windows = self.check(folder)
        self.assertEqual((code, windows), (2, []))
        self.assertEqual(csv_rows(csv_path),
                         [["Kein Export vom letzten Start gefunden: C:\\Startwart\\Merotan.tmr"]])
        with open(os.path.join(folder, "Merotan.reg"), "rb") as f:
            self.assertTrue(f.read().endswith("\r\n\r\n".encode("utf-16-le")), "the export was waited for")
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.reg.part")))

        # Nothing changed since.
        code, windows = self.check(folder)
        self.assertEqual((code, windows), (0, []))
        rows = csv_rows(csv_path)
        self.assertEqual(len(rows), 1, rows)
        self.assertEqual(rows[0], COLUMNS)

        # A twin folder keeps this state, for the window to compare with
        # the same export as the next check.
        twin = s.program_folder("Fenster")
        for name in ("Merotan.reg", "Merotan.dat"):
            shutil.copy2(os.path.join(folder, name), os.path.join(twin, name))

        # Behind the program's back.
        s.wine("sc", "create", "SwPrfNew", "binPath=", r"C:\Users\Public\neu.exe", "DisplayName=", "Neu bei Public")
        d.reg_set(h.SERVICES + r"\SwPrfImage", "ImagePath", h.expand_sz(r"cmd.exe /c C:\boese.cmd"))
        d.reg_set(h.SERVICES + r"\SwPrfBlank", "ImagePath", h.expand_sz(r"C:\Program Files\A B\x.exe"))
        d.reg_set(h.SERVICES + r"\SwPrfMissing", "ImagePath", h.expand_sz(r"C:\fehlt\nirgends.exe"))

        # From another folder, to a relative file name with blanks.
        reports = s.drive_c("Berichte")
        os.makedirs(reports)
        code, windows = self.check(folder, "-PRUEFEN", "Prüfung vom Tag.csv", cwd=reports)
        self.assertEqual((code, windows), (1, []))
        rows = csv_rows(os.path.join(reports, "Prüfung vom Tag.csv"))
        keys = sorted(row[1] for row in rows[1:])
        self.assertEqual(keys, ["SwPrfBlank", "SwPrfImage", "SwPrfMissing", "SwPrfNew"], rows)
        notes = {row[1]: row[5] for row in rows[1:]}
        self.assertIn("Pfad für Benutzer beschreibbar", notes["SwPrfNew"])
        self.assertIn("Befehlsinterpreter", notes["SwPrfImage"])
        self.assertIn("Pfad ohne Anführungszeichen", notes["SwPrfBlank"])
        self.assertIn("Datei fehlt", notes["SwPrfMissing"])

        # The window in the twin folder compares with the same export: the
        # same rows, cell for cell, in the same order.
        self.start_merotan(twin)
        open_changes(self)
        view = d.listview(LIST, CHANGES)
        self.assertEqual(view["columns"], rows[0])
        self.assertEqual(view["rows"], rows[1:])
        d.keys("Esc")
        d.keys("Esc")
        self.wait_program_end()

        # A start with its window compares with the check's export.
        self.start_merotan(folder)
        open_changes(self)
        self.assertEqual(d.control(STATUS, window=CHANGES)["text"],
                         "Verglichen mit C:\\Startwart\\Merotan.tmr: keine Änderungen.")
        d.keys("Esc")
        self.wait_until(lambda: not [w for w in d.windows() if w.get("class") == CHANGES and w.get("visible")],
                        message="the changes window to close")
        self.wait_until(lambda: not d.find_processes("regedit.exe")
                        and not os.path.exists(os.path.join(folder, "Merotan.reg.part")),
                        timeout=30, message="the window's export to end")

        # While that window runs, a check in its folder touches nothing.
        errors = os.path.join(folder, "Merotan-Fehler.txt")
        before = h.folder_state(folder)
        code, windows = self.check(folder, must_see=False)
        self.assertEqual((code, windows), (2, []))
        self.assertEqual(h.folder_state(folder), before)
        d.keys("Esc")
        self.wait_program_end()

        # Arguments it does not know: exit code 2, and only the reason.
        before = h.folder_state(folder)
        before.pop("Merotan-Fehler.txt", None)
        for args in (["/pruefenx"], ["/pruefen", "a.csv", "b.csv"]):
            code, windows = self.check(folder, *args, must_see=False)
            self.assertEqual((code, windows), (2, []), args)
            after = h.folder_state(folder)
            with open(errors, "rb") as f:
                self.assertTrue(f.read().decode("utf-8-sig").startswith(("Unbekannter", "Zu viele")), args)
            del after["Merotan-Fehler.txt"]
            self.assertEqual(after, before, args)

        # While a check waits for its export, a start with a window in its
        # folder ends quietly and touches nothing. The registry editor is
        # replaced by a stand-in that stays until told and writes no export.
        regedit = s.drive_c("windows", "regedit.exe")
        shutil.copy2(h.MARKER, regedit)
        open(regedit + ".wait", "wb").close()
        check = s.start_program(folder, attach=False, args=("/pruefen",))
        self.wait_until(lambda: os.path.exists(regedit + ".ran"), timeout=30, message="the check's export to start")
        before = h.folder_state(folder)
        others = {p["pid"] for p in d.find_processes("Merotan.exe")}
        self.assertEqual(len(others), 1)
        code, windows = self.watch(s.start_program(folder, attach=False), others, must_see=False)
        self.assertEqual(code, 0)
        self.assertEqual([w for w in windows if w["visible"]], [])
        self.assertEqual(h.folder_state(folder), before)
        self.assertIsNone(check.poll(), "the check ended before its export")
        # An export that ends without a file: exit code 2 and why, and that
        # the history has no pair of this run.
        os.remove(regedit + ".wait")
        self.assertEqual(self.watch(check, set()), (2, []))
        self.assertEqual(csv_rows(csv_path),
                         [["Der Export der Dienste ist nicht vollständig geschrieben worden: C:\\Startwart\\Merotan.reg",
                           " Der Verlauf der Änderungen wurde bei diesem Programmstart nicht fortgeschrieben, weil kein "
                           "vollständiger Export der Dienste vorliegt."]])

    def short_path(self, path):
        """The path with its parts' short names, as the system gives them."""
        self.assertNotIn(" ", path)  # given to the interpreter without quotes
        out = self.session.wine("cmd", "/c", "for %%I in (%s) do @echo %%~sI" % path)
        return out.decode("cp437").strip()

    def test_a_record_of_the_programs_own_is_never_the_output_however_it_is_spelt(self):
        s = self.session
        folder = s.program_folder()
        # Two checks leave every record: this run's and the previous run's.
        self.assertEqual(self.check(folder)[0], 2)
        self.assertEqual(self.check(folder), (0, []))
        for name in ("Merotan.tmr", "Merotan.tmd", "Merotan.reg", "Merotan.dat"):
            self.assertTrue(os.path.exists(os.path.join(folder, name)), name)
        os.symlink(folder, s.drive_c("Verweis"))
        short = self.short_path(r"C:\Startwart\Merotan.tmr")
        self.assertNotEqual(short.lower(), r"c:\startwart\merotan.tmr", "the folder has a short name of its own")

        errors = os.path.join(folder, "Merotan-Fehler.txt")
        for target, record in ((r"\\?\C:\Startwart\Merotan.tmr", "Merotan.tmr"),
                               (short, "Merotan.tmr"),
                               (r"C:\Verweis\Merotan.tmr", "Merotan.tmr"),
                               (r"c:\STARTWART\merotan.TMR", "Merotan.tmr"),
                               (r"\\?\C:\Startwart\Merotan.reg", "Merotan.reg"),
                               # Not there between runs: its folder decides.
                               (r"C:\Verweis\Merotan.reg.part", "Merotan.reg.part")):
            before = h.folder_state(folder)
            before.pop("Merotan-Fehler.txt", None)
            self.assertEqual(self.check(folder, "/pruefen", target, must_see=False), (2, []), target)
            after = h.folder_state(folder)
            with open(errors, "rb") as f:
                reason = f.read().decode("utf-8-sig")
            del after["Merotan-Fehler.txt"]
            changed = sorted(name for name in set(before) | set(after) if before.get(name) != after.get(name))
            self.assertEqual(changed, [], target)
            self.assertEqual(reason, "Die Ausgabedatei wäre eine Datei des Programms selbst: %s (C:\\Startwart\\%s)\r\n"
                             % (target, record))

        # Another file through the same link is written.
        self.assertEqual(self.check(folder, "/pruefen", r"C:\Verweis\Bericht.csv"), (0, []))
        self.assertEqual(csv_rows(os.path.join(folder, "Bericht.csv")), [COLUMNS])

    def test_instances_are_left_out_only_where_they_run_their_templates_program(self):
        # A per-user service's template, one instance as the system makes it,
        # one with the instance bit that runs another program, and one whose
        # template is not there; and a service below PerfLogs.
        d = self.driver
        s = self.session
        os.makedirs(s.drive_c("PerfLogs"))
        open(s.drive_c("PerfLogs", "dienst.exe"), "wb").close()
        host = r"%SystemRoot%\system32\svchost.exe -k AccGruppe"
        d.seed([h.service("AccTpl", start=3, image_path=host, type=0x50)])
        folder = s.program_folder()
        self.assertEqual(self.check(folder)[0], 2)  # no export to compare with yet
        d.seed([h.service("AccTpl_1a2b3", start=3, image_path=host, type=0xD0),
                h.service("AccTpl_9f9f9", start=3, image_path=r"C:\Users\Public\boese.exe", type=0xD0),
                h.service("AccLose_4c5d", start=3, image_path=host, type=0xD0),
                h.service("AccPerf", start=3, image_path=r"C:\PerfLogs\dienst.exe")])

        self.assertEqual(self.check(folder), (1, []))
        rows = csv_rows(os.path.join(folder, "Merotan-Änderungen.csv"))
        self.assertEqual(rows[0], COLUMNS)
        self.assertEqual({row[1]: (row[2], row[5]) for row in rows[1:]}, {
            "AccTpl_9f9f9": ("Eintrag hinzugefügt",
                             "Keine echte Instanz; Pfad für Benutzer beschreibbar; Datei fehlt"),
            "AccLose_4c5d": ("Eintrag hinzugefügt", "Keine echte Instanz"),
            "AccPerf": ("Eintrag hinzugefügt", "Pfad für Benutzer beschreibbar"),
        })


SOURCE_KEY = h.SERVICES + r"\EventLog\Application\Tavrine Startwart"
EVENT_TYPES = {1: "error", 2: "warning", 4: "information"}


def wine_string(literal):
    r"""A string as Wine's debug channels print it (L"...", with \\, \", \n,
    \r, \t, and \ with four hex digits for any other unit outside ASCII's
    printable range); a string cut short ends in "..." there and in what
    this returns."""
    body, cut = literal[2:], False
    if body.endswith('"...'):
        body, cut = body[:-4], True
    else:
        body = body[:-1]
    out, i = [], 0
    while i < len(body):
        c = body[i]
        if c == "\\":
            n = body[i + 1]
            if n in "0123456789abcdefABCDEF":
                out.append(chr(int(body[i + 1:i + 5], 16)))
                i += 5
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out) + ("..." if cut else "")


def reported_events(path):
    """The events the program's ReportEventW calls left in Wine's debug
    output, which is all that Wine's event log does with them:
    [(id, type, [strings])]."""
    events = []
    with open(path, "rb") as f:
        text = f.read().decode("utf-8", "replace")
    for line in text.splitlines():
        call = re.search(r"ReportEventW \((\w+),0x([0-9a-f]+),0x([0-9a-f]+),0x([0-9a-f]+),", line)
        if call:
            events.append((int(call.group(4), 16), EVENT_TYPES.get(int(call.group(2), 16)), []))
            continue
        string = re.search(r":eventlog:ReportEventW (L\".*)$", line)
        if string and events:
            events[-1][2].append(wine_string(string.group(1).rstrip()))
    return events


def same_or_cut(test, seen, expected):
    """Wine cuts long strings in its debug output: what it shows must be
    the expected text, or the start of it."""
    if seen.endswith("...") and seen != expected:
        test.assertTrue(expected.startswith(seen[:-3]) and len(seen) > 40, (seen, expected))
    else:
        test.assertEqual(seen, expected)


class CheckEventsTest(h.E2ETestCase):
    """"/pruefen" reports into the Application log. Wine has no event log:
    its ReportEventW writes the events' strings to its debug channels, and
    only there can a run's events be seen here."""
    TIME_LIMIT = 240
    CHECK_TIME = UnattendedCheckTest.CHECK_TIME
    watch = UnattendedCheckTest.watch

    def checked(self, folder, *args, must_see=True):
        """Runs the check with the event log's debug channels on; its exit
        code and the events it reported. must_see as for watch: a run that
        ends at once may end before it can be seen."""
        log = os.path.join(self.session.artifacts, "events-%d.txt" % len(os.listdir(self.session.artifacts)))
        others = {p["pid"] for p in self.driver.find_processes("Merotan.exe")}
        proc = self.session.start_program(folder, attach=False, args=args or ("/pruefen",),
                                          debug=("+eventlog", log))
        code, windows = self.watch(proc, others, must_see)
        self.assertEqual(windows, [])
        return code, reported_events(log)

    def test_every_run_reports_its_outcome_and_a_refused_registration_changes_nothing_else(self):
        d, s = self.driver, self.session
        os.makedirs(s.artifacts, exist_ok=True)
        svchost = r"%SystemRoot%\system32\svchost.exe -k netsvcs"
        d.seed([h.service("SwEv%d" % i, display="Ereignis %d" % i, start=3, image_path=svchost) for i in (1, 2, 3)])
        folder = s.program_folder()
        csv_path = os.path.join(folder, "Merotan-Änderungen.csv")
        errors = os.path.join(folder, "Merotan-Fehler.txt")

        # The first run has nothing to compare with: 102 with its error line,
        # and the source registered for the program.
        code, events = self.checked(folder)
        self.assertEqual(code, 2)
        line = csv_rows(csv_path)[0][0]
        self.assertEqual(events, [(102, "error", [line])])
        self.assertEqual(text_of((0, d.reg_get(SOURCE_KEY, "EventMessageFile")["data"])),
                         r"C:\Startwart\Merotan.exe")
        self.assertEqual(d.reg_get(SOURCE_KEY, "EventMessageFile")["type"], 2)
        self.assertEqual(d.reg_get(SOURCE_KEY, "TypesSupported")["data"], h.dword(7)[1])

        # Nothing changed: one 100 with the two exports' times and paths.
        code, events = self.checked(folder)
        self.assertEqual(code, 0)
        self.assertEqual([(i, t, len(strings)) for i, t, strings in events], [(100, "information", 4)])
        times = events[0][2]
        self.assertEqual(times[1::2], [r"C:\Startwart\Merotan.tmr", r"C:\Startwart\Merotan.reg"])
        previous, this = (datetime.datetime.strptime(shown, "%d.%m.%Y %H:%M:%S") for shown in times[0::2])
        self.assertLessEqual(previous, this)

        # Four changes, one of them noted: 101 with the CSV's lines, 103
        # with the noted one.
        s.wine("sc", "create", "SwEvNew", "binPath=", r"C:\Users\Public\neu.exe", "DisplayName=", "Neu bei Public")
        for i in (1, 2, 3):
            d.reg_set(h.SERVICES + r"\SwEv%d" % i, "Start", h.dword(4))
        code, events = self.checked(folder)
        self.assertEqual(code, 1)
        with open(csv_path, "rb") as f:
            lines = f.read().decode("utf-8-sig").removesuffix("\r\n")
        rows = csv_rows(csv_path)
        self.assertEqual(len(rows), 5, rows)
        noted = [row for row in rows[1:] if row[5]]
        self.assertEqual([row[1] for row in noted], ["SwEvNew"])
        self.assertIn("Pfad für Benutzer beschreibbar", noted[0][5])
        self.assertEqual([(i, t) for i, t, _ in events], [(101, "warning"), (103, "warning")])
        self.assertEqual(events[0][2][:4], ["4", "1", "1", "1"])
        same_or_cut(self, events[0][2][4], lines)
        self.assertEqual(events[1][2][:4], ["1", "Pfad für Benutzer beschreibbar, Befehlsinterpreter, Neuer Treiber",
                                            "1", "1"])
        same_or_cut(self, events[1][2][4], "\r\n".join(lines.split("\r\n")[:2]))

        # "/keinereignis" (any case, "-" as well) writes none, the CSV as ever.
        code, events = self.checked(folder, "-PRUEFEN", "/KeinEreignis")
        self.assertEqual((code, events), (0, []))
        self.assertEqual(csv_rows(csv_path), [COLUMNS])
        # An unknown switch: exit code 2, its reason, and no file named after it.
        code, events = self.checked(folder, "/pruefen", "/keinereignisse", must_see=False)
        self.assertEqual((code, events), (2, []))
        with open(errors, "rb") as f:
            self.assertTrue(f.read().decode("utf-8-sig").startswith('Unbekannter Schalter "/keinereignisse"'))
        self.assertFalse(os.path.exists(s.drive_c("keinereignisse")))

        # A source key nobody may write, naming another program: the
        # registration is refused, the CSV and exit code are as ever, and
        # why is beside the program. (Wine lets any handle create subkeys,
        # so a locked parent key would refuse nothing.)
        d.reg_set(SOURCE_KEY, "EventMessageFile", h.expand_sz(r"D:\Alt\Merotan.exe"))
        d.reg_dacl(SOURCE_KEY, "D:(A;;KR;;;WD)")
        os.remove(errors)
        code, events = self.checked(folder)
        self.assertEqual(code, 0)
        self.assertEqual(csv_rows(csv_path), [COLUMNS])
        self.assertEqual([i for i, _, _ in events], [100])
        self.assertEqual(text_of((0, d.reg_get(SOURCE_KEY, "EventMessageFile")["data"])), r"D:\Alt\Merotan.exe")
        with open(errors, "rb") as f:
            reason = f.read().decode("utf-8-sig")
        self.assertTrue(reason.startswith('Die Ereignisquelle "Tavrine Startwart" kann nicht eingetragen werden '
                                          "(HKEY_LOCAL_MACHINE\\" + SOURCE_KEY + "): Fehler 5"), reason)
        self.assertTrue(reason.endswith("\r\n") and reason.count("\n") == 1, reason)


if __name__ == "__main__":
    h.main()
