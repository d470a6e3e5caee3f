#!/usr/bin/env python3
"""Times Merotan.exe against Wine's own tools, each comparison in one run and
one prefix, so that both sides see the same machine:

1. With Wine's own services: the start until the first line is selected,
   against Wine's notepad until its window is shown.
2. With --services N of our own besides them (5,000 by default): the start
   until the first line is selected, against the registry editor exporting
   the Services key (``regedit /e``) until it ends; the start's list build,
   taken from outside as the time from the main window's creation (still
   hidden) to its first selected line, which also holds the rotation of the
   side files and the snapshot's writing; and the switch to the driver view
   (from the warning's OK to the rebuilt list's first selection) and back.

Runs alternate between the two sides; medians are printed with every run.
A measurement, not a test: timings on a shared machine are no pass or fail.

    python3 tests/e2e/measure_against_wine_tools.py [--runs 5] [--services 5000]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
from harness import IDS  # noqa: E402
from measure_startup import wait_for_export  # noqa: E402

CHECK = IDS["IDC_ROOT_BERWEITERT"]


def clear_side_files(folder):
    for name in os.listdir(folder):
        if name != "Merotan.exe":
            os.remove(os.path.join(folder, name))


def start_until_selected(session, driver, folder):
    """Seconds to the first selected line, and of them the part after the
    main window was created (the start's own work: rotation, list build,
    snapshot). Leaves the program running."""
    clear_side_files(folder)
    started = time.monotonic()
    session.start_program(folder)
    if driver.wait_window(timeout_ms=120000, visible=False) is None:
        raise RuntimeError("no main window")
    created = time.monotonic()
    if driver.wait_selected(timeout_ms=180000) is None:
        raise RuntimeError("no line was selected")
    selected = time.monotonic()
    return selected - started, selected - created


def end_program(driver, folder):
    driver.keys("Esc")
    driver.wait_exit(timeout_ms=60000)
    wait_for_export(folder, timeout=120)


def notepad_until_shown(session, driver):
    """Seconds from starting Wine's notepad to its visible window; ends it."""
    started = time.monotonic()
    proc = subprocess.Popen(["wine", "notepad"], env=session.env, cwd=session.root,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    session.others.append(proc)
    deadline = started + 60
    while time.monotonic() < deadline:
        for p in driver.find_processes("notepad.exe"):
            if any(w["visible"] and w["class"].lower() == "notepad" for w in driver.process_windows(p["pid"])):
                shown = time.monotonic() - started
                driver.kill(p["pid"])
                proc.wait(timeout=30)
                return shown
        time.sleep(0.005)
    raise RuntimeError("notepad showed no window")


def regedit_export(session):
    path = os.path.join(session.root, "services-export.reg")
    if os.path.exists(path):
        os.remove(path)
    started = time.monotonic()
    session.wine("regedit", "/e", session.unix_to_windows(path), "HKEY_LOCAL_MACHINE\\" + h.SERVICES, timeout=600)
    elapsed = time.monotonic() - started
    if not os.path.getsize(path):
        raise RuntimeError("the export is empty")
    return elapsed


def switch(driver, timeout=300):
    """Seconds from the warning's OK to the new view's first selection."""
    driver.keys("End")  # so that the new view's first selection can be told apart
    driver.click(CHECK)
    if not driver.msgbox(timeout_ms=20000)["present"]:
        raise RuntimeError("no warning before the switch")
    started = time.perf_counter()
    driver.answer("ok")
    deadline = time.monotonic() + timeout
    while driver.list(lines=False)["selected"] != 0:
        if time.monotonic() > deadline:
            raise RuntimeError("the view was not rebuilt")
        time.sleep(0.005)
    return time.perf_counter() - started


def line(label, times):
    return "%-44s %s   median %.3f s" % (label, " ".join("%.3f" % t for t in times), statistics.median(times))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--services", type=int, default=5000)
    args = parser.parse_args()
    session = h.Session("measure_against_wine_tools").start()
    report = []
    try:
        driver = session.start_driver()
        folder = session.program_folder()

        # Warm-up of both sides, not counted.
        start_until_selected(session, driver, folder)
        end_program(driver, folder)
        notepad_until_shown(session, driver)
        own, notepad = [], []
        for _ in range(args.runs):
            own.append(start_until_selected(session, driver, folder)[0])
            end_program(driver, folder)
            notepad.append(notepad_until_shown(session, driver))
        report.append("Wine's own services (%d subkeys):" % len(driver.reg_keys(h.SERVICES)))
        report.append(line("  Merotan.exe to the first selected line", own))
        report.append(line("  notepad to its window", notepad))

        driver.seed([h.service("SwTool%05d" % i, display="Messdienst %05d" % ((i * 7919) % 100000),
                               description="Beschreibung %d" % i, start=2 + i % 3, Group="Gruppe %d" % (i % 7))
                     for i in range(args.services)])
        regedit_export(session)
        starts, builds, exports = [], [], []
        for _ in range(args.runs):
            whole, build = start_until_selected(session, driver, folder)
            starts.append(whole)
            builds.append(build)
            end_program(driver, folder)
            exports.append(regedit_export(session))
        to_drivers, to_services = [], []
        start_until_selected(session, driver, folder)
        wait_for_export(folder, timeout=120)
        for _ in range(args.runs):
            to_drivers.append(switch(driver))
            to_services.append(switch(driver))
        end_program(driver, folder)
        report.append("With %d services of ours (%d subkeys):" % (args.services, len(driver.reg_keys(h.SERVICES))))
        report.append(line("  Merotan.exe to the first selected line", starts))
        report.append(line("  regedit /e of the Services key", exports))
        report.append(line("  start's own work (window made to selection)", builds))
        report.append(line("  switch to the driver view", to_drivers))
        report.append(line("  switch back to the service view", to_services))
    finally:
        session.stop()
    print("\n".join(report))


if __name__ == "__main__":
    main()
