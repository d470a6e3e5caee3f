"""First run in an empty folder: "Merotan.dat" holds exactly the snapshot of
the services' start types, and "Merotan.reg", a real export of the Services
key, appears shortly after; nothing of a previous run is made up. The
system menu's Info box names the version and that folder."""

import os
import re

import harness as h
import oracle


class FirstRunFilesTest(h.E2ETestCase):

    def test_first_run_writes_snapshot_and_export(self):
        d = self.driver
        d.seed([
            h.service("SwSnapAuto", display="Auto", description="a", start=2),
            h.service("SwSnapOff", display="Aus", description="b", start=4),
            h.service("SwSnapBoot", display="Boot", description="c", start=0),
            h.service("SwSnap|Bar", display="Strich", description="d", start=1),
            h.service("SwSnapNoLine", display="Keine Zeile", description="", start=3),
            h.service("SwSnapÄ", display="Umlaut", description="e", start=3),
            h.driver_entry("SwSnapDriver", display="Treiber", start=1),
        ])
        # A folder name with a blank and an umlaut: the export's command line
        # quotes its path, and the files land in that folder all the same.
        folder = self.start_merotan(self.session.program_folder("Start Wart Ü"))
        self.assertIsNotNone(d.wait_selected())
        view, _ = oracle.expected_view(d)

        with open(os.path.join(folder, "Merotan.dat"), "rb") as f:
            snapshot = f.read()
        self.assertEqual(snapshot, view.snapshot)
        # Spelled out for a few lines.
        self.assertIn(b"SwSnapOff|4\r\n", snapshot)
        self.assertIn(b"SwSnap|Bar|1\r\n", snapshot)
        self.assertIn(b"SwSnapNoLine|3\r\n", snapshot)
        self.assertIn("SwSnapÄ|3\r\n".encode("cp1252"), snapshot)
        self.assertNotIn(b"SwSnapDriver", snapshot)
        self.assertTrue(snapshot.endswith(b"\r\n\r\n"))

        export = self.wait_for_export(os.path.join(folder, "Merotan.reg"))
        self.assertEqual(export[:2], b"\xff\xfe", "the export is not regedit's UTF-16 text")
        text = export[2:].decode("utf-16-le")
        self.assertTrue(text.startswith("Windows Registry Editor Version 5.00\r\n"))
        self.assertIn("\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services]\r\n", text)
        self.assertIn("\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\SwSnapOff]\r\n", text)
        self.assertIn('"Start"=dword:00000004', text)
        self.assertIn("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\SwSnapDriver]", text)

        # A first run has no previous run to keep.
        self.assertEqual(sorted(os.listdir(folder)), ["Merotan.dat", "Merotan.exe", "Merotan.reg"])

        # The Info box, from the system menu: the project's version, this
        # build's word size and the folder the files above lie in.
        with open(os.path.join(h.REPO, "CMakeLists.txt"), encoding="utf-8") as f:
            version = re.search(r"project\(Merotan VERSION ([0-9.]+)", f.read()).group(1)
        d.syscommand(h.IDS["IDM_ROOT_INFO"])
        box = d.msgbox(timeout_ms=20000)
        self.assertTrue(box["present"], "the Info box did not appear")
        self.session.screenshot("info-box")
        self.assertEqual(box["title"], " Tavrine Startwart")
        self.assertIn("Tavrine™ Startwart XP\nVersion " + version + " vom ", box["text"])
        self.assertIn("(64-Bit)", box["text"])
        self.assertIn("Programmordner:\n" + self.session.unix_to_windows(folder) + "\n", box["text"])
        self.assertIn("\nMerotan.tmr  –  ", box["text"])
        d.answer("ok")
        self.wait_until(lambda: not d.msgbox(timeout_ms=0)["present"], message="the Info box to close")
        d.close()
        self.assertEqual(self.wait_program_end(), 0)


if __name__ == "__main__":
    h.main()
