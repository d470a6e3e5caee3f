"""Measures how the view switch grows with the number of entries: the real
program switches to the driver view and back with 1,000 and then 5,000
entries below the Services key, in one run, and prints the times and their
ratio of the medians (the aim: five times the entries in at most six times
the time). Every switch begins once no registry export runs in the prefix.
A measurement, not a test: timings on a shared machine are no pass or fail.

    python3 tests/e2e/measure_view_switch.py
"""

import statistics
import time

import harness as h
from harness import IDS
from measure_against_wine_tools import spread

CHECK = IDS["IDC_ROOT_BERWEITERT"]
ROUNDS = 7


def entries(first, count):
    """Half services, half drivers, every one with a display name and a group."""
    out = []
    for i in range(first, first + count):
        if i % 2:
            out.append(h.service("SwPerf%05d" % i, display="Leistungsdienst %05d" % ((i * 7919) % 100000),
                                 description="Beschreibung %d" % i, start=2 + i % 3, Group="Gruppe %d" % (i % 7)))
        else:
            out.append(h.driver_entry("SwPerfDrv%05d" % i, display="Leistungstreiber %05d" % ((i * 104729) % 100000),
                                      start=i % 5, group="Gruppe %d" % (i % 7)))
    return out


class SwitchSpeedTest(h.E2ETestCase):
    TIME_LIMIT = 600

    def switch(self, view):
        """Seconds from the warning's OK to the new view's first selection,
        and the new view's line count."""
        d = self.driver
        self.session.wait_quiet(busy=("regedit.exe",))
        d.keys("End")  # so that the new view's first selection can be told apart
        d.click(CHECK)
        self.assertTrue(d.msgbox(timeout_ms=20000)["present"])
        start = time.perf_counter()
        d.answer("ok")
        self.wait_until(lambda: d.list(lines=False)["selected"] == 0, timeout=120, interval=0.005,
                        message="the " + view)
        return time.perf_counter() - start, d.list(lines=False)["count"]

    def measure(self, seeded):
        """Both switches, ROUNDS times each, with `seeded` entries of ours
        besides Wine's own; the medians of the rounds."""
        d = self.driver
        self.start_merotan()
        services = d.list(lines=False)["count"]
        to_drivers, to_services = [], []
        for _ in range(ROUNDS):
            seconds, drivers = self.switch("driver view")
            self.assertGreaterEqual(drivers, seeded)
            to_drivers.append(seconds)
            seconds, count = self.switch("service view")
            self.assertEqual(count, services)
            to_services.append(seconds)
        d.keys("Esc")
        self.wait_program_end()
        print("\n%5d entries seeded: driver view %d lines, service view %d lines" % (seeded, drivers, services))
        print("  to the driver view:  " + spread(to_drivers))
        print("  to the service view: " + spread(to_services))
        return statistics.median(to_drivers), statistics.median(to_services)

    def test_switch_grows_about_linearly(self):
        d = self.driver
        d.seed(entries(0, 1000))
        small = self.measure(1000)
        d.seed(entries(1000, 4000))
        large = self.measure(5000)
        ratios = (large[0] / small[0], large[1] / small[1])
        print("1,000 entries: to the driver view %.3f s, to the service view %.3f s" % small)
        print("5,000 entries: to the driver view %.3f s, to the service view %.3f s" % large)
        print("5,000 : 1,000 entries, medians: to the driver view %.2f times, to the service view %.2f times"
              % ratios)


if __name__ == "__main__":
    h.main()
