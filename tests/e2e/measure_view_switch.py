"""Measures how the view switch grows with the number of entries: the real
program switches to the driver view and back with 1,000 and then 5,000
entries below the Services key, in one run, and prints the times and their
ratio (the aim: five times the entries in at most six times the time). A
measurement, not a test: timings on a shared machine are no pass or fail.

    python3 tests/e2e/measure_view_switch.py
"""

import os
import statistics
import time

import harness as h
from harness import IDS

CHECK = IDS["IDC_ROOT_BERWEITERT"]
ROUNDS = 5


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

    def wait_export(self, folder):
        """Waits until the start's registry export has been written, so that
        it does not run beside the measurement."""
        path = os.path.join(folder, "Merotan.reg")
        last, since = -1, time.time()
        deadline = time.time() + 180
        while time.time() < deadline:
            size = os.path.getsize(path) if os.path.exists(path) else -1
            if size != last:
                last, since = size, time.time()
            elif size > 0 and time.time() - since > 2:
                return
            time.sleep(0.2)
        self.fail("the export did not finish")

    def switch(self, view):
        """Seconds from the warning's OK to the new view's first selection,
        and the new view's line count."""
        d = self.driver
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
        besides Wine's own. The machine is shared, so a round can only be
        slowed down by others: the best round is the program's own cost."""
        d = self.driver
        folder = self.start_merotan()
        self.wait_export(folder)
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
        print("\n%5d entries seeded: driver view %d lines, best %.3f s, median %.3f s;"
              " service view %d lines, best %.3f s, median %.3f s"
              % (seeded, drivers, min(to_drivers), statistics.median(to_drivers),
                 services, min(to_services), statistics.median(to_services)))
        print("  rounds to the driver view: " + " ".join("%.3f" % t for t in to_drivers))
        print("  rounds to the service view: " + " ".join("%.3f" % t for t in to_services))
        return min(to_drivers), min(to_services)

    def test_switch_grows_about_linearly(self):
        d = self.driver
        d.seed(entries(0, 1000))
        small = self.measure(1000)
        d.seed(entries(1000, 4000))
        large = self.measure(5000)
        ratios = (large[0] / small[0], large[1] / small[1])
        print("1,000 entries: to the driver view %.3f s, to the service view %.3f s" % small)
        print("5,000 entries: to the driver view %.3f s, to the service view %.3f s" % large)
        print("5,000 : 1,000 entries, best rounds: to the driver view %.2f times, to the service view %.2f times"
              % ratios)


if __name__ == "__main__":
    h.main()
