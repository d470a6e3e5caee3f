#!/usr/bin/env python3
"""Times Merotan.exe against Wine's own tools, each comparison in one run and
one prefix, so that both sides see the same machine:

1. With Wine's own services: the start until its window is visible with
   the first line selected, against Wine's notepad until its window is shown.
2. With --services N of our own besides them (5,000 by default; 0 times only
   the first comparison): the start
   until its window is visible with the first line selected, against the registry editor exporting
   the Services key (``regedit /e``) until it ends, against notepad again
   (the start's own work is the start less notepad's), and against the
   registry's floor: tests/windows/RegistryReadFloor.exe doing the list
   build's reads in one process.
3. In one running program with the same entries: the switch to the driver
   view (from the warning's OK to the rebuilt list's first selection) and
   back, and the start-type check (from the question's OK to its result),
   each against the export.

Before every timing the script waits until no program of an earlier round
and no registry export runs in the prefix, so that no timing shares the
wine server with them. Rounds alternate between the sides; each figure is
the median of the rounds, with its spread (min-max and the quartiles).
A measurement, not a test: timings on a shared machine are no pass or fail.
Compare only ratios within one run.

    python3 tests/e2e/measure_against_wine_tools.py [--rounds 7] [--services 5000]
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

CHECK = IDS["IDC_ROOT_BERWEITERT"]
CHECKER = IDS["IDC_ROOT_BCHECKER"]


def clear_side_files(folder):
    for name in os.listdir(folder):
        if name != "Merotan.exe":
            os.remove(os.path.join(folder, name))


def start_until_shown(session, driver, folder, clear=True):
    """Seconds until the user sees the start done: the main window visible
    with its first line selected; and the part from the main window's
    creation to that first selection (the start's own work: rotation, list
    build, snapshot). Leaves the program running."""
    if clear:
        clear_side_files(folder)
    session.wait_quiet()
    started = time.monotonic()
    session.start_program(folder)
    if driver.wait_window(timeout_ms=120000, visible=False) is None:
        raise RuntimeError("no main window")
    created = time.monotonic()
    if driver.wait_selected(timeout_ms=180000) is None:
        raise RuntimeError("no line was selected")
    selected = time.monotonic()
    # The line is selected before the window is shown.
    if driver.wait_window(timeout_ms=120000, visible=True) is None:
        raise RuntimeError("the main window was never shown")
    shown = time.monotonic()
    return shown - started, selected - created


def end_program(session, driver):
    driver.keys("Esc")
    driver.wait_exit(timeout_ms=60000)
    session.wait_quiet()


def notepad_until_shown(session, driver):
    """Seconds from starting Wine's notepad to its visible window; ends it."""
    session.wait_quiet()
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


def regedit_export(session, busy=h.Session.BUSY_PROCESSES):
    """Seconds of `regedit /e` of the Services key, begun when no process
    named in busy runs."""
    path = os.path.join(session.root, "services-export.reg")
    if os.path.exists(path):
        os.remove(path)
    session.wait_quiet(busy=busy)
    started = time.monotonic()
    session.wine("regedit", "/e", session.unix_to_windows(path), "HKEY_LOCAL_MACHINE\\" + h.SERVICES, timeout=600)
    elapsed = time.monotonic() - started
    if not os.path.getsize(path):
        raise RuntimeError("the export is empty")
    return elapsed


def floor(session, busy=h.Session.BUSY_PROCESSES):
    """One round of the in-process floor: {pass name: seconds}, and the
    number of entries it read."""
    session.wait_quiet(busy=busy)
    out = session.wine(h.FLOOR, "1", timeout=600).decode()
    times, entries = {}, 0
    for text in out.splitlines():
        words = text.split()
        if words[:1] == ["entries"]:
            entries = int(words[1])
        elif len(words) == 2:
            times[words[0]] = float(words[1]) / 1000
    if not entries or not times:
        raise RuntimeError("the floor program printed no times: %r" % out)
    return times, entries


def switch(session, driver, timeout=300):
    """Seconds from the warning's OK to the new view's first selection."""
    session.wait_quiet(busy=("regedit.exe",))
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


def next_box(driver, other_than=None, timeout=300):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        box = driver.msgbox(timeout_ms=200)
        if box["present"] and box["hwnd"] != other_than:
            return box
    raise RuntimeError("no message box within %s s" % timeout)


def check(session, driver):
    """Seconds from the check's question answered with OK to its result box,
    which is answered in turn; and the result's first line."""
    session.wait_quiet(busy=("regedit.exe",))
    driver.click(CHECKER)
    question = next_box(driver)
    started = time.perf_counter()
    driver.answer("ok")
    result = next_box(driver, question["hwnd"])
    elapsed = time.perf_counter() - started
    driver.answer("ok")
    return elapsed, result["text"].splitlines()[0] if result["text"] else ""


