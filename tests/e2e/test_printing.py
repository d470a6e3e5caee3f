"""Real printing: "&Drucken" and the check's report go through Wine's printing
to a private CUPS scheduler whose default printer is a PDF queue; the PDF
files are read back as laid-out text."""

import os
import re
import time
import unittest

import harness as h
import privatecups
from harness import IDS

TITLE = "Dienst- und Treiberliste - Ausdruck vom "
LABELS = {0: "Boot (0)", 1: "System (1)", 2: "Automatisch", 3: "Manuell", 4: "Deaktiviert"}


class PrintingTestCase(h.E2ETestCase):
    """Every test of the class prints to one private scheduler, started
    before the first prefix so that every Wine process of the tests sees it."""

    cups = None

    @classmethod
    def setUpClass(cls):
        reason = privatecups.available()
        if reason:
            raise unittest.SkipTest(reason)
        cls.cups = privatecups.PrivateCups().start()
        cls._restore_server = privatecups.point_clients_at(cls.cups.socket)

    @classmethod
    def tearDownClass(cls):
        cls._restore_server()
        cls.cups.stop()

    def new_pdf(self, before):
        """The next PDF file once its job has finished, and its text; then
        waits for the program to have taken its pending messages."""
        path = self.cups.wait_pdfs(before + 1)[before]
        self.driver.sync()
        return path, privatecups.pdf_text(path)

    def start_value(self, key):
        r = self.driver.reg_get(h.SERVICES + "\\" + key, "Start")
        if not r["exists"] or r["type"] != h.REG_DWORD:
            return None
        return int.from_bytes(r["data"], "little")


def label(value):
    return LABELS.get(value, "Unbekannt (%d)" % value)


class PrintedListTest(PrintingTestCase):

    def test_printed_list_columns_pages_and_window_state(self):
        d = self.driver
        entries = [h.service("SwPrint%03d" % i, display="Druckdienst %03d" % i,
                             description="Beschreibung %d" % i, start=2 + i % 3) for i in range(200)]
        entries.append(h.service("SwPrintBoot", display="Druckdienst Boot", description="b", start=0))
        entries.append(h.service("SwPrintNoStart", display="Druckdienst ohne Start", description="n", start=None))
        d.seed(entries)
        self.start_merotan()
        self.assertIsNotNone(d.wait_selected())
        lines = d.lines()
        d.select(5, via="keys")
        self.assertEqual(d.list(lines=False)["selected"], 5)
        caption = d.control(IDS["IDC_ROOT_BSTARTCAPTION"])["text"]

        before = len(self.cups.pdfs())
        d.click(IDS["IDC_ROOT_BDRUCKEN"])
        path, text = self.new_pdf(before)
        today = time.strftime("%d.%m.%Y")

        # The window is back as it was: the list enabled, the caption shown,
        # the previous line selected and its start type shown; no message.
        state = d.list(lines=False)
        self.assertTrue(state["enabled"])
        self.assertEqual(state["selected"], 5)
        status = d.control(IDS["IDC_ROOT_BSTARTCAPTION"])
        self.assertTrue(status["visible"])
        self.assertEqual(status["text"], caption)
        self.assertFalse(d.msgbox(timeout_ms=300)["present"])

        # What must be printed: every list line whose "Start" can be read, in
        # list order, with display text, key name and label.
        expected = []
        for line in lines:
            display, _, key = line.split("\t", 2)
            value = self.start_value(key)
            if value is not None:
                expected.append((display, key, label(value)))
        self.assertIn(("Druckdienst Boot", "SwPrintBoot", "Boot (0)"), expected)
        self.assertNotIn("SwPrintNoStart", [key for _, key, _ in expected])

        self.assertEqual(text.count(TITLE), 1)
        self.assertEqual(text.count("Dienstnamen"), 1, "the headings are printed only on the first page")

        # Where everything stands: x in points (twips / 20) from the printable
        # area's left edge, which is the page's edge on the PDF queue.
        pages = privatecups.pdf_lines(path)
        self.assertEqual(len(pages), privatecups.pdf_pages(path))
        self.assertGreaterEqual(len(pages), 3, "200 entries fit on fewer than three pages?")
        stops = (50, 275, 450)
        title_top, title = pages[0][0]
        self.assertEqual(" ".join(w for _, w in title), TITLE + today)
        self.assertAlmostEqual(title[0][0], 50, delta=0.5)
        heading_top, heading = pages[0][1]
        self.assertEqual(privatecups.columns(heading, stops), ("Dienstnamen", "Systemnamen", "Starttypen"))
        self.assertEqual([round(x) for x, _ in heading], [50, 275, 450])

        rows = pages[0][2:] + [row for page in pages[1:] for row in page]
        printed = [privatecups.columns(words, stops) for _, words in rows]
        self.assertEqual(printed, expected, "one line per entry with a readable start, in list order")
        for _, words in rows:
            starts = {x for x, _ in words}
            for stop in stops:
                self.assertTrue(any(abs(x - stop) < 0.5 for x in starts), (stop, words))

        # Vertical positions: one blank line above the title, one between
        # title and headings and one below the headings; every page after the
        # first begins at the top; a page ends when the next line would not fit.
        pitch = pages[0][3][0] - pages[0][2][0]
        offset = pages[1][0][0]  # a row's top below its line's top
        self.assertAlmostEqual(title_top, pitch + offset, delta=0.5)
        self.assertAlmostEqual(heading_top - title_top, 2 * pitch, delta=0.5)
        self.assertAlmostEqual(pages[0][2][0] - heading_top, 2 * pitch, delta=0.5)
        height = privatecups.pdf_page_height(path)
        for page in pages[:-1]:
            last_line = round((page[-1][0] - offset) / pitch)
            self.assertLessEqual((last_line + 1) * pitch, height + 0.5)
            self.assertGreater((last_line + 2) * pitch, height - 0.5)

        shot = privatecups.render_page(path, 1, os.path.join(self.session.artifacts, "printed-list-page1"))
        privatecups.render_page(path, 2, os.path.join(self.session.artifacts, "printed-list-page2"))
        self.assertTrue(os.path.getsize(shot) > 0)
        d.close()
        self.assertEqual(self.wait_program_end(), 0)


