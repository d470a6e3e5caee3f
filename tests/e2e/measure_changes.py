#!/usr/bin/env python3
"""Times the opening of "Änderungen seit dem letzten Start" end to end under
Wine with 5,000 services of ours below the Services key (plus Wine's own):
from the posted system-menu command to the window's status line, several
rounds, against the same run's start-up (program start to its first selected
line, which includes the service-list build). Prints the figures; a
measurement, not a test: timings on a shared machine are no pass or fail.

    python3 tests/e2e/measure_changes.py [--services 5000] [--rounds 5]
"""

import argparse
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from harness import IDS  # noqa: E402

CHANGES = IDS["SW_CHANGES_CLASS"]
STATUS = IDS["IDC_CHG_STATUS"]


def wait_for_export(folder, timeout=300):
    """Lets the registry editor's export finish: a size that stays for two seconds."""
    path = os.path.join(folder, "Merotan.reg")
    deadline = time.time() + timeout
    last, since = -1, time.time()
    while time.time() < deadline:
        size = os.path.getsize(path) if os.path.exists(path) else -1
        if size != last:
            last, since = size, time.time()
        elif size > 0 and time.time() - since > 2:
            return size
        time.sleep(0.2)
    raise RuntimeError("the export did not finish")


def start(session, driver, folder):
    """Seconds from the program's start to its first selected line."""
    started = time.monotonic()
    program = session.start_program(folder)
    if driver.wait_window(timeout_ms=300000) is None or driver.wait_selected(timeout_ms=300000) is None:
        raise RuntimeError("no line was selected")
    return program, time.monotonic() - started


def open_changes(driver):
    """Seconds from the system-menu command to the status line, and the line."""
    started = time.monotonic()
    driver.syscommand(IDS["IDM_ROOT_CHANGES"])
    while True:
        window = driver.wait_window(CHANGES, timeout_ms=300000)
        text = driver.control(STATUS, window=CHANGES)["text"] if window else ""
        if text:
            return time.monotonic() - started, text
        if time.monotonic() - started > 300:
            raise RuntimeError("the window showed no status line")
        time.sleep(0.005)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--services", type=int, default=5000)
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args()

    session = h.Session("measure_changes")
    session.start()
    try:
        driver = session.start_driver()
        entries = [h.service("SwMeasure%05d" % i, display="Messdienst %05d" % ((i * 7919) % 100000),
                             description="Beschreibung %d" % i, start=2 + i % 3,
                             image_path=r"%%SystemRoot%%\system32\svchost.exe -k gruppe%d" % (i % 20))
                   for i in range(args.services)]
        driver.seed(entries)
        folder = session.program_folder()
        program, _ = start(session, driver, folder)
        export_size = wait_for_export(folder)
        driver.keys("Esc")
        program.wait(timeout=60)
        # Ten changes behind the program's back.
        for i in range(0, args.services, max(1, args.services // 10)):
            driver.reg_set(h.SERVICES + "\\SwMeasure%05d" % i, "Start", h.dword(4))

        program, startup = start(session, driver, folder)
        wait_for_export(folder)  # this run's own export, so it does not run beside the rounds
        rounds = []
        status = ""
        for _ in range(args.rounds):
            seconds, status = open_changes(driver)
            rounds.append(seconds)
            driver.keys("Esc")
            time.sleep(0.5)
        driver.keys("Esc")
        program.wait(timeout=60)
        print("%d services seeded, previous export %.1f MB" % (args.services, export_size / 1e6))
        print("status line: %s" % status)
        print("start-up to the first selected line: %.3f s" % startup)
        print("opening the changes window: best %.3f s, median %.3f s; rounds: %s"
              % (min(rounds), statistics.median(rounds), " ".join("%.3f" % r for r in rounds)))
        print("opening (best) : start-up = %.2f" % (min(rounds) / startup))
    finally:
        session.stop()


if __name__ == "__main__":
    main()
