#!/usr/bin/env python3
"""Times what the history of changes costs the start-up under Wine with
5,000 services of ours: the start (program start to its first selected line)
from the previous run's files alone, against the start that also finds the
export of a run whose window closed before it ended ("Merotan.reg.part",
ten services set to disabled since the previous export, some of which were
already), whose pair the window records once it is shown; and the time
until that pair is in the history. Rounds alternate between the two; before every timing
the script waits until nothing of an earlier round runs. Prints medians and
their spread; a measurement, not a test.

    python3 tests/e2e/measure_history.py [--services 5000] [--rounds 7]
"""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from measure_against_wine_tools import line, load, ratio  # noqa: E402
from measure_changes import put_files, start  # noqa: E402


def pairs_in(path):
    """The whole pairs of the history file at path; none while it is not there."""
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return h.read_history(f.read())[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--services", type=int, default=5000)
    parser.add_argument("--rounds", type=int, default=7)
    args = parser.parse_args()

    session = h.Session("measure_history")
    session.start()
    report = ["%s, at the start: %s" % (time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), load())]
    try:
        driver = session.start_driver()
        driver.seed([h.service("SwMeasure%05d" % i, display="Messdienst %05d" % i, description="Beschreibung %d" % i,
                               start=2 + i % 3, image_path=r"%%SystemRoot%%\system32\svchost.exe -k gruppe%d" % (i % 20))
                     for i in range(args.services)])
        folder = session.program_folder()
        program, _ = start(session, driver, folder)
        deadline = time.monotonic() + 120
        while not os.path.exists(os.path.join(folder, "Merotan.reg")):  # the first export, in place
            if time.monotonic() > deadline:
                raise RuntimeError("the first run's export did not end")
            time.sleep(0.1)
        driver.keys("Esc")
        program.wait(timeout=60)
        session.wait_quiet()
        previous = {}
        for name in ("Merotan.dat", "Merotan.reg"):
            with open(os.path.join(folder, name), "rb") as f:
                previous[name] = f.read()
        for i in range(0, args.services, max(1, args.services // 10)):
            driver.reg_set(h.SERVICES + "\\SwMeasure%05d" % i, "Start", h.dword(4))
        part = os.path.join(folder, "left-over.reg")
        session.wine("regedit", "/e", session.unix_to_windows(part), "HKEY_LOCAL_MACHINE\\" + h.SERVICES)
        with open(part, "rb") as f:
            left_over = f.read()

        plain, taken, pair_after, recorded = [], [], [], 0
        for round_ in range(2 * args.rounds + 2):  # the first two warm up and are not counted
            with_part = round_ % 2 == 1
            files = dict(previous, **({"Merotan.reg.part": left_over} if with_part else {}))
            session.wait_quiet()  # an export of the round before writes no more
            put_files(folder, files)
            program, startup = start(session, driver, folder)
            shown = time.monotonic()
            if with_part:
                history = os.path.join(folder, "Merotan-Verlauf.dat")
                while not pairs_in(history):
                    if time.monotonic() - shown > 120:
                        raise RuntimeError("the left-over export's pair was not recorded")
                    time.sleep(0.01)
                recorded = len(pairs_in(history)[0]["records"])
                if round_ >= 2:
                    pair_after.append(startup + time.monotonic() - shown)
            driver.keys("Esc")
            program.wait(timeout=60)
            if round_ >= 2:
                (taken if with_part else plain).append(startup)
        report.append("%d services seeded, export %.1f MB, %d changes in the left-over pair"
                      % (args.services, len(left_over) / 1e6, recorded))
        report.append(line("start-up, previous files only", plain))
        report.append(line("start-up with a left-over export", taken))
        report.append(line("start to the left-over export's pair recorded", pair_after))
        report.append(ratio("start-up with the left-over : without", taken, plain))
        report.append("At the end: %s" % load())
    finally:
        session.stop()
    print("\n".join(report))


if __name__ == "__main__":
    main()
