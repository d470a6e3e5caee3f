"""Start-up and shut-down around the batch file "Merotan.bat": closing the
window and pressing Esc remove it, and start-up removes one left over."""

import os

import harness as h

BATCH = "Merotan.bat"
BATCH_TEXT = b"@echo off\r\nnet start Spooler\r\n"


class ShutdownTest(h.E2ETestCase):

    def test_close_removes_batch_file(self):
        folder = self.start_merotan()
        batch = os.path.join(folder, BATCH)
        with open(batch, "wb") as f:
            f.write(BATCH_TEXT)
        self.driver.close()
        self.assertEqual(self.wait_program_end(), 0)
        self.assertFalse(os.path.exists(batch), "WM_CLOSE left Merotan.bat behind")

    def test_esc_removes_batch_file_whatever_has_the_focus(self):
        folder = self.start_merotan()
        batch = os.path.join(folder, BATCH)
        with open(batch, "wb") as f:
            f.write(BATCH_TEXT)
        d = self.driver
        # Esc reaches the hidden cancel button from any control, not only the list.
        d.keys("Tab", "Tab")
        self.assertEqual(d.focused_id(), h.IDS["IDC_ROOT_BANHALTEN"])
        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)
        self.assertFalse(os.path.exists(batch), "Esc left Merotan.bat behind")

    def test_startup_removes_left_over_batch_file_and_keeps_other_files(self):
        folder = self.session.program_folder()
        batch = os.path.join(folder, BATCH)
        other = os.path.join(folder, "Merotan.txt")
        with open(batch, "wb") as f:
            f.write(BATCH_TEXT)
        with open(other, "wb") as f:
            f.write(b"keep me")
        self.start_merotan(folder)
        self.assertFalse(os.path.exists(batch), "start-up left Merotan.bat behind")
        with open(other, "rb") as f:
            self.assertEqual(f.read(), b"keep me")
        # The window is up and working after the removal.
        self.assertGreaterEqual(self.driver.list()["selected"], 0)
        self.driver.close()
        self.assertEqual(self.wait_program_end(), 0)

    def test_folder_named_like_the_batch_file_is_skipped_silently(self):
        # A folder "Merotan.bat" counts as existing; deleting it fails and is
        # skipped: no message, the program comes up and closes normally.
        folder = self.session.program_folder()
        os.mkdir(os.path.join(folder, BATCH))
        self.start_merotan(folder)
        self.assertFalse(self.driver.msgbox(timeout_ms=500)["present"])
        self.driver.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)
        self.assertTrue(os.path.isdir(os.path.join(folder, BATCH)))

    def test_batch_file_that_cannot_be_deleted_does_not_stop_the_close(self):
        folder = self.start_merotan()
        batch = os.path.join(folder, BATCH)
        with open(batch, "wb") as f:
            f.write(BATCH_TEXT)
        os.chmod(batch, 0o444)  # read-only: Wine refuses to delete it
        self.driver.close()
        self.assertEqual(self.wait_program_end(), 0)
        self.assertTrue(os.path.exists(batch))


if __name__ == "__main__":
    h.main()
