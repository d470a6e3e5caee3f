"""The service view: the lines that the registry calls for, in the list box's
order, the first one selected, and the hidden key list in registry order;
bad input below the Services key gives no crash, no hang, no write and no
message."""

import os
import shutil

import harness as h
import oracle
from harness import IDS

LOBJEKTE = IDS["IDC_ROOT_LOBJEKTE"]
LPROFILE = IDS["IDC_ROOT_LPROFILE"]
STATUS = IDS["IDC_ROOT_BSTARTCAPTION"]
LABELS = {2: "Automatisch", 3: "Manuell", 4: "Deaktiviert"}
# The tests' resource-only library: its string table holds 101 and 102.
STRINGS_DLL = os.environ.get("SW_E2E_STRINGS_DLL",
                             os.path.join(h.DEFAULT_BUILD, "tests", "windows", "IndirectStrings.dll"))


def start_label(tree, key_name):
    key = next(k for k in tree if k["name"] == key_name)
    ok, start = oracle.read_value(key["values"], "Start")
    return "Startvorgang: " + LABELS.get(start if ok else None, "Unbekannt")


class ServiceListTest(h.E2ETestCase):

    def assert_view(self, view, tree):
        """The window shows exactly the expected view; returns its lines."""
        d = self.driver
        shown = d.list(LOBJEKTE)
        expected = view.sorted_lines(d)
        self.assertEqual(shown["count"], len(expected))
        self.assertEqual(shown["lines"], expected)
        profile = d.list(LPROFILE)
        self.assertEqual(profile["lines"], view.profile, "LProfile is not the services in registry order")
        self.assertFalse(profile["visible"])
        self.assertTrue(profile["enabled"], "LProfile stays disabled after the build")
        if expected:
            self.assertEqual(shown["selected"], 0)
            first_key = expected[0].split("\t", 2)[2]
            self.assertEqual(d.control(STATUS)["text"], start_label(tree, first_key))
        else:
            self.assertEqual(shown["selected"], -1)
        return shown["lines"]

    def test_lists_the_services_that_the_registry_holds(self):
        d = self.driver
        d.seed([
            h.service("SwUmlaut", display="Dienst für Größen™", description="Prüft Übergrößen", start=2),
            h.service("SwTwinB", display="Zwilling", description="b", start=4),
            h.service("SwTwinA", display="Zwilling", description="b", start=3),
            h.service("SwTwinC", display="Zwilling", description="a", start=3),
            h.service("SwNoDescription", display="Ohne Beschreibung", description=None),
            h.service("SwNoDisplay", display=None, description="Ohne Namen"),
            h.service("SwEmptyDescription", display="Leere Beschreibung", description=""),
            h.service("SwName39", display="N" * 39, description="39"),
            h.service("SwName40", display="V" * 40, description="40"),
            h.service("SwName50", display="F" * 50, description="50"),
            h.service("SwLower", display="apfel", description="klein"),
            h.service("SwUpper", display="Birne", description="groß"),
            h.driver_entry("SwDriverOnly", display="Nur ein Treiber", start=1, group="Base"),
        ])
        self.start_merotan()
        view, tree = oracle.expected_view(d)
        lines = self.assert_view(view, tree)

        # The oracle's results, spelled out for the cases that matter.
        self.assertIn("Dienst für Größen™\tPrüft Übergrößen\tSwUmlaut", lines)
        self.assertIn("Ohne Beschreibung\t \tSwNoDescription", lines)
        self.assertIn(" \tOhne Namen\tSwNoDisplay", lines)
        self.assertEqual(lines[0], " \tOhne Namen\tSwNoDisplay", "a blank display text sorts first")
        self.assertNotIn("SwEmptyDescription", [l.split("\t")[-1] for l in lines])
        self.assertIn("SwEmptyDescription", view.profile)
        self.assertIn("N" * 39 + "\t39\tSwName39", lines)
        self.assertIn("V" * 37 + "...\t40\tSwName40", lines)
        self.assertIn("F" * 37 + "...\t50\tSwName50", lines)
        twins = [l for l in lines if l.startswith("Zwilling\t")]
        self.assertEqual(twins, ["Zwilling\ta\tSwTwinC", "Zwilling\tb\tSwTwinA", "Zwilling\tb\tSwTwinB"])
        self.assertLess(lines.index("apfel\tklein\tSwLower"), lines.index("Birne\tgroß\tSwUpper"))
        self.assertNotIn("SwDriverOnly", view.profile)
        # Wine's own services are there too.
        self.assertIn("Eventlog", view.profile)

        self.session.screenshot("screen")
        self.session.screenshot("main_window", self.window["window_rect"])
        # Moving the selection shows each entry's start type.
        index = lines.index("Dienst für Größen™\tPrüft Übergrößen\tSwUmlaut")
        d.select(index)
        self.assertEqual(d.list(LOBJEKTE, lines=False)["selected"], index)
        self.assertEqual(d.control(STATUS)["text"], "Startvorgang: Automatisch")
        self.assertFalse(d.msgbox(timeout_ms=200)["present"])
        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)

    def test_indirect_names_are_shown_resolved(self):
        d = self.driver
        shutil.copy(STRINGS_DLL, self.session.drive_c("windows", "system32", "swstrings.dll"))
        ref = "@%SystemRoot%\\system32\\swstrings.dll,"
        d.seed([
            h.service("SwIndirect", display=h.expand_sz(ref + "-101"), description=h.sz(ref + "-102"), start=3),
            h.service("SwMissingId", display=h.sz(ref + "-999"), description="Ohne Nummer", start=2),
            h.service("SwMissingDll", display=h.sz("@C:\\nirgends\\fehlt.dll,-101"), description="Ohne Datei"),
        ])
        self.start_merotan()
        lines = d.list(LOBJEKTE)["lines"]
        self.assertIn("Aufgelöster Dienstname\tBeschreibung über die Zeichentabelle: Ж €\tSwIndirect", lines)
        # Shown as stored, and shortened as any long display name is.
        self.assertIn((ref + "-999")[:37] + "...\tOhne Nummer\tSwMissingId", lines)
        self.assertIn("@C:\\nirgends\\fehlt.dll,-101\tOhne Datei\tSwMissingDll", lines)
        self.assertEqual(lines, d.sort_lines(lines), "the resolved names sort the list")
        self.session.screenshot("indirect_names", self.window["window_rect"])
        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)

    def test_bad_input_below_the_services_key(self):
        d = self.driver
        long_254 = "L" * 254
        mib = "".join("Beschreibung %06d. " % i for i in range((1 << 20) // 20 + 1))[: 1 << 20]
        d.seed([
            h.service(long_254, display="Langer Schlüssel", description="254 Zeichen"),
            h.service("SwBinary8", display="Binär", description=h.binary(b"\x01\x02\x03\x04\x05\x06\x07\x08")),
            h.service("SwBinaryObjectName", display="Binärer Kontoname", description="kein Dienst",
                      object_name=h.binary(b"12345678")),
            h.service("SwBinary2Start", display="Kurzer Start", description="2 Bytes", start=h.binary(b"\x02\x00")),
            h.service("SwNoNul", display=h.sz("abc", nul=False), description=h.sz("ohne NUL", nul=False)),
            h.service("SwZeroLength", display=h.raw(h.REG_SZ, b""), description=h.raw(h.REG_SZ, b"")),
            h.service("SwExpand", display=h.expand_sz("%SystemRoot%"), description=h.expand_sz("Pfad %PATH%")),
            h.service("SwMulti", display=h.multi_sz(["Erster", "Zweiter"]), description="Mehrfachtext"),
            h.service("SwDwordDescription", display="Zahl", description=h.dword(5)),
            h.service("SwTab", display="Mit\tTab", description="Tab\tmitten\tdrin"),
            h.service("SwCrLf", display="Zeile\r\nUmbruch", description="Erste\r\nZweite\nDritte\r"),
            h.service("SwTab\tKey", display="Tab im Schlüssel", description="Schlüssel mit Tab"),
            h.service("SwMiB", display="Riesig", description=mib),
            h.service("SwNulInside", display=h.sz("vorne\0hinten"), description=h.sz("a\0b")),
            h.service("SwStartText", display="Start als Text", description="x", start=h.sz("2")),
            h.service("SwStartBig", display="Start zu groß", description="x", start=70000),
            h.service("SwNoStart", display="Ohne Start", description="x", start=None),
            h.service("SwLocked", display="Gesperrt", description="kein Lesen"),
            h.service("SwReadOnly", display="Nur lesbar", description="kein Schreiben", start=4),
        ])
        d.reg_dacl(h.SERVICES + "\\SwLocked", "D:P")
        d.reg_dacl(h.SERVICES + "\\SwReadOnly", "D:P(A;;KR;;;WD)")
        before = d.reg_tree(h.SERVICES)

        self.start_merotan()
        self.assertIsNotNone(d.wait_selected(), "no line was selected")
        self.assertFalse(d.msgbox(timeout_ms=200)["present"], "a message box came up")
        view, tree = oracle.expected_view(d)
        lines = self.assert_view(view, tree)
        by_key = {l.rsplit("\t", 1)[1]: l for l in lines}

        # Spelled out: what each bad value turns into.
        # A long key name, with a path beyond 255 characters, is listed like
        # any other.
        self.assertIn(long_254, view.profile)
        self.assertEqual(by_key[long_254], "Langer Schlüssel\t254 Zeichen\t" + long_254)
        self.assertEqual(by_key["SwBinary8"], "Binär\t \tSwBinary8")
        self.assertNotIn("SwBinaryObjectName", view.profile)
        self.assertEqual(by_key["SwNoNul"], "abc \tohne NUL \tSwNoNul")
        self.assertEqual(by_key["SwZeroLength"], " \t \tSwZeroLength")
        self.assertEqual(by_key["SwExpand"], "%SystemRoot%\tPfad %PATH%\tSwExpand")
        self.assertEqual(by_key["SwMulti"], " \tMehrfachtext\tSwMulti")
        self.assertEqual(by_key["SwDwordDescription"], "Zahl\t5\tSwDwordDescription")
        # A TAB, CR or LF in any text, the key name's included, is a blank:
        # no field moves.
        self.assertEqual(by_key["SwTab"], "Mit Tab\tTab mitten drin\tSwTab")
        self.assertEqual(by_key["SwCrLf"], "Zeile  Umbruch\tErste  Zweite Dritte \tSwCrLf")
        self.assertEqual(by_key["SwTab Key"], "Tab im Schlüssel\tSchlüssel mit Tab\tSwTab Key")
        self.assertEqual(len(mib), 1 << 20)
        self.assertEqual(by_key["SwMiB"], "Riesig\t" + mib + "\tSwMiB")
        self.assertEqual(by_key["SwNulInside"], "vorne\ta\tSwNulInside")
        self.assertNotIn("SwLocked", view.profile)
        self.assertIn("SwLocked", [k["name"] for k in tree])
        self.assertEqual(by_key["SwReadOnly"], "Nur lesbar\tkein Schreiben\tSwReadOnly")

        # Selecting the odd lines shows what their "Start" says, quietly.
        for key, status in (("SwBinary2Start", "Startvorgang: Automatisch"),
                            ("SwStartText", "Startvorgang: Unbekannt"),
                            ("SwStartBig", "Startvorgang: Unbekannt"),
                            ("SwNoStart", "Startvorgang: Unbekannt"),
                            ("SwReadOnly", "Startvorgang: Deaktiviert"),
                            ("SwTab Key", "Startvorgang: Manuell")):
            index = lines.index(by_key[key])
            self.assertEqual(d.select(index)["selected"], index, key)
            self.assertEqual(d.control(STATUS)["text"], status, key)
        self.assertFalse(d.msgbox(timeout_ms=200)["present"], "a message box came up")

        d.keys("Esc")
        self.assertEqual(self.wait_program_end(), 0)
        self.assertEqual(d.reg_tree(h.SERVICES), before, "the program changed the registry")


if __name__ == "__main__":
    h.main()
