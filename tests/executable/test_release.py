#!/usr/bin/env python3
"""The release command, run twice for the same commit in two separate build
and output folders: the two zips are the same bytes, hold the files a user
expects, checksums that fit, a Liesmich in UTF-8 with a byte order mark and
CR LF, and programs whose version resource names the project's version.

Usage: test_release.py VERSION"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
import check_executable  # noqa: E402

VERSION = None


def release(folder):
    env = dict(os.environ, SW_RELEASE_BUILD=os.path.join(folder, "build"), SW_RELEASE_DIST=os.path.join(folder, "dist"))
    env.pop("SOURCE_DATE_EPOCH", None)
    subprocess.run([os.path.join(ROOT, "tools", "release.sh")], env=env, check=True, stdout=subprocess.DEVNULL,
                   timeout=1500)
    return os.path.join(folder, "dist", "Startwart-XP-%s.zip" % VERSION)


class ReleaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="sw-release-")
        cls.first = release(os.path.join(cls.work, "one"))
        cls.second = release(os.path.join(cls.work, "two"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def test_two_builds_of_one_commit_give_the_same_zip(self):
        with open(self.first, "rb") as a, open(self.second, "rb") as b:
            first, second = a.read(), b.read()
        self.assertGreater(len(first), 100000)
        self.assertTrue(first == second, "the two zips differ in their bytes")

    def test_the_zip_holds_the_programs_the_liesmich_and_fitting_checksums(self):
        with zipfile.ZipFile(self.first) as zf:
            self.assertEqual(zf.namelist(), ["Merotan.exe", "32-Bit/Merotan.exe", "Liesmich.txt", "SHA256SUMS.txt"])
            files = {name: zf.read(name) for name in zf.namelist()}
            commit_time = int(subprocess.run(["git", "log", "-1", "--format=%ct"], cwd=ROOT, check=True,
                                             capture_output=True, text=True).stdout)
            import time
            stamp = time.gmtime(commit_time)[:6]
            for info in zf.infolist():
                # The zip keeps even seconds.
                self.assertEqual(info.date_time[:5], stamp[:5], info.filename)
        sums = files["SHA256SUMS.txt"].decode("ascii").splitlines()
        self.assertEqual(sums, ["%s  %s" % (hashlib.sha256(files[name]).hexdigest(), name)
                                for name in ("Merotan.exe", "32-Bit/Merotan.exe")])
        text = files["Liesmich.txt"]
        self.assertTrue(text.startswith(b"\xef\xbb\xbf"), "Liesmich.txt has no byte order mark")
        body = text[3:].decode("utf-8")
        self.assertNotIn("\n", body.replace("\r\n", ""), "a line of Liesmich.txt ends without CR LF")
        self.assertNotIn("\r", body.replace("\r\n", ""))
        for heading in ("Was das Programm tut", "Für welche Windows-Versionen", "Administratorrechte",
                        "Die Dateien neben dem Programm", "Was sich geändert hat, zurückholen",
                        "Wenn eine Sicherung nicht geschrieben werden kann", "Installieren und entfernen"):
            self.assertIn(heading, body)
        for name, bits in (("Merotan.exe", True), ("32-Bit/Merotan.exe", False)):
            image = check_executable.PeFile(files[name])
            self.assertEqual(image.pe32plus, bits, name)
            self.assertEqual(check_executable.version_problems(image, VERSION), [], name)


if __name__ == "__main__":
    VERSION = sys.argv.pop(1)
    unittest.main()
