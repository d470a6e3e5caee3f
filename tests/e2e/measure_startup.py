#!/usr/bin/env python3
"""Times the start of Merotan.exe (Wine's own services) until its first list
line is selected, against an empty Wine start (`wine cmd /c exit`), in one
prefix with a running wineserver, several runs each; prints both medians and
their ratio.

    python3 tests/e2e/measure_startup.py [--runs 7] [--services 5000]

With --services N, N services of its own (each with a display name, a
description, a start type and a group) are seeded below the Services key
before the runs, beside Wine's own entries.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402


def time_program(session, driver, folder):
    for name in os.listdir(folder):
        if name != "Merotan.exe":
            os.remove(os.path.join(folder, name))
    # Not beside the program or the export of an earlier run.
    session.wait_quiet()
    started = time.monotonic()
    program = session.start_program(folder)
    # The window shown, with its first line selected.
    if driver.wait_window(timeout_ms=60000) is None or driver.wait_selected(timeout_ms=60000) is None:
        raise RuntimeError("no line was selected")
    elapsed = time.monotonic() - started
    driver.keys("Esc")
    program.wait(timeout=30)
    return elapsed


def time_empty_start(session):
    session.wait_quiet()
    started = time.monotonic()
    subprocess.run(["wine", "cmd", "/c", "exit"], env=session.env, cwd=session.root,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60, check=True)
    return time.monotonic() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--services", type=int, default=0)
    args = parser.parse_args()
    session = h.Session("measure_startup").start()
    try:
        driver = session.start_driver()
        if args.services:
            driver.seed([h.service("SwStart%05d" % i, display="Startdienst %05d" % ((i * 7919) % 100000),
                                   description="Beschreibung %d" % i, start=2 + i % 3, Group="Gruppe %d" % (i % 7))
                         for i in range(args.services)])
        folder = session.program_folder()
        # One run of each to warm the file cache; not counted.
        time_program(session, driver, folder)
        time_empty_start(session)
        program_times, empty_times = [], []
        for _ in range(args.runs):
            program_times.append(time_program(session, driver, folder))
            empty_times.append(time_empty_start(session))
        services = len(driver.reg_keys(h.SERVICES))
    finally:
        session.stop()
    program_median = statistics.median(program_times)
    empty_median = statistics.median(empty_times)
    print("Services subkeys: %d" % services)
    print("Merotan.exe to first line selected: %s" % " ".join("%.3f" % t for t in program_times))
    print("wine cmd /c exit:                   %s" % " ".join("%.3f" % t for t in empty_times))
    print("median Merotan.exe %.3f s, median wine cmd /c exit %.3f s, ratio %.2f"
          % (program_median, empty_median, program_median / empty_median))


if __name__ == "__main__":
    main()