class CheckReportTest(PrintingTestCase):

    def test_check_prints_exactly_the_changed_services(self):
        d = self.driver
        d.seed([
            h.service("SwChkA", display="Prüfdienst A", description="a", start=2),
            h.service("SwChkB", display="Prüfdienst B", description="b", start=3),
            h.service("SwChk|C", display="Prüfdienst C", description="c", start=4),
            h.service("SwChkD", display="Prüfdienst D", description="d", start=3),
            h.service("SwChkE", display="Prüfdienst E", description="", start=2),  # no visible line
        ])
        folder = self.start_merotan()
        self.assertIsNotNone(d.wait_selected())
        d.close()
        self.wait_program_end()
        with open(os.path.join(folder, "Merotan.dat"), "rb") as f:
            first_snapshot = f.read()

        # Behind the program's back.
        self.session.import_reg(h.reg5_file([
            (h.SERVICES + "\\SwChkA", {"Start": h.dword(4)}),
            (h.SERVICES + "\\SwChk|C", {"Start": h.dword(3)}),
            (h.SERVICES + "\\SwChkD", {"Start": h.dword(0)}),
            (h.SERVICES + "\\SwChkE", {"Start": h.dword(4)}),
        ]))

        self.start_merotan(folder)
        self.assertIsNotNone(d.wait_selected())
        with open(os.path.join(folder, "Merotan.tmd"), "rb") as f:
            self.assertEqual(f.read(), first_snapshot)

        before = len(self.cups.pdfs())
        d.click(IDS["IDC_ROOT_BCHECKER"])
        box = d.msgbox()
        self.assertEqual(box["title"], " Überprüfung durchführen")
        d.answer("ok")
        path, text = self.new_pdf(before)
        self.assertFalse(d.msgbox(timeout_ms=500)["present"], "a printed report needs no message")

        # In the order of the previous snapshot (the registry's order then).
        order = [line.rsplit(b"|", 1)[0].decode("cp1252") for line in first_snapshot.split(b"\r\n") if line]
        changed = {
            "SwChkA": "Prüfdienst A, Starttyp vorher: Automatisch, Starttyp jetzt: Deaktiviert",
            "SwChk|C": "Prüfdienst C, Starttyp vorher: Deaktiviert, Starttyp jetzt: Manuell",
            "SwChkD": "Prüfdienst D, Starttyp vorher: Manuell, Starttyp jetzt: Boot (0)",
        }
        expected = [changed[key] for key in order if key in changed]
        printed = [l.strip() for l in text.splitlines() if l.strip()]
        self.assertEqual(printed, expected)
        self.assertEqual(privatecups.pdf_pages(path), 1)
        privatecups.render_page(path, 1, os.path.join(self.session.artifacts, "check-report"))

        state = d.list(lines=False)
        self.assertTrue(state["enabled"])
        d.close()
        self.assertEqual(self.wait_program_end(), 0)


if __name__ == "__main__":
    h.main()
