#!/usr/bin/env python3
"""Times the opening of "Änderungen seit dem letzten Start" end to end under
Wine with 5,000 services of ours below the Services key (plus Wine's own):
from the posted system-menu command to the window's status line, against the
same run's start-up (program start to its first selected line, which
includes the rotation of the previous run's files and the service-list
build) and against the registry's floor (tests/windows/RegistryReadFloor.exe:
the comparison's reads and the list build's, in one process). Every round
starts the program from the same previous files (ten start types changed
since), so each opening finds the same changes. Before every timing the
script waits until no program of an earlier round and no registry export
runs; the opening also waits until the run's own export (started once its
window is shown) has ended and is in place. Prints medians and their spread; a measurement, not a test: timings on
a shared machine are no pass or fail.

With --before PATH another build of the program (the one before a change)
is timed in the same run and the same prefix: each round runs both, from the
same previous files, in turns whose order alternates.

    python3 tests/e2e/measure_changes.py [--services 5000] [--rounds 7] [--before Merotan.exe]
"""

import argparse
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from harness import IDS  # noqa: E402
from measure_against_wine_tools import floor, line, load, ratio  # noqa: E402

CHANGES = IDS["SW_CHANGES_CLASS"]
STATUS = IDS["IDC_CHG_STATUS"]


def start(session, driver, folder):
    """Seconds from the program's start to its first selected line."""
    session.wait_quiet()
    started = time.monotonic()
    program = session.start_program(folder)
    if driver.wait_window(timeout_ms=300000) is None or driver.wait_selected(timeout_ms=300000) is None:
        raise RuntimeError("no line was selected")
    return program, time.monotonic() - started


def open_changes(session, driver):
    """Seconds from the system-menu command to the status line, and the line."""
    session.wait_quiet(busy=("regedit.exe",))
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


def wait_exported(folder, previous):
    """Waits until this run's export has replaced the file put there before
    the start (the program starts it once its window is shown, and moves
    it into place when the registry editor has ended)."""
    path = os.path.join(folder, "Merotan.reg")
    deadline = time.monotonic() + 300
    while True:
        try:
            if os.stat(path).st_ino != previous:
                return
        except FileNotFoundError:
            pass
        if time.monotonic() > deadline:
            raise RuntimeError("this run's export was not put in place")
        time.sleep(0.05)


def put_files(folder, files):
    """The program folder holding the program and exactly these side files."""
    for name in os.listdir(folder):
        if name != "Merotan.exe":
            os.remove(os.path.join(folder, name))
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--services", type=int, default=5000)
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--before", help="another build of Merotan.exe, timed in turns in the same run")
    args = parser.parse_args()

    session = h.Session("measure_changes")
    session.start()
    report = ["%s, at the start: %s" % (time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), load())]
    try:
        driver = session.start_driver()
        entries = [h.service("SwMeasure%05d" % i, display="Messdienst %05d" % ((i * 7919) % 100000),
                             description="Beschreibung %d" % i, start=2 + i % 3,
                             image_path=r"%%SystemRoot%%\system32\svchost.exe -k gruppe%d" % (i % 20))
                   for i in range(args.services)]
        driver.seed(entries)
        folder = session.program_folder()
        program, _ = start(session, driver, folder)
        # The export starts once the window is shown and is put in place by
        # the running program: it is waited for before the program ends.
        exported_by = time.monotonic() + 300
        while not os.path.exists(os.path.join(folder, "Merotan.reg")):
            if time.monotonic() > exported_by:
                raise RuntimeError("the first run left no export")
            time.sleep(0.1)
        driver.keys("Esc")
        program.wait(timeout=60)
        session.wait_quiet()
        previous = {}
        for name in ("Merotan.dat", "Merotan.reg"):
            with open(os.path.join(folder, name), "rb") as f:
                previous[name] = f.read()
        # Ten changes behind the program's back.
        for i in range(0, args.services, max(1, args.services // 10)):
            driver.reg_set(h.SERVICES + "\\SwMeasure%05d" % i, "Start", h.dword(4))

        # The programs timed: this build, and the build before it when given.
        programs = [("", folder)]
        if args.before:
            before_folder = session.drive_c("StartwartVorher")
            os.makedirs(before_folder, exist_ok=True)
            shutil.copy2(args.before, os.path.join(before_folder, "Merotan.exe"))
            programs.append((" (before)", before_folder))
        starts = {label: [] for label, _ in programs}
        openings = {label: [] for label, _ in programs}
        statuses = {}
        compared, enumerated, listed = [], [], []
        for round_ in range(args.rounds + 1):  # the first round warms up and is not counted
            for label, where in (programs if round_ % 2 == 0 else programs[::-1]):
                put_files(where, previous)
                put_in = os.stat(os.path.join(where, "Merotan.reg")).st_ino
                program, startup = start(session, driver, where)
                wait_exported(where, put_in)
                seconds, statuses[label] = open_changes(session, driver)
                driver.keys("Esc")
                closed_by = time.monotonic() + 60
                while any(w["class"] == CHANGES for w in driver.windows()):
                    if time.monotonic() > closed_by:
                        raise RuntimeError("the changes window did not close")
                    time.sleep(0.05)
                driver.keys("Esc")
                program.wait(timeout=60)
                if round_:
                    starts[label].append(startup)
                    openings[label].append(seconds)
            passes, _ = floor(session)
            if round_:
                compared.append(passes["changes_by_path"])
                enumerated.append(passes["changes_enumerated"])
                listed.append(passes["list_by_path"])
        report.append("%d services seeded, previous export %.1f MB" % (args.services, len(previous["Merotan.reg"]) / 1e6))
        for label, _ in programs:
            report.append("status line%s: %s" % (label, statuses[label]))
            report.append(line("start-up to the first selected line" + label, starts[label]))
            report.append(line("opening the changes window" + label, openings[label]))
        report.append(line("floor: the comparison's reads", compared))
        report.append(line("floor: the comparison's values enumerated", enumerated))
        report.append(line("floor: the list build's reads", listed))
        for label, _ in programs:
            report.append(ratio("opening : start-up" + label, openings[label], starts[label]))
            report.append(ratio("opening : floor of the comparison's reads" + label, openings[label], compared))
        report.append(ratio("floor of the comparison : floor of the list", compared, listed))
        report.append(ratio("values enumerated : floor of the list", enumerated, listed))
        report.append("At the end: %s" % load())
    finally:
        session.stop()
    print("\n".join(report))


if __name__ == "__main__":
    main()
