"""Start-up refusals: a Windows version before XP, and a Services key that
cannot be listed with full access, give the start-up message and no main
window; after OK the process ends."""

import os

import harness as h

APP_DEFAULTS = r"Software\Wine\AppDefaults\Merotan.exe"
SIDE_FILES = {
    "Merotan.dat": b"Alt|2\r\n\r\n",
    "Merotan.reg": b"REGEDIT4\r\n\r\n",
    "Merotan.tmd": b"Vorher|3\r\n\r\n",
    "Merotan.bat": b"@echo off\r\n",
}


class StartupRefusalTest(h.E2ETestCase):

    def assert_refused(self, program):
        """The start-up message, no main window shown, and the end after OK."""
        d = self.driver
        box = d.msgbox(timeout_ms=20000)
        self.assertTrue(box["present"], "no start-up message")
        self.assertEqual(box["title"], h.STARTUP_TITLE)
        self.assertEqual(box["text"], h.STARTUP_MESSAGE)
        self.assertEqual([b["text"] for b in box["buttons"]], ["OK"])
        self.assertTrue(box["has_icon"])
        self.assertIsNone(d.wait_window("root", timeout_ms=300), "the main window was shown")
        d.answer("ok")
        try:
            code = program.wait(timeout=15)
        except Exception:
            self.fail("the program did not end after OK")
        self.assertEqual(code, 0)

    def test_versions_before_xp_are_refused_without_touching_side_files(self):
        d = self.driver
        folder = self.session.program_folder()
        for name, data in SIDE_FILES.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
            os.utime(os.path.join(folder, name), ns=(1_000_000_000_000_000_000, 1_000_000_000_000_000_000))
        before = h.folder_state(folder)
        for version in ("nt40", "win98"):
            with self.subTest(version=version):
                d.reg_set(APP_DEFAULTS, "Version", h.sz(version), root=h.HKCU)
                program = self.session.start_program(folder)
                self.assert_refused(program)
                self.assertEqual(h.folder_state(folder), before, "a side file was touched")
        # Windows 2000 is the first version that passes.
        d.reg_set(APP_DEFAULTS, "Version", h.sz("win2k"), root=h.HKCU)
        self.start_merotan(folder)
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.bat")))
        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)

    def test_services_key_without_full_access_is_refused(self):
        d = self.driver
        before = d.reg_tree(h.SERVICES)
        # Everybody may read the key, nobody may open it with full access.
        d.reg_dacl(h.SERVICES, "D:P(A;;KR;;;WD)")
        self.assertNotEqual(d.reg_open(h.SERVICES, h.KEY_ALL_ACCESS), 0)
        self.assertEqual(d.reg_open(h.SERVICES, h.KEY_READ), 0)
        folder = self.session.program_folder()
        self.assert_refused(self.session.start_program(folder))
        self.assertFalse(os.path.exists(os.path.join(folder, "Merotan.dat")), "a snapshot was written")
        self.assertEqual(d.reg_tree(h.SERVICES), before)

    def test_subkey_name_of_255_characters_does_not_stop_the_listing(self):
        # 255 characters is the longest key name there is; the enumeration
        # buffer holds it with its NUL, so one such subkey neither stops the
        # start nor hides the other services.
        d = self.driver
        d.seed([h.service("N" * 255, display="Zu lang", description="255 Zeichen"),
                h.service("ShortSvc", display="Kurzer Dienst", description="Daneben")])
        self.start_merotan()
        self.assertFalse(d.msgbox(timeout_ms=0)["present"], "a message box appeared")
        self.assertIn("Kurzer Dienst\tDaneben\tShortSvc", d.lines())
        # Its path is longer than the ANSI calls take (Wine: 260 characters);
        # the wide calls open it, and it is a service like any other.
        self.assertIn("Zu lang\t255 Zeichen\t" + "N" * 255, d.lines())


if __name__ == "__main__":
    h.main()
