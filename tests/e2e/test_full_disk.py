"""A full disk never costs the last whole record: the program folder on a
small disk of its own, 5,000 services, filled up between runs. This run's
snapshot and export only replace whole ones, the user is told once when this
run's snapshot could not be kept, and with room again the next run goes on
from the last whole files."""

import os
import subprocess
import time

import harness as h
import oracle
from test_snapshots import NoPrinterTestCase, REPORT_FILE, RESULT_TITLE, SIDE_FILE_TITLE


class FullDiskTest(NoPrinterTestCase):
    """The program folder on a small disk of its own (a tmpfs mounted there),
    5,000 services, filled up between runs."""
    TIME_LIMIT = 300
    COUNT = 5000

    def setUp(self):
        if os.geteuid() != 0:
            self.skipTest("mounting the small disk needs root")
        super().setUp()

    def mount_small_disk(self, folder, size):
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size, "startwart-full", folder], check=True)
        # Lazily: the prefix's processes may still hold files there until the
        # session has ended them.
        self.addCleanup(subprocess.run, ["umount", "-l", folder], check=False)

    def fill(self, folder, leave):
        """Fills the disk until only about leave bytes are free."""
        path = os.path.join(folder, "filler.bin")
        st = os.statvfs(folder)
        free = st.f_bavail * st.f_frsize
        with open(path, "ab") as f:
            f.write(b"\0" * max(0, free - leave))
        st = os.statvfs(folder)
        return st.f_bavail * st.f_frsize

    def start_and_wait(self, folder):
        self.start_merotan(folder, wait=False)
        self.assertIsNotNone(self.driver.wait_window("root", timeout_ms=90000), "no main window")

    def start_to_side_file_box(self, folder):
        """Starts the program and returns the message about this run's
        snapshot, which comes while the window is still being loaded."""
        self.start_merotan(folder, wait=False)
        box = self.driver.msgbox(timeout_ms=90000)
        self.assertTrue(box["present"], "no message about the snapshot")
        self.assertEqual(box["title"], SIDE_FILE_TITLE)
        self.assertTrue(box["text"].startswith(
            "Die Sicherung der Starttypen konnte bei diesem Programmstart nicht gespeichert werden."), box["text"])
        self.assertIn("vergleicht daher mit einer älteren Sicherung", box["text"])
        return box

    def test_a_full_disk_never_replaces_a_whole_snapshot_or_export_with_a_cut_one(self):
        d = self.driver
        keys = ["SwFull%04d" % i for i in range(self.COUNT)]
        d.seed([h.service(key, display="Volldienst %04d" % i, description="v", start=2 + i % 3)
                for i, key in enumerate(keys)])
        folder = self.session.drive_c("Startwart")
        os.makedirs(folder)
        self.mount_small_disk(folder, 64 * 1024 * 1024)
        self.session.program_folder()

        # The first run, with room enough.
        self.start_and_wait(folder)
        self.assertIsNotNone(d.wait_selected(timeout_ms=90000))
        first_dat = self.read(folder, "Merotan.dat")
        first_reg = self.wait_for_export(os.path.join(folder, "Merotan.reg"), timeout=120)
        self.assertGreater(len(first_dat), 40960)
        d.close()
        self.wait_program_end(timeout=60)

        # Start types change; the disk fills up until this run's snapshot
        # no longer fits beside the previous run's copy.
        d.seed([h.service(key, display="Volldienst %04d" % i, description="v", start=2 + (i + 1) % 3)
                for i, key in enumerate(keys[:50])])
        left = self.fill(folder, len(first_dat) * 3 // 2)
        self.assertLess(left, 2 * len(first_dat))
        box = self.start_to_side_file_box(folder)
        self.assertIn("Datenträger voll", box["text"])
        self.assertIn(self.session.unix_to_windows(os.path.join(folder, "Merotan.dat")), box["text"])
        self.session.screenshot("full-disk-message")
        d.answer("ok")
        self.assertIsNotNone(d.wait_window("root", timeout_ms=60000), "no main window")
        self.assertIsNotNone(d.wait_selected(timeout_ms=90000))
        self.assertFalse(d.msgbox(timeout_ms=500)["present"], "told more than once")
        # The last whole snapshot was kept as the previous one and is still
        # the current one; the export, which did not fit as a copy, was
        # neither copied nor redone; nothing cut is left.
        self.assertEqual(self.read(folder, "Merotan.tmd"), first_dat)
        self.assertEqual(self.read(folder, "Merotan.dat"), first_dat)
        time.sleep(3)  # time enough for an export to show
        self.assertEqual(self.read(folder, "Merotan.reg"), first_reg)
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.tmr")))
        self.assertEqual([n for n in os.listdir(folder) if n.endswith(".part")], [])
        # The check of this run compares with the kept snapshot and finds
        # the 50 changed services.
        result, _ = self.run_check()
        self.assertEqual(result["title"], RESULT_TITLE)
        self.assertIn("konnten nicht gedruckt werden", result["text"])
        d.answer("ok")
        d.sync()
        d.close()
        self.wait_program_end(timeout=60)

        # Fuller still: not even the copy of the last snapshot fits, so that
        # snapshot stays where it is and this run writes none.
        os.remove(os.path.join(folder, REPORT_FILE))
        self.fill(folder, len(first_dat) // 2)
        box = self.start_to_side_file_box(folder)
        self.assertIn("konnte nicht aufbewahrt werden", box["text"])
        d.answer("ok")
        self.assertIsNotNone(d.wait_window("root", timeout_ms=60000), "no main window")
        self.assertIsNotNone(d.wait_selected(timeout_ms=90000))
        self.assertEqual(self.read(folder, "Merotan.dat"), first_dat)
        self.assertEqual(self.read(folder, "Merotan.tmd"), first_dat)
        self.assertEqual(self.read(folder, "Merotan.reg"), first_reg)
        self.assertEqual([n for n in os.listdir(folder) if n.endswith(".part")], [])
        d.close()
        self.wait_program_end(timeout=60)

        # Room again: the next run keeps the last whole files and writes its own.
        os.remove(os.path.join(folder, "filler.bin"))
        self.start_and_wait(folder)
        self.assertIsNotNone(d.wait_selected(timeout_ms=90000))
        self.assertFalse(d.msgbox(timeout_ms=500)["present"])
        view, _ = oracle.expected_view(d)
        self.assertEqual(self.read(folder, "Merotan.tmd"), first_dat)
        self.assertEqual(self.read(folder, "Merotan.dat"), view.snapshot)
        self.assertEqual(self.read(folder, "Merotan.tmr"), first_reg)
        self.wait_until(lambda: self.read(folder, "Merotan.reg") != first_reg, timeout=120, interval=0.5,
                        message="this run's export")
        self.assertEqual(self.read(folder, "Merotan.reg")[-8:], "\r\n\r\n".encode("utf-16-le"))
        d.close()
        self.wait_program_end(timeout=60)



if __name__ == "__main__":
    h.main()
