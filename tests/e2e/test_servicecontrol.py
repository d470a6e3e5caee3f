"""Starting and stopping a real service through "&Starten" and "&Anhalten":
the batch file "Merotan.bat" that the program writes into its folder and runs
hidden, with a small test service registered in the throwaway prefix.

Wine's "net" finds a service by its key name only, so the services here carry
their key name as display name unless a test says otherwise."""

import os
import shutil
import time

import harness as h
from harness import IDS

TEST_SERVICE = os.environ.get("SW_E2E_TESTSERVICE",
                              os.path.join(h.DEFAULT_BUILD, "tests", "testservice", "TestService.exe"))
BATCH = "Merotan.bat"
STARS = "*" * 69
LIST = IDS["IDC_ROOT_LOBJEKTE"]
STARTEN = IDS["IDC_ROOT_BSTARTEN"]
ANHALTEN = IDS["IDC_ROOT_BANHALTEN"]
CAPTION = IDS["IDC_ROOT_BSTARTCAPTION"]


def start_file(name):
    lines = ["@echo off", "echo.", "echo " + STARS, "echo SERVICES WERDEN GESTARTET", "echo " + STARS, "echo.",
             'net start "%s"' % name]
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


def stop_file(name):
    lines = ["@echo off", "echo.", "echo " + STARS, "echo " + STARS, "echo.", 'net stop "%s"' % name]
    return "".join(line + "\r\n" for line in lines).encode("cp1252")


