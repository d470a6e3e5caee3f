"""Opening an entry in the driver view: Enter on a driver line stores the
registry editor's "LastKey" and, a second later, starts the registry editor
maximised; the program stays responsive meanwhile."""

import time

import harness as h
from harness import IDS

REGEDIT_KEY = r"Software\Microsoft\Windows\CurrentVersion\Applets\Regedit"
DRIVER_KEY = "JmpDrv"


class EditorJumpTest(h.E2ETestCase):

    def test_enter_on_a_driver_line_stores_last_key_and_starts_the_registry_editor_a_second_later(self):
        d = self.driver
        d.seed([h.driver_entry(DRIVER_KEY, display="Sprungtreiber", group="Base")])
        d.reg_set(REGEDIT_KEY, root=h.HKCU)
        self.start_merotan()
        d.keys("Alt+E")
        self.assertTrue(d.msgbox()["present"])
        d.answer("ok")
        d.sync()
        self.assertFalse(d.control(IDS["IDC_ROOT_BBEARBEITEN"])["enabled"])
        line = "Sprungtreiber\t%s\tBase" % DRIVER_KEY
        d.select(d.lines().index(line))
        # The export of the Services key at start-up runs the registry editor too.
        self.wait_until(lambda: d.find_processes("regedit.exe") == [], timeout=20, message="the start-up export")

        d.keys("Enter")
        pressed = time.time()
        # Written before the wait; the window answers during the wait.
        got = d.reg_get(REGEDIT_KEY, "LastKey", root=h.HKCU)
        self.assertEqual((got["type"], got["data"]),
                         h.sz("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\" + DRIVER_KEY))
        self.assertIn(line, d.lines())
        self.assertEqual(d.find_processes("regedit.exe"), [], "the registry editor started before the wait")

        found = self.wait_until(lambda: d.find_processes("regedit.exe"), timeout=15, message="the registry editor")
        appeared = time.time() - pressed
        self.assertEqual(len(found), 1)
        self.assertGreaterEqual(appeared, 0.8, "the registry editor came without the one-second wait")
        self.assertLess(appeared, 6)
        pid = found[0]["pid"]
        frame = self.wait_until(
            lambda: [w for w in d.process_windows(pid) if w["visible"] and w["owner"] == 0],
            timeout=20, message="the registry editor's window")
        self.session.screenshot("registry-editor")
        self.assertTrue(frame[0]["zoomed"], "the registry editor is not maximised: %r" % frame)
        # The program did not wait for it: its window answers and the pointer
        # is its own again.
        self.assertTrue(d.list()["enabled"])
        d.kill(pid)
        self.assertEqual(d.find_processes("regedit.exe"), [])
        d.keys("Esc")
        self.wait_program_end()


    def test_enter_on_a_line_whose_texts_hold_tabs_opens_the_registry_editor_at_its_own_entry(self):
        # Split at its TABs, the first line would name AccDrvGroup, another
        # entry; the second's key name itself holds a TAB.
        d = self.driver
        d.seed([h.driver_entry("AccDrvGroup", display="Acc Treiber Gruppe", group="Base"),
                h.driver_entry("AccDrvTab", display="Harmlos\tAccDrvGroup"),
                h.driver_entry("AccTab\tAccSvcAuto", display="Tab im Schl\u00fcssel")])
        d.reg_set(REGEDIT_KEY, root=h.HKCU)
        self.start_merotan()
        d.keys("Alt+E")
        self.assertTrue(d.msgbox()["present"])
        d.answer("ok")
        self.wait_until(lambda: "Harmlos AccDrvGroup\tAccDrvTab\t(none)" in d.lines(), timeout=30,
                        message="the driver view")
        self.wait_until(lambda: d.find_processes("regedit.exe") == [], timeout=20, message="the start-up export")
        for line, key in (("Harmlos AccDrvGroup\tAccDrvTab\t(none)", "AccDrvTab"),
                          ("Tab im Schl\u00fcssel\tAccTab AccSvcAuto\t(none)", "AccTab\tAccSvcAuto")):
            d.select(d.lines().index(line))
            d.keys("Enter")
            got = d.reg_get(REGEDIT_KEY, "LastKey", root=h.HKCU)
            self.assertEqual((got["type"], got["data"]),
                             h.sz("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\" + key), line)
            found = self.wait_until(lambda: d.find_processes("regedit.exe"), timeout=15,
                                    message="the registry editor")
            for process in found:
                d.kill(process["pid"])
            self.wait_until(lambda: d.find_processes("regedit.exe") == [], timeout=10,
                            message="the registry editor to end")
        d.keys("Esc")
        self.wait_program_end()


if __name__ == "__main__":
    h.main()
