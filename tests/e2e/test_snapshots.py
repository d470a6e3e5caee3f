"""The side files across runs: the second run keeps the first run's snapshot
and export as "Merotan.tmd" and "Merotan.tmr", switching views writes
nothing, another executable name rotates, writes and checks under its own
name, a second start in the folder touches nothing, and the check finds
exactly the start types changed behind the program's back (a full disk:
test_full_disk.py). Every pair of runs goes into the history of changes
once, with the runs' times, also the export of a run whose window closed
before it ended, and a record cut short leaves the earlier ones readable. These tests run without a printer
(CUPS_SERVER points nowhere): the check then saves its report beside the
program and says where."""

import datetime
import os
import sys
import time

import harness as h
import oracle
import privatecups
from harness import IDS

CHECK_TITLE = " Überprüfung durchführen"
RESULT_TITLE = " Starttyp-Einstellungen"
REPORT_FILE = "Merotan-Unterschiede.txt"
VIEW_WARNING_TITLE = " Tavrine Startwart"
SIDE_FILE_TITLE = " Tavrine Startwart"
ROOT_CLASS = "StartwartRoot"
SC_MINIMIZE = 0xF020
WS_MINIMIZE = 0x20000000


def whole_export(*lines):
    """A registry export as the system's registry editor writes it whole:
    UTF-16LE with its byte-order mark, an empty line after each key."""
    text = "Windows Registry Editor Version 5.00\r\n\r\n" + "".join(line + "\r\n\r\n" for line in lines)
    return b"\xff\xfe" + text.encode("utf-16-le")


def side_files(folder):
    """Every file in the folder with its bytes and modification time."""
    found = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                found[name] = (f.read(), os.stat(path).st_mtime_ns)
    return found