class ServiceControlTest(h.E2ETestCase):
    # The hostile-names test clicks through a dozen entries, each waiting for
    # its batch; beside other tests on a loaded machine it took over 60 s.
    TIME_LIMIT = 150

    # Set-up helpers ----------------------------------------------------------
    def install_service(self, key, display=None, arguments="", depends=None, program="TestService.exe"):
        """Registers the test service under key, with a description and an
        "ObjectName" so that it shows in the service view; program names
        another file in its folder, which need not exist."""
        folder = self.session.drive_c("svc")
        os.makedirs(folder, exist_ok=True)
        exe = os.path.join(folder, "TestService.exe")
        if not os.path.exists(exe):
            shutil.copy2(TEST_SERVICE, exe)
        binary = self.session.unix_to_windows(os.path.join(folder, program)) + (" " + arguments if arguments else "")
        self.driver.service_create(key, binary, display=key if display is None else display, depends=depends)
        path = h.SERVICES + "\\" + key
        self.driver.reg_set(path, "Description", h.sz("Testdienst"))
        self.driver.reg_set(path, "ObjectName", h.sz("LocalSystem"))
        self.assertEqual(self.driver.service_state(key), "STOPPED")

    def wait_driver_view(self, line):
        """Waits until the driver view is built and holds line. The answer to
        the view's warning only posts the click: until the view is built, the
        list still shows the service view's selection, or nothing while it is
        rebuilt; the new view selects its first line once built."""
        d = self.driver
        self.wait_until(lambda: d.control(IDS["IDC_ROOT_LABEL2"])["text"] == "Gerätename"
                        and d.list(lines=False)["selected"] == 0 and line in d.lines(),
                        timeout=30, message="the driver view with " + repr(line))

    def select_line(self, line):
        # By arrow keys: a mouse click just after start-up can land a line or
        # two off while Wine still moves the new window into place.
        lines = self.driver.lines()
        self.assertIn(line, lines)
        self.driver.select(lines.index(line), via="keys")
        self.assertEqual(self.driver.list()["selected"], lines.index(line))

    def batch(self):
        with open(os.path.join(self.folder, BATCH), "rb") as f:
            return f.read()

    def wait_batch_done(self, timeout=20):
        """Waits until no command interpreter and no "net" runs any more."""
        self.wait_until(lambda: not {"cmd.exe", "net.exe"} & {n.lower() for n in self.driver.processes()},
                        timeout=timeout, message="the batch to end")

    def assert_window_unchanged(self, before):
        d = self.driver
        self.assertEqual(d.list(), before["list"])
        self.assertEqual(d.control(CAPTION)["text"], before["caption"])
        self.assertEqual(d.focused_id(), LIST)
        self.assertFalse(d.msgbox(timeout_ms=300)["present"])

    def window_state(self):
        return {"list": self.driver.list(), "caption": self.driver.control(CAPTION)["text"]}

    def click_and_wait(self, button, key, state):
        self.driver.click(button)
        self.assertEqual(self.driver.wait_service(key, state), state)
        self.wait_batch_done()

    def no_batch_ran(self):
        self.assertFalse(os.path.exists(os.path.join(self.folder, BATCH)))
        self.assertNotIn("cmd.exe", {n.lower() for n in self.driver.processes()})

    # Tests ---------------------------------------------------------------------
    def test_a_disabled_service_is_not_started_and_a_failed_start_says_why(self):
        d = self.driver
        self.install_service("SwAus")
        d.reg_set(h.SERVICES + "\\SwAus", "Start", h.dword(4))
        self.install_service("SwFehlt", program="Fehlt.exe")
        self.folder = self.start_merotan()

        self.select_line("SwAus\tTestdienst\tSwAus")
        d.click(STARTEN)
        box = d.msgbox()
        self.assertTrue(box["present"])
        self.assertEqual(box["title"], " Tavrine Startwart")
        self.assertEqual(box["text"], 'Der Dienst "SwAus" ist deaktiviert und kann nicht gestartet werden.\n'
                                      'Mit "Bearbeiten" ändern Sie den Starttyp.\nEs wurde nichts ausgeführt.')
        d.answer("ok")
        d.sync()
        self.no_batch_ran()
        self.assertEqual(d.service_state("SwAus"), "STOPPED")

        # A program that is not there: after the batch, what net said.
        self.select_line("SwFehlt\tTestdienst\tSwFehlt")
        d.click(STARTEN)
        box = d.msgbox(timeout_ms=30000)
        self.assertTrue(box["present"], "no message after a failed start")
        self.session.screenshot("failed_start_message")
        self.assertEqual(box["title"], " Tavrine Startwart")
        head = ('"net start" hat nicht erreicht, was verlangt war.\n\n'
                'Der Dienst "SwFehlt" konnte nicht gestartet werden.\n')
        self.assertTrue(box["text"].startswith(head), box["text"])
        self.assertIn('\nAusgabe von "net":\n', box["text"])
        said = box["text"].split('Ausgabe von "net":\n', 1)[1]
        self.assertTrue(said.strip(), box["text"])
        self.assertNotIn("*", said)  # the batch's banner is not net's
        d.answer("ok")
        self.assertEqual(d.service_state("SwFehlt"), "STOPPED")

    def test_stopping_a_service_with_a_running_dependent_asks_first(self):
        d = self.driver
        self.install_service("SwBasis")
        self.install_service("SwOben", depends="SwBasis")
        self.folder = self.start_merotan()
        self.select_line("SwBasis\tTestdienst\tSwBasis")
        self.click_and_wait(STARTEN, "SwBasis", "RUNNING")
        self.select_line("SwOben\tTestdienst\tSwOben")
        self.click_and_wait(STARTEN, "SwOben", "RUNNING")
        os.remove(os.path.join(self.folder, BATCH))

        question = ('Diese laufenden Dienste hängen von "SwBasis" ab:\n\n    "SwOben"\n\n'
                    'Sollen sie ebenfalls angehalten werden?\nBei "Nein" wird nichts ausgeführt.')
        self.select_line("SwBasis\tTestdienst\tSwBasis")
        d.click(ANHALTEN)
        box = d.msgbox()
        self.assertEqual(box["text"], question)
        d.answer("no")
        d.sync()
        self.no_batch_ran()
        self.assertEqual(d.service_state("SwBasis"), "RUNNING")
        self.assertEqual(d.service_state("SwOben"), "RUNNING")

        d.click(ANHALTEN)
        box = d.msgbox()
        self.assertEqual(box["text"], question)
        d.answer("yes")
        self.assertEqual(d.wait_service("SwOben", "STOPPED"), "STOPPED")
        self.assertEqual(d.wait_service("SwBasis", "STOPPED"), "STOPPED")
        self.wait_batch_done()
        self.assertEqual(self.batch(), stop_file("SwOben") + b'net stop "SwBasis"\r\n')
        self.assertFalse(d.msgbox(timeout_ms=1000)["present"])

    def test_a_display_name_ending_in_a_backslash_starts_and_stops_by_its_key_name(self):
        # 'net start "Acc Schraeg\"' would read the backslash as escaping the
        # closing quote and look for 'Acc Schraeg"'. Its dependent has such a
        # name too, and is stopped first.
        d = self.driver
        self.install_service("SwSchraeg", display="Acc Schraeg\\")
        self.install_service("SwSchraegOben", display="Oben\\", depends="SwSchraeg")
        self.folder = self.start_merotan()
        base = "Acc Schraeg\\\tTestdienst\tSwSchraeg"
        self.select_line(base)
        self.click_and_wait(STARTEN, "SwSchraeg", "RUNNING")
        self.assertEqual(self.batch(), start_file("SwSchraeg"))
        self.select_line("Oben\\\tTestdienst\tSwSchraegOben")
        self.click_and_wait(STARTEN, "SwSchraegOben", "RUNNING")

        self.select_line(base)
        d.click(ANHALTEN)
        box = d.msgbox()
        self.assertIn('\n    "Oben\\" (SwSchraegOben)\n', box["text"])
        d.answer("yes")
        self.assertEqual(d.wait_service("SwSchraegOben", "STOPPED"), "STOPPED")
        self.assertEqual(d.wait_service("SwSchraeg", "STOPPED"), "STOPPED")
        self.wait_batch_done()
        self.assertEqual(self.batch(), stop_file("SwSchraegOben") + b'net stop "SwSchraeg"\r\n')
        self.assertFalse(d.msgbox(timeout_ms=1000)["present"])

    def test_start_and_stop_a_real_service_in_both_views(self):
        d = self.driver
        self.install_service("SwDienst")
        self.folder = self.start_merotan()
        self.select_line("SwDienst\tTestdienst\tSwDienst")
        before = self.window_state()

        self.click_and_wait(STARTEN, "SwDienst", "RUNNING")
        self.assertEqual(self.batch(), start_file("SwDienst"))
        self.assert_window_unchanged(before)

        self.click_and_wait(ANHALTEN, "SwDienst", "STOPPED")
        self.assertEqual(self.batch(), stop_file("SwDienst"))
        self.assert_window_unchanged(before)

        # The driver view: the third field is the group, "(none)", which
        # names no key; the second field, the key name, decides.
        d.click(IDS["IDC_ROOT_BERWEITERT"])
        self.assertTrue(d.msgbox()["present"])
        d.answer("ok")
        driver_line = "SwDienst\tSwDienst\t(none)"
        self.wait_driver_view(driver_line)
        self.select_line(driver_line)
        before = self.window_state()
        self.click_and_wait(STARTEN, "SwDienst", "RUNNING")
        self.assertEqual(self.batch(), start_file("SwDienst"))
        self.assert_window_unchanged(before)
        self.click_and_wait(ANHALTEN, "SwDienst", "STOPPED")
        self.assertEqual(self.batch(), stop_file("SwDienst"))

        d.close()
        self.assertEqual(self.wait_program_end(), 0)
        self.assertFalse(os.path.exists(os.path.join(self.folder, BATCH)))

    def test_a_driver_in_a_group_named_like_a_service_names_itself(self):
        # The driver view's third field is the group. A driver in the group
        # "SwGruppe" beside a running service whose key is "SwGruppe": a stop
        # on the driver's line names the driver, and the service runs on.
        d = self.driver
        self.install_service("SwGruppe")
        d.seed([h.driver_entry("SwNetzkarte", display="SwNetzkarte", start=3, group="SwGruppe")])
        self.folder = self.start_merotan()
        self.select_line("SwGruppe\tTestdienst\tSwGruppe")
        self.click_and_wait(STARTEN, "SwGruppe", "RUNNING")

        d.click(IDS["IDC_ROOT_BERWEITERT"])
        self.assertTrue(d.msgbox()["present"])
        d.answer("ok")
        self.wait_driver_view("SwNetzkarte\tSwNetzkarte\tSwGruppe")
        self.select_line("SwNetzkarte\tSwNetzkarte\tSwGruppe")
        d.click(ANHALTEN)
        d.sync()  # the click handled: the file written and its interpreter started
        self.assertEqual(self.batch(), stop_file("SwNetzkarte"))
        self.wait_batch_done()
        self.assertEqual(d.service_state("SwGruppe"), "RUNNING")
        # A driver the service manager does not know: net's answer is shown.
        box = d.msgbox(timeout_ms=10000)
        self.assertTrue(box["present"], "no message after the driver's stop")
        self.assertTrue(box["text"].startswith('"net stop" hat nicht erreicht, was verlangt war.\n\nDer Dienst '
                                               '"SwNetzkarte" konnte nicht angehalten werden.\nDie Dienststeuerung '
                                               'kennt diesen Eintrag nicht.\n\nAusgabe von "net":\n'), box["text"])
        d.answer("ok")
        d.sync()

        # The service's own line in the driver view still stops it.
        self.select_line("SwGruppe\tSwGruppe\t(none)")
        self.click_and_wait(ANHALTEN, "SwGruppe", "STOPPED")
        self.assertEqual(self.batch(), stop_file("SwGruppe"))

    def test_a_tab_a_name_of_another_service_and_no_display_name_start_and_stop_their_own_entry(self):
        # Display names written into the registry behind the service
        # manager's back: one that is another service's key name (net takes
        # key names), one with TABs that, split at them, names another entry,
        # and none at all. Each click reaches its own line's service and no
        # other.
        d = self.driver
        for key in ("SwProbe", "SwShadow", "SwTab", "SwOhneName"):
            self.install_service(key)
        d.reg_set(h.SERVICES + "\\SwShadow", "DisplayName", h.sz("swprobe"))
        d.reg_set(h.SERVICES + "\\SwTab", "DisplayName", h.sz("Harmlos\tSwProbe"))
        self.session.wine("reg", "delete", "HKLM\\" + h.SERVICES + "\\SwOhneName", "/v", "DisplayName", "/f")
        self.folder = self.start_merotan()

        for line, key in (("swprobe\tTestdienst\tSwShadow", "SwShadow"),
                          ("Harmlos SwProbe\tTestdienst\tSwTab", "SwTab"),
                          (" \tTestdienst\tSwOhneName", "SwOhneName")):
            self.select_line(line)
            self.click_and_wait(STARTEN, key, "RUNNING")
            self.assertEqual(self.batch(), start_file(key), line)
            self.assertEqual(d.service_state("SwProbe"), "STOPPED", line)

        # The driver view: the TAB line's second field is its key name, and
        # "&Anhalten" stops that service while SwProbe runs on.
        self.session.wine("net", "start", "SwProbe", check=False)
        self.assertEqual(d.wait_service("SwProbe", "RUNNING"), "RUNNING")
        d.click(IDS["IDC_ROOT_BERWEITERT"])
        self.assertTrue(d.msgbox()["present"])
        d.answer("ok")
        line = "Harmlos SwProbe\tSwTab\t(none)"
        self.wait_until(lambda: line in d.lines() and d.list(lines=False)["selected"] == 0, timeout=30,
                        message="the driver view")
        self.select_line(line)
        self.click_and_wait(ANHALTEN, "SwTab", "STOPPED")
        self.assertEqual(self.batch(), stop_file("SwTab"))
        self.assertEqual(d.service_state("SwProbe"), "RUNNING")
        self.assertEqual(d.service_state("SwShadow"), "RUNNING")

    def edit_start_type(self, line, keys):
        """Opens the editor on line with Enter and chooses a start type with
        keys in its list, then Ok; waits until the editor has closed."""
        d = self.driver
        self.select_line(line)
        d.keys("Enter")
        self.assertIsNotNone(d.wait_window("settings", timeout_ms=5000), "the editor did not open")
        d.keys("Enter", *keys, "Enter", "Enter")  # to the list, the choice, to Ok, Ok
        self.wait_until(lambda: IDS["SW_SETTINGS_CLASS"] not in [w["class"] for w in d.windows()],
                        message="the editor to close")

    def net_start(self, key):
        return self.session.wine("net", "start", key, check=False).decode("cp437", "replace")

    def test_a_start_type_chosen_in_the_editor_takes_effect_at_once(self):
        # The service manager keeps its own copy of a service's start type: a
        # "Start" written to the registry alone would let a disabled service
        # start until the next boot.
        d = self.driver
        key = "SwStartart"
        path = h.SERVICES + "\\" + key
        line = key + "\tTestdienst\t" + key
        self.install_service(key)
        # Windows' mark of a delayed automatic start; Wine's manager cannot
        # set it, the value can be seeded and read.
        d.reg_set(path, "DelayedAutostart", h.dword(1))
        self.folder = self.start_merotan()

        self.edit_start_type(line, ["End"])  # "Deaktiviert"
        self.assertEqual(d.reg_get(path, "Start")["data"], h.dword(4)[1])
        self.assertEqual(d.control(CAPTION)["text"], "Startvorgang: Deaktiviert")
        out = self.net_start(key)
        time.sleep(1)
        self.assertEqual(d.service_state(key), "STOPPED", out)
        # Wine's net says "Service is disabled."; Windows' names error 1058.
        self.assertTrue("disabled" in out or "1058" in out, "net start should fail as disabled: " + out)

        self.edit_start_type(line, ["Home", "Down"])  # "Manuell"
        self.assertEqual(d.reg_get(path, "Start")["data"], h.dword(3)[1])
        self.net_start(key)
        self.assertEqual(d.wait_service(key, "RUNNING"), "RUNNING")
        self.session.wine("net", "stop", key, check=False)
        self.assertEqual(d.wait_service(key, "STOPPED"), "STOPPED")

        # "Automatisch" leaves the delay as it is, and the status shows it.
        self.edit_start_type(line, ["Home"])
        self.assertEqual(d.reg_get(path, "Start")["data"], h.dword(2)[1])
        self.assertEqual(d.reg_get(path, "DelayedAutostart")["data"], h.dword(1)[1])
        self.assertEqual(d.control(CAPTION)["text"], "Startvorgang: Automatisch (verzögert)")
        # The editor's other write, the description, survives the manager.
        self.assertEqual(d.reg_get(path, "Description")["data"], h.sz("Testdienst")[1])

    def test_a_name_beyond_ascii_is_passed_by_its_key_name(self):
        # The interpreter reads the file in the OEM code page: "Übung" written
        # in ANSI would reach "net" changed. The key name starts the service.
        self.install_service("SwUmlaut", display="Dienst für Übung")
        self.folder = self.start_merotan()
        self.select_line("Dienst für Übung\tTestdienst\tSwUmlaut")
        self.click_and_wait(STARTEN, "SwUmlaut", "RUNNING")
        self.assertEqual(self.batch(), start_file("SwUmlaut"))
        self.click_and_wait(ANHALTEN, "SwUmlaut", "STOPPED")

    def test_names_that_would_reach_net_changed_are_refused(self):
        # A Cyrillic key name whose display name is not plain either: written
        # into the batch file, it would reach "net" as another name (the
        # Cyrillic letter as "?", "ü" read in the OEM code page). Nothing is
        # written or run, and a message says so.
        d = self.driver
        d.seed([h.service("SwKyr\u0416", display="Dienst \u0416 für Prüfung", description="Kyrillisch")])
        self.folder = self.start_merotan()
        self.select_line("Dienst \u0416 für Prüfung\tKyrillisch\tSwKyr\u0416")
        d.click(ANHALTEN)
        box = d.msgbox()
        self.assertTrue(box["present"])
        self.assertEqual(box["title"], " Tavrine Startwart")
        self.assertEqual(box["text"], "Der Name dieses Dienstes enthält Zeichen, die in der Stapeldatei nicht "
                                      "unverändert bleiben, und kann nicht an den Befehl \"net stop\" übergeben "
                                      "werden.\nEs wurde nichts ausgeführt.")
        d.answer("ok")
        d.sync()
        self.assertEqual(d.focused_id(), LIST)
        self.assertFalse(os.path.exists(os.path.join(self.folder, BATCH)))
        self.assertNotIn("cmd.exe", {n.lower() for n in d.processes()})
        d.close()
        self.assertEqual(self.wait_program_end(), 0)

    def test_signs_in_a_name_reach_net_as_written(self):
        # "%" doubled in the file, "^", "!", "&" and blanks as they are: the
        # service starts only when "net" gets its key name exactly.
        key = "Sw 50% %COMSPEC% ^x! & (y)"
        self.install_service(key)
        self.folder = self.start_merotan()
        self.select_line(key + "\tTestdienst\t" + key)
        self.click_and_wait(STARTEN, key, "RUNNING")
        self.assertEqual(self.batch(), start_file("Sw 50%% %%COMSPEC%% ^x! & (y)"))
        self.click_and_wait(ANHALTEN, key, "STOPPED")

    def test_hostile_display_names_never_reach_the_interpreter(self):
        d = self.driver
        self.install_service("SwZiel")
        # A registry entry whose key name cannot pass either.
        d.seed([h.service('Sw"Quote', display='Sw" & echo owned>C:\\owned_both.txt & "',
                          description="Beides")])
        self.folder = self.start_merotan()
        path = h.SERVICES + "\\SwZiel"
        hostile = [
            ("quote", 'SwZiel" & echo owned>C:\\owned_quote.txt & "'),
            ("crlf", "SwZiel\r\necho owned>C:\\owned_crlf.txt"),
            ("lf", "SwZiel\necho owned>C:\\owned_lf.txt"),
            ("ctrlz", "SwZiel\x1a&echo owned>C:\\owned_ctrlz.txt&rem "),
            # Wider than an interpreter line: its rest would run on its own.
            ("long", "A" * 8300 + "&echo owned>C:\\owned_long.txt&rem "),
        ]
        self.select_line("SwZiel\tTestdienst\tSwZiel")
        before = self.window_state()
        running = False
        for label, name in hostile:
            # The display name is read fresh at every click.
            d.reg_set(path, "DisplayName", h.sz(name))
            button, state, expected = ((ANHALTEN, "STOPPED", stop_file("SwZiel")) if running
                                       else (STARTEN, "RUNNING", start_file("SwZiel")))
            self.click_and_wait(button, "SwZiel", state)
            running = not running
            self.assertEqual(self.batch(), expected, label)
            self.assert_window_unchanged(before)
        marker = self.session.drive_c
        for label, _ in hostile:
            self.assertFalse(os.path.exists(marker("owned_%s.txt" % label)), label)

        # Key name and display name both unfit: nothing written or run, and
        # a message says so.
        last = self.batch()
        self.select_line(next(line for line in d.lines() if line.endswith("\tBeides\tSw\"Quote")))
        d.click(STARTEN)
        box = d.msgbox()
        self.assertTrue(box["present"])
        self.assertEqual(box["title"], " Tavrine Startwart")
        self.assertEqual(box["text"], "Der Name dieses Dienstes ist zu lang oder enthält Anführungszeichen oder "
                                      "Steuerzeichen und kann nicht sicher an den Befehl \"net start\" übergeben "
                                      "werden.\nEs wurde nichts ausgeführt.")
        d.answer("ok")
        d.sync()
        self.assertEqual(d.focused_id(), LIST)
        self.assertEqual(self.batch(), last)
        time.sleep(1)
        self.assertNotIn("cmd.exe", {n.lower() for n in d.processes()})
        self.assertFalse(os.path.exists(marker("owned_both.txt")))

    def test_a_click_while_a_batch_still_runs_leaves_the_last_clicks_file_alone(self):
        d = self.driver
        # "net start" waits about four seconds for this one.
        self.install_service("SwLangsam", arguments="--dispatcher-delay=4000")
        # The stop file of this entry is longer than the start file of the
        # slow one, and from that length on it holds a command: an
        # interpreter that read on in the rewritten file would run it.
        name_starts_at = len(stop_file("")) - len('"\r\n')
        display = "x" * (len(start_file("SwLangsam")) - name_starts_at) + "&echo owned>C:\\owned_reread.txt&rem "
        d.seed([h.service("SwZweit", display=display, description="Zweiter")])
        self.folder = self.start_merotan()

        self.select_line("SwLangsam\tTestdienst\tSwLangsam")
        d.click(STARTEN)
        # "net" waits for the service, whose program is up but not yet
        # connected. A failed wait says which of the programs were seen, in
        # turn, and what the service and the batch file were at the end.
        seen = []

        def net_waits():
            names = {n.lower() for n in d.processes()} & {"cmd.exe", "net.exe", "testservice.exe"}
            if not seen or seen[-1] != names:
                seen.append(names)
            return {"net.exe", "testservice.exe"} <= names

        def what_was_seen():
            written = self.batch() if os.path.exists(os.path.join(self.folder, BATCH)) else None
            return "net to wait for the service; seen in turn: %s; service %s; batch file %r" % (
                [sorted(names) for names in seen], d.service_state("SwLangsam"), written)

        self.wait_until(net_waits, timeout=30, message=what_was_seen)
        self.assertNotEqual(d.service_state("SwLangsam"), "RUNNING")

        lines = d.lines()
        second = next(line for line in lines if line.endswith("\tZweiter\tSwZweit"))
        self.select_line(second)
        d.click(ANHALTEN)
        d.click(ANHALTEN)  # twice, quickly
        self.assertEqual(self.batch(), stop_file(display))
        self.wait_batch_done()
        # The earlier start was handed to the service manager before its
        # batch was ended, and goes through.
        self.assertEqual(d.wait_service("SwLangsam", "RUNNING"), "RUNNING")
        time.sleep(1)
        self.assertEqual(self.batch(), stop_file(display))
        self.assertFalse(os.path.exists(self.session.drive_c("owned_reread.txt")))

    def test_no_program_lying_in_the_program_or_starting_folder_runs_in_place_of_the_systems(self):
        d = self.driver
        self.install_service("SwSystem")
        d.seed([h.driver_entry("SwSprung", display="Sprungtreiber", group="Base")])
        d.reg_set(r"Software\Microsoft\Windows\CurrentVersion\Applets\Regedit", root=h.HKCU)
        self.folder = self.session.program_folder()
        starting = self.session.drive_c("Anderswo")
        os.makedirs(starting)
        # Look-alikes of the registry editor and of "net", as programs and as
        # a batch file, beside the program and in the folder it is started from.
        planted = []
        for folder in (self.folder, starting):
            for name in ("regedit.exe", "Regedit.exe", "net.exe"):
                path = os.path.join(folder, name)
                shutil.copy2(h.MARKER, path)
                planted.append(path + ".ran")
            with open(os.path.join(folder, "net.bat"), "wb") as f:
                f.write(b'@echo ran>"%~dp0net.bat.ran"\r\n')
            planted.append(os.path.join(folder, "net.bat.ran"))
        planted = sorted(set(planted))

        self.start_merotan(self.folder, cwd=starting)
        # The export: the system's registry editor wrote it.
        export = self.wait_for_export(os.path.join(self.folder, "Merotan.reg"))
        self.assertIn("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\SwSystem]",
                      export.decode("utf-16-le"))

        # Start and stop: the system's "net".
        self.select_line("SwSystem\tTestdienst\tSwSystem")
        self.click_and_wait(STARTEN, "SwSystem", "RUNNING")
        self.click_and_wait(ANHALTEN, "SwSystem", "STOPPED")
        self.assertEqual(self.batch(), stop_file("SwSystem"))

        # The jump: the system's registry editor, from the Windows folder.
        d.click(IDS["IDC_ROOT_BERWEITERT"])
        self.assertTrue(d.msgbox()["present"])
        d.answer("ok")
        line = "Sprungtreiber\tSwSprung\tBase"
        self.wait_driver_view(line)
        self.select_line(line)
        self.wait_until(lambda: d.find_processes("regedit.exe") == [], timeout=20, message="the start-up export")
        d.keys("Enter")
        found = self.wait_until(lambda: d.find_processes("regedit.exe"), timeout=15, message="the registry editor")
        self.assertEqual(len(found), 1)
        d.kill(found[0]["pid"])

        self.assertEqual([p for p in planted if os.path.exists(p)], [])
        d.close()
        self.assertEqual(self.wait_program_end(), 0)
        self.assertEqual([p for p in planted if os.path.exists(p)], [])


if __name__ == "__main__":
    h.main()
