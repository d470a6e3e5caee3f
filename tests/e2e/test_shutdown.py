"""Start-up and shut-down around the batch file "Merotan.bat": closing the
window and pressing Esc remove it, and start-up removes one left over; and
closing ends the program at once, whatever is still pending."""

import os
import sys
import time

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


class CloseWhilePendingTest(h.E2ETestCase):
    """Failed starts and stops (entries the service manager does not know,
    so "net" fails), their messages answered or left open, the editor in
    between, and then the close: the program ends at once with 0, leaves no
    batch file and shows nothing more."""

    TIME_LIMIT = 120
    DESKTOP = False
    STARTEN = h.IDS["IDC_ROOT_BSTARTEN"]
    ANHALTEN = h.IDS["IDC_ROOT_BANHALTEN"]

    def seed_and_start(self):
        d = self.driver
        d.seed([h.service("SwLang", display="L" * 300, description="Lang"),
                h.service("SwTab", display="Mit\tTab", description="Tab"),
                h.service("SwZeilen", display="Zeile\r\nZwei", description="Zeilen"),
                h.service("SwText", description="x" * 40000)])
        return self.start_merotan()

    def click_on(self, description, button):
        d = self.driver
        lines = d.lines()
        d.select(next(i for i, line in enumerate(lines) if "\t%s\t" % description in line), via="keys")
        d.click(button)
        box = d.msgbox(timeout_ms=30000)
        self.assertTrue(box["present"], "no message after a failed net command (%s)" % description)
        return box

    def edit_and_save(self):
        d = self.driver
        lines = d.lines()
        d.select(next(i for i, line in enumerate(lines) if line.endswith("\tSwText")), via="keys")
        # Clicks that do not wait for the program: on a screen without a
        # window manager Wine may take seconds to bring a window up.
        d.click(h.IDS["IDC_ROOT_BBEARBEITEN"], settle=False)
        self.assertIsNotNone(d.wait_window("settings", timeout_ms=30000), "the editor did not open")
        d.click(h.IDS["IDC_SET_BREADY"], window="settings", settle=False)
        self.wait_until(lambda: h.IDS["SW_SETTINGS_CLASS"] not in [w["class"] for w in d.windows()],
                        timeout=30, message="the editor to close after Ok")

    def close_and_time(self, how):
        started = time.monotonic()
        if how == "close":
            self.driver.close()
        else:
            self.driver.keys("Esc")
        code = self.wait_program_end(timeout=30)
        took = time.monotonic() - started
        sys.stderr.write("ended %.2f s after %s\n" % (took, how))
        return code, took

    def run_series(self, how):
        folder = self.seed_and_start()
        self.click_on("Lang", self.STARTEN)
        self.driver.answer("ok")
        self.edit_and_save()
        self.click_on("Tab", self.ANHALTEN)
        self.driver.answer("ok")
        self.click_on("Zeilen", self.STARTEN)
        self.driver.answer("ok")
        # The last one's message is left open, with a further batch behind it.
        self.click_on("Lang", self.ANHALTEN)
        code, took = self.close_and_time(how)
        self.assertEqual(code, 0)
        self.assertLess(took, 3.0, "the program took %.1f s to end after %s" % (took, how))
        self.assertFalse(os.path.exists(os.path.join(folder, BATCH)))

    def test_close_ends_at_once_after_failed_batches_and_the_editor(self):
        self.run_series("close")

    def test_close_ends_at_once_while_a_batch_runs(self):
        folder = self.seed_and_start()
        d = self.driver
        self.click_on("Lang", self.STARTEN)
        d.answer("ok")
        # A batch that is still running when the window goes: its end is
        # never reported.
        lines = d.lines()
        d.select(next(i for i, line in enumerate(lines) if "\tTab\t" in line), via="keys")
        d.click(self.STARTEN)
        code, took = self.close_and_time("close")
        self.assertEqual(code, 0)
        self.assertLess(took, 3.0, "the program took %.1f s to end" % took)
        self.assertFalse(os.path.exists(os.path.join(folder, BATCH)))


if __name__ == "__main__":
    h.main()