class NoPrinterTestCase(h.E2ETestCase):

    def setUp(self):
        # No scheduler answers here, so Wine finds no printer whatever runs
        # on the machine.
        restore = privatecups.point_clients_at("/nonexistent/startwart-no-cups.sock")
        try:
            super().setUp()
        finally:
            restore()

    def read(self, folder, name):
        with open(os.path.join(folder, name), "rb") as f:
            return f.read()

    def root_style(self):
        """The window style of the program's one main window."""
        roots = [w for w in self.driver.windows() if w["class"] == ROOT_CLASS]
        self.assertEqual(len(roots), 1)
        return roots[0]["style"]

    def next_box(self, previous_hwnd=None, timeout=60):
        """The next message box (another than previous_hwnd)."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            box = self.driver.msgbox(timeout_ms=200)
            if box["present"] and box["hwnd"] != previous_hwnd:
                return box
        self.fail("no message box within %s s" % timeout)

    def run_check(self):
        """Clicks "Checker", answers its question with OK and returns the
        result box and the seconds from the answer to that box."""
        d = self.driver
        d.click(IDS["IDC_ROOT_BCHECKER"])
        question = self.next_box()
        self.assertEqual(question["title"], CHECK_TITLE)
        self.assertTrue(question["text"].startswith("Überprüfen der Starttyp-Einträge"))
        started = time.time()
        d.answer("ok")
        result = self.next_box(question["hwnd"])
        return result, time.time() - started


class SnapshotRunsTest(NoPrinterTestCase):

    def test_second_run_keeps_the_first_runs_files_and_the_check_finds_the_changes(self):
        d = self.driver
        d.seed([
            h.service("SwRunAuto", display="Lauf Auto", description="a", start=2),
            h.service("SwRunManual", display="Lauf Manuell", description="m", start=3),
            h.service("SwRunOff", display="Lauf Aus", description="o", start=4),
            h.service("SwRun|Pipe", display="Lauf Rohr", description="p", start=3),
            h.service("SwRunSame", display="Lauf Gleich", description="s", start=2),
        ])
        folder = self.start_merotan()
        self.assertIsNotNone(d.wait_selected())
        first_dat = self.read(folder, "Merotan.dat")
        first_reg = self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        export = first_reg.decode("utf-16-le")
        self.assertTrue(export.startswith("\ufeffWindows Registry Editor Version 5.00\r\n"))
        self.assertIn("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\SwRun|Pipe]\r\n", export)
        self.assertIn('"Start"=dword:00000003', export)
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.tmd")))
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.tmr")))

        # To the driver view and back: the snapshot and the export stay as
        # they are.
        dat_time = os.stat(os.path.join(folder, "Merotan.dat")).st_mtime_ns
        reg_time = os.stat(os.path.join(folder, "Merotan.reg")).st_mtime_ns
        for _ in range(2):
            d.click(IDS["IDC_ROOT_BERWEITERT"])
            self.assertEqual(self.next_box()["title"], VIEW_WARNING_TITLE)
            d.answer("ok")
            d.sync()
        self.assertEqual(d.control(IDS["IDC_ROOT_BERWEITERT"])["checked"], 0)
        time.sleep(2)  # time enough for a second export to show
        self.assertEqual(os.stat(os.path.join(folder, "Merotan.dat")).st_mtime_ns, dat_time)
        self.assertEqual(self.read(folder, "Merotan.dat"), first_dat)
        self.assertEqual(os.stat(os.path.join(folder, "Merotan.reg")).st_mtime_ns, reg_time)
        d.close()
        self.wait_program_end()

        # Behind the program's back, with the registry editor.
        self.session.import_reg(h.reg5_file([
            (h.SERVICES + "\\SwRunAuto", {"Start": h.dword(4)}),
            (h.SERVICES + "\\SwRunOff", {"Start": h.dword(3)}),
            (h.SERVICES + "\\SwRun|Pipe", {"Start": h.dword(2)}),
        ]))

        self.start_merotan(folder)
        self.assertIsNotNone(d.wait_selected())
        self.assertEqual(self.read(folder, "Merotan.tmd"), first_dat)
        self.assertEqual(self.read(folder, "Merotan.tmr"), first_reg)
        view, _ = oracle.expected_view(d)
        self.assertEqual(self.read(folder, "Merotan.dat"), view.snapshot)
        self.assertNotEqual(view.snapshot, first_dat)

        d.select(2, via="keys")
        self.assertEqual(d.list(lines=False)["selected"], 2)
        selected = d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["text"]
        result, _ = self.run_check()
        saved = os.path.join(folder, REPORT_FILE)
        self.assertEqual(result["title"], RESULT_TITLE)
        self.assertEqual(result["text"],
                         "Die veränderten Starttypen konnten nicht gedruckt werden.    \n"
                         "Es ist kein Standarddrucker eingerichtet.\n"
                         "Die Unterschiede wurden in der Datei\n"
                         + self.session.unix_to_windows(saved) + "\ngespeichert.")
        d.answer("ok")
        d.sync()

        # Exactly the changed services, in the order of the first run's snapshot.
        changed = {
            "SwRunAuto": "Lauf Auto, Starttyp vorher: Automatisch, Starttyp jetzt: Deaktiviert",
            "SwRunOff": "Lauf Aus, Starttyp vorher: Deaktiviert, Starttyp jetzt: Manuell",
            "SwRun|Pipe": "Lauf Rohr, Starttyp vorher: Manuell, Starttyp jetzt: Automatisch",
        }
        order = [line.rsplit(b"|", 1)[0].decode("cp1252") for line in first_dat.split(b"\r\n") if line]
        expected = "".join(changed[key] + "\r\n" for key in order if key in changed)
        self.assertEqual(self.read(folder, REPORT_FILE).decode("cp1252"), expected)

        # The window is back: list enabled, caption shown, the line selected before.
        state = d.list(lines=False)
        self.assertTrue(state["enabled"])
        self.assertEqual(state["selected"], 2)
        status = d.control(IDS["IDC_ROOT_BSTARTCAPTION"])
        self.assertTrue(status["visible"])
        self.assertEqual(status["text"], selected)
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

    def test_names_beyond_the_code_page_are_listed_kept_and_checked_as_themselves(self):
        # A fullwidth reverse solidus, a Cyrillic letter, a genuine "?", a
        # line break and a name of 255 characters: each entry is listed,
        # shows its own start type, stands in the snapshot under its true
        # name, and the check tells the look-alikes apart. The line break
        # never makes a snapshot line that reads as AccSvcManual's.
        d = self.driver
        labels = {2: "Automatisch", 3: "Manuell", 4: "Deaktiviert"}
        names = {
            "AccSvcManual": ("Manuell-Dienst", 3),
            "AccSvcManual\uff3c": ("Breiter Dienst", 4),
            "AccKyr?": ("Frage-Dienst", 3),
            "AccKyr\u0416": ("Kyrillischer Dienst", 2),
            "AccCr\r\nAccSvcManual": ("Umbruch-Dienst", 4),
            "SwLang" + "L" * 249: ("Langer Dienst", 2),
        }
        d.seed([h.service(key, display=display, description="Testname", start=start)
                for key, (display, start) in names.items()])
        folder = self.start_merotan()
        self.assertIsNotNone(d.wait_selected())
        view, _ = oracle.expected_view(d)
        lines = d.lines()
        self.assertEqual(lines, view.sorted_lines(d))
        for key, (display, start) in names.items():
            self.assertIn(key, view.profile)
            index = [line.split("\t")[0] for line in lines].index(display)
            d.select(index, via="keys")
            self.assertEqual(d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["text"], "Startvorgang: " + labels[start], key)
        first_dat = self.read(folder, "Merotan.dat")
        self.assertEqual(first_dat, view.snapshot)
        self.assertTrue(first_dat.startswith(b"\xef\xbb\xbf"), "UTF-8 after a byte order mark")
        entries = [line.rsplit("|", 1) for line in first_dat[3:].decode("utf-8").split("\r\n") if line]
        for key, (_, start) in names.items():
            self.assertIn([oracle.snapshot_name(key), str(start)], entries)
        self.assertIn(b"AccCr\\r\\nAccSvcManual|4\r\n", first_dat)
        d.close()
        self.wait_program_end()

        d.reg_set(h.SERVICES + "\\AccKyr\u0416", "Start", h.dword(4))
        d.reg_set(h.SERVICES + "\\AccSvcManual\uff3c", "Start", h.dword(3))
        self.start_merotan(folder)
        self.assertIsNotNone(d.wait_selected())
        self.assertEqual(self.read(folder, "Merotan.tmd"), first_dat)
        result, _ = self.run_check()
        self.assertTrue(result["text"].startswith("Die veränderten Starttypen konnten nicht gedruckt werden."))
        d.answer("ok")
        d.sync()
        changed = {
            "AccKyr\u0416": "Kyrillischer Dienst, Starttyp vorher: Automatisch, Starttyp jetzt: Deaktiviert",
            "AccSvcManual\uff3c": "Breiter Dienst, Starttyp vorher: Deaktiviert, Starttyp jetzt: Manuell",
        }
        expected = "".join(changed[key] + "\r\n" for key, _ in entries if key in changed)
        self.assertEqual(self.read(folder, REPORT_FILE).decode("cp1252"), expected)
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

    def test_renamed_program_rotates_writes_and_checks_under_its_own_name(self):
        d = self.driver
        d.seed([h.service("SwNameSvc", display="Namensdienst", description="n", start=3)])
        folder = self.session.program_folder(exe_name="Startwart.exe")
        older_dat = b"SwNameSvc|2\r\n\r\n"
        older_reg = whole_export("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services]",
                                 "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\SwNameSvc]")
        merotan_dat = b"SwNameSvc|4\r\n\r\n"
        with open(os.path.join(folder, "Startwart.dat"), "wb") as f:
            f.write(older_dat)
        with open(os.path.join(folder, "Startwart.reg"), "wb") as f:
            f.write(older_reg)
        with open(os.path.join(folder, "Merotan.dat"), "wb") as f:
            f.write(merotan_dat)
        self.start_merotan(folder, exe_name="Startwart.exe")
        self.assertIsNotNone(d.wait_selected())

        self.assertEqual(self.read(folder, "Startwart.tmd"), older_dat)
        self.assertEqual(self.read(folder, "Startwart.tmr"), older_reg)
        view, _ = oracle.expected_view(d)
        self.assertEqual(self.read(folder, "Startwart.dat"), view.snapshot)
        export = self.wait_for_export(os.path.join(folder, "Startwart.reg"))
        self.assertIn("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\SwNameSvc]",
                      export.decode("utf-16-le"))
        # The files of the delivered name are another program's: left alone.
        self.assertEqual(self.read(folder, "Merotan.dat"), merotan_dat)
        for name in ("Merotan.tmd", "Merotan.reg", "Merotan.tmr"):
            self.assertFalse(os.path.exists(os.path.join(folder, name)), name)

        # The check compares with this name's previous snapshot.
        result, _ = self.run_check()
        self.assertEqual(result["title"], RESULT_TITLE)
        d.answer("ok")
        d.sync()
        self.assertEqual(self.read(folder, REPORT_FILE).decode("cp1252"),
                         "Namensdienst, Starttyp vorher: Automatisch, Starttyp jetzt: Manuell\r\n")
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

    def test_second_start_in_the_folder_ends_and_touches_nothing(self):
        d = self.driver
        d.seed([h.service("SwTwiceSvc", display="Zweimal", description="z", start=3)])
        folder = self.start_merotan()
        self.assertIsNotNone(d.wait_selected())
        self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        before = side_files(folder)
        self.assertEqual(sorted(before), ["Merotan.dat", "Merotan.exe", "Merotan.reg"])

        # The running window is minimized when the user starts it again.
        d.syscommand(SC_MINIMIZE)
        self.wait_until(lambda: self.root_style() & WS_MINIMIZE, message="the first window minimized")

        # A second start in the same folder ends at once, on its own, and
        # brings the running window back, restored and in front.
        second = self.session.start_program(folder, attach=False)
        self.assertEqual(second.wait(timeout=30), 0)
        self.assertFalse(self.root_style() & WS_MINIMIZE, "the first window is still minimized")
        self.assertEqual(d.screen()["foreground_class"], ROOT_CLASS)
        # Nothing was rotated or written: there is still no previous
        # snapshot, and the running window's files are as they were.
        self.assertEqual(side_files(folder), before)
        self.assertEqual(len([w for w in d.windows() if w["class"] == ROOT_CLASS]), 1)

        # The first run goes on as before, and its check still compares with
        # nothing older than its own start.
        result, _ = self.run_check()
        self.assertIn("noch keine lesbare Sicherung", result["text"])
        d.answer("ok")
        d.sync()
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

        # After it has ended, a start in the folder runs and rotates as usual.
        self.start_merotan(folder)
        self.assertIsNotNone(d.wait_selected())
        self.assertEqual(self.read(folder, "Merotan.tmd"), before["Merotan.dat"][0])
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

    def test_first_run_check_says_there_is_nothing_to_compare_with(self):
        d = self.driver
        folder = self.start_merotan()
        self.assertIsNotNone(d.wait_selected())
        d.select(1, via="keys")
        self.assertEqual(d.list(lines=False)["selected"], 1)
        result, _ = self.run_check()
        self.assertEqual(result["title"], CHECK_TITLE)
        self.assertIn("noch keine lesbare Sicherung", result["text"])
        self.assertIn(self.session.unix_to_windows(os.path.join(folder, "Merotan.tmd")), result["text"])
        self.session.screenshot("result")
        d.answer("ok")
        d.sync()
        self.session.screenshot("after")
        state = d.list(lines=False)
        self.assertTrue(state["enabled"])
        self.assertEqual(state["selected"], 1)
        self.assertTrue(d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["visible"])
        self.assertFalse(os.path.exists(os.path.join(folder, REPORT_FILE)))
        d.close()
        self.assertEqual(self.wait_program_end(), 0)


HISTORY = "Merotan-Verlauf.dat"
SERVICES_KEY = "HKEY_LOCAL_MACHINE\\" + h.SERVICES


class HistoryTest(NoPrinterTestCase):
    TIME_LIMIT = 360

    def history(self, folder):
        """The history's whole pairs, where they end, and its bytes."""
        path = os.path.join(folder, HISTORY)
        data = self.read(folder, HISTORY) if os.path.exists(path) else b""
        pairs, end = h.read_history(data)
        return pairs, end, data

    def written(self, folder, name="Merotan.reg"):
        """A file's last write in local time, to the second, as the program reads it."""
        return datetime.datetime.fromtimestamp(int(os.stat(os.path.join(folder, name)).st_mtime))

    def window_run(self, folder, pairs):
        """A run with the window, closed once its export is the current one
        and the history holds that many pairs; the export's time."""
        before = os.stat(os.path.join(folder, "Merotan.reg")).st_mtime_ns if pairs else None
        self.start_merotan(folder)
        self.assertIsNotNone(self.driver.wait_selected())
        self.wait_until(lambda: len(self.history(folder)[0]) == pairs and os.path.exists(
            os.path.join(folder, "Merotan.reg")) and os.stat(os.path.join(folder, "Merotan.reg")).st_mtime_ns != before,
            timeout=60, message=lambda: "%d pairs in the history and a new export" % pairs)
        self.driver.close()
        self.assertEqual(self.wait_program_end(), 0)
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.reg.part")))
        return self.written(folder)

    def check_run(self, folder):
        proc = self.session.start_program(folder, attach=False, args=("/pruefen",))
        return proc.wait(timeout=150)

    def changes(self, pair):
        return sorted((r["key"], r["kind"], r["label"], r["before"], r["after"]) for r in pair["records"])

    def test_three_runs_record_each_change_once_with_their_times_and_a_cut_record_hides_nothing(self):
        d = self.driver
        d.seed([
            h.service("SwHisStart", start=3),
            h.service("SwHisImage", image_path=r"C:\alt\dienst.exe"),
            h.service("SwHisGone", image_path=r"C:\geht.exe"),
        ])
        d.reg_set(h.SERVICES + r"\SwHisGone\Parameters", "ServiceDll", h.expand_sz(r"C:\geht.dll"))
        folder = self.session.program_folder()
        self.start_merotan(folder)
        self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        d.close()
        self.assertEqual(self.wait_program_end(), 0)
        first = self.written(folder)
        self.assertFalse(os.path.exists(os.path.join(folder, HISTORY)), "the first run has no pair")

        d.reg_set(h.SERVICES + r"\SwHisStart", "Start", h.dword(4))
        d.reg_set(h.SERVICES + r"\SwHisImage", "ImagePath", h.expand_sz(r"C:\neu\dienst.exe"))
        second = self.window_run(folder, 1)

        d.reg_delete_key(h.SERVICES + r"\SwHisGone")
        self.session.wine("sc", "create", "SwHisNew", "binPath=", r"C:\neu.exe")
        third = self.window_run(folder, 2)

        pairs, end, data = self.history(folder)
        self.assertEqual(end, len(data))
        self.assertEqual([(p["from"], p["to"]) for p in pairs], [(first, second), (second, third)])
        self.assertEqual(self.changes(pairs[0]), [
            ("SwHisImage", "ValueChanged", "ImagePath", h.expand_sz(r"C:\alt\dienst.exe"), h.expand_sz(r"C:\neu\dienst.exe")),
            ("SwHisStart", "ValueChanged", "Start", h.dword(3), h.dword(4)),
        ])
        new = d.reg_get(h.SERVICES + r"\SwHisNew", "ImagePath")
        self.assertEqual(self.changes(pairs[1]), [
            ("SwHisGone", "EntryRemoved", "", h.expand_sz(r"C:\geht.exe"), None),
            ("SwHisNew", "EntryAdded", "", None, (new["type"], bytes.fromhex(new["hex"]))),
        ])
        gone = next(r for r in pairs[1]["records"] if r["key"] == "SwHisGone")
        subtree = {path: {name: (type_, value) for name, _, type_, value in values} for path, _, values in gone["subtree"]}
        self.assertEqual(subtree["Parameters"], {"ServiceDll": h.expand_sz(r"C:\geht.dll")})
        self.assertEqual(subtree[""]["Start"], h.dword(3))

        # A run whose window closed before its export ended: the registry
        # editor's whole export is left behind, and the next start records
        # it and makes it current, so that every pair is adjacent.
        d.reg_set(h.SERVICES + r"\SwHisStart", "Start", h.dword(2))
        part = os.path.join(folder, "Merotan.reg.part")
        self.session.wine("regedit", "/e", self.session.unix_to_windows(part), SERVICES_KEY)
        left_over = self.written(folder, "Merotan.reg.part")
        self.assertEqual(self.check_run(folder), 0, "nothing changed since the left-over export")
        pairs, end, data = self.history(folder)
        self.assertEqual([(p["from"], p["to"]) for p in pairs[2:]],
                         [(third, left_over), (left_over, self.written(folder))])
        self.assertEqual(self.changes(pairs[2]), [("SwHisStart", "ValueChanged", "Start", h.dword(4), h.dword(2))])
        self.assertEqual(pairs[3]["records"], [])

        # Killed while it appended: the last pair cut in its head, in its
        # body and one byte short. The next run cuts the torn tail off and
        # appends after the whole pairs, which stay as they were.
        whole = data[:h.read_history(data[:end - 1])[1]]
        self.assertEqual(len(h.read_history(whole)[0]), 3)
        for cut in (len(whole) + 6, (len(whole) + len(data)) // 2, len(data) - 1):
            with open(os.path.join(folder, HISTORY), "wb") as f:
                f.write(data[:cut])
            previous = self.written(folder)
            self.assertEqual(self.check_run(folder), 0)
            again, again_end, again_data = self.history(folder)
            self.assertEqual(again_end, len(again_data), cut)
            self.assertEqual(again_data[:len(whole)], whole, cut)
            self.assertEqual(len(again), 4, cut)
            self.assertEqual((again[3]["from"], again[3]["to"]), (previous, self.written(folder)), cut)


class CheckTimeTest(NoPrinterTestCase):
    TIME_LIMIT = 240
    COUNT = 5000

    def test_check_time_with_5000_services_next_to_the_list_build(self):
        d = self.driver
        keys = ["SwMany%04d" % i for i in range(self.COUNT)]
        d.seed([h.service(key, display="Vieldienst %04d" % i, description="v", start=2 + i % 3)
                for i, key in enumerate(keys)])
        folder = self.session.program_folder()
        # A previous snapshot in which every hundredth service had another start type.
        previous = "".join("%s|%d\r\n" % (key, (2 + i % 3) if i % 100 else 2 + (i + 1) % 3)
                           for i, key in enumerate(keys)) + "\r\n"
        with open(os.path.join(folder, "Merotan.tmd"), "wb") as f:
            f.write(previous.encode("cp1252"))

        started = time.time()
        self.start_merotan(folder)
        self.assertIsNotNone(d.wait_selected(timeout_ms=120000))
        startup = time.time() - started
        self.assertGreaterEqual(d.list(lines=False)["count"], self.COUNT)

        # The service view built once more, on the way back from the driver
        # view; timed from the answer to the warning to the first line
        # selected in the rebuilt list.
        services = d.list(lines=False)["count"]
        label2 = IDS["IDC_ROOT_LABEL2"]
        d.click(IDS["IDC_ROOT_BERWEITERT"])
        self.assertEqual(self.next_box()["title"], VIEW_WARNING_TITLE)
        d.answer("ok")
        self.wait_until(lambda: d.control(label2)["text"] == "Gerätename" and d.list(lines=False)["selected"] == 0
                        and d.list(lines=False)["count"] > 0, timeout=120, message="the driver view")
        d.select(3, via="keys")
        d.click(IDS["IDC_ROOT_BERWEITERT"])
        box = self.next_box()
        self.assertEqual(box["title"], VIEW_WARNING_TITLE)
        began = time.time()
        d.answer("ok")
        self.wait_until(lambda: d.list(lines=False)["selected"] == 0 and d.list(lines=False)["count"] == services,
                        timeout=120, interval=0.01, message="the service view")
        rebuild = time.time() - began

        result, check = self.run_check()
        self.assertEqual(result["title"], RESULT_TITLE)
        d.answer("ok")
        d.sync()
        report = self.read(folder, REPORT_FILE).decode("cp1252").split("\r\n")
        self.assertEqual(len([line for line in report if line]), self.COUNT // 100)
        sys.stderr.write("\n%d services: start-up with the list build %.2f s, service view rebuilt %.2f s, "
                         "check %.2f s\n" % (self.COUNT, startup, rebuild, check))
        # Linear work like the build's (a walk by selection would take hours
        # here); timings under Wine vary with the machine's load.
        self.assertLess(check, 5 * max(rebuild, startup) + 2)
        d.close()
        self.wait_program_end(timeout=60)


if __name__ == "__main__":
    h.main()