def spread(times):
    """Median and spread of the rounds, in milliseconds."""
    ms = sorted(t * 1000 for t in times)
    quartiles = statistics.quantiles(ms, n=4, method="inclusive") if len(ms) > 1 else [ms[0]] * 3
    return "median %7.0f ms  (min %.0f, max %.0f, IQR %.0f-%.0f, %d rounds)" % (
        statistics.median(ms), ms[0], ms[-1], quartiles[0], quartiles[2], len(ms))


def line(label, times):
    return "%-48s %s" % (label, spread(times))


def ratio(label, times, anchor_times):
    return "%-48s %.2f x" % (label, statistics.median(times) / statistics.median(anchor_times))


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--services", type=int, default=5000)
    args = parser.parse_args()
    session = h.Session("measure_against_wine_tools").start()
    report = ["%s, at the start: %s" % (time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), load())]
    try:
        driver = session.start_driver()
        folder = session.program_folder()

        # Warm-up of both sides, not counted.
        start_until_shown(session, driver, folder)
        end_program(session, driver)
        notepad_until_shown(session, driver)
        own, notepad = [], []
        for _ in range(args.rounds):
            own.append(start_until_shown(session, driver, folder)[0])
            end_program(session, driver)
            notepad.append(notepad_until_shown(session, driver))
        report.append("Wine's own services (%d subkeys):" % len(driver.reg_keys(h.SERVICES)))
        report.append(line("  Merotan.exe to its window shown, first line selected", own))
        report.append(line("  notepad to its window", notepad))
        report.append(ratio("  start : notepad", own, notepad))
        if args.services == 0:  # the start with Wine's own services only
            report.append("At the end: %s" % load())
            return

        driver.seed([h.service("SwTool%05d" % i, display="Messdienst %05d" % ((i * 7919) % 100000),
                               description="Beschreibung %d" % i, start=2 + i % 3, Group="Gruppe %d" % (i % 7))
                     for i in range(args.services)])
        # Warm-up once more, with the entries.
        start_until_shown(session, driver, folder)
        end_program(session, driver)
        regedit_export(session)
        floor(session)
        starts, builds, exports, notepad, by_path, below, entries = [], [], [], [], [], [], 0
        for _ in range(args.rounds):
            whole, build = start_until_shown(session, driver, folder)
            starts.append(whole)
            builds.append(build)
            end_program(session, driver)
            exports.append(regedit_export(session))
            notepad.append(notepad_until_shown(session, driver))
            passes, entries = floor(session)
            by_path.append(passes["list_by_path"])
            below.append(passes["list_below_services"])
        own_work = statistics.median(starts) - statistics.median(notepad)
        report.append("With %d services of ours (%d subkeys):" % (args.services, entries))
        report.append(line("  Merotan.exe to its window shown, first line selected", starts))
        report.append(line("  regedit /e of the Services key", exports))
        report.append(line("  notepad to its window", notepad))
        report.append(line("  window made to the first selected line", builds))
        report.append(line("  floor: list reads, keys opened by path", by_path))
        report.append(line("  floor: list reads, keys below Services", below))
        report.append(ratio("  start : export", starts, exports))
        report.append("  %-46s %.0f ms = %.2f x the floor by path, %.2f x the floor below Services" % (
            "start's own work (start less notepad)", own_work * 1000,
            own_work / statistics.median(by_path), own_work / statistics.median(below)))

        # The check compares with the previous run's snapshot: the second
        # start of this folder has one.
        start_until_shown(session, driver, folder)
        end_program(session, driver)
        start_until_shown(session, driver, folder, clear=False)
        to_drivers, to_services, checks, exports = [], [], [], []
        busy = ("regedit.exe",)
        switch(session, driver)  # warm-up of both views, not counted
        switch(session, driver)
        result = ""
        for _ in range(args.rounds):
            to_drivers.append(switch(session, driver))
            to_services.append(switch(session, driver))
            exports.append(regedit_export(session, busy=busy))
            seconds, result = check(session, driver)
            checks.append(seconds)
        end_program(session, driver)
        report.append("In one running program, %d services of ours:" % args.services)
        report.append(line("  switch to the driver view", to_drivers))
        report.append(line("  switch back to the service view", to_services))
        report.append(line("  check (question's OK to its result)", checks))
        report.append(line("  regedit /e of the Services key", exports))
        report.append(ratio("  driver view : export", to_drivers, exports))
        report.append(ratio("  check : export", checks, exports))
        report.append("  the check's result: %s" % result.strip())
        report.append("At the end: %s" % load())
    finally:
        session.stop()
        print("\n".join(report))


if __name__ == "__main__":
    main()
