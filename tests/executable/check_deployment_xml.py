"""The files an administrator deploys with: the Task Scheduler's task and
the event forwarding's query in docs/deployment/ are well-formed XML, run
the check, and ask for the source and ids the program writes; the README
and the Liesmich quote the same query.

    check_deployment_xml.py SOURCE_DIR
"""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

TASK_NS = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"


def main(source):
    failures = []
    deployment = source / "docs" / "deployment"
    task = ET.parse(deployment / "Startwart-Pruefung.xml").getroot()
    if task.tag != TASK_NS + "Task":
        failures.append("the task's root is %s" % task.tag)
    command = task.findtext("%sActions/%sExec/%sCommand" % ((TASK_NS,) * 3)) or ""
    arguments = task.findtext("%sActions/%sExec/%sArguments" % ((TASK_NS,) * 3)) or ""
    if not command.endswith("\\Merotan.exe") or not arguments.startswith("/pruefen"):
        failures.append("the task does not run the check: %r %r" % (command, arguments))
    principal = task.find("%sPrincipals/%sPrincipal" % (TASK_NS, TASK_NS))
    if principal is None or principal.findtext(TASK_NS + "RunLevel") != "HighestAvailable":
        failures.append("the task does not run with the highest rights")

    query = ET.parse(deployment / "Startwart-Ereignisse.xml").getroot()
    select = query.findtext("Query/Select") or ""
    if "Provider[@Name='Tavrine Startwart']" not in select:
        failures.append("the query asks for another source: %r" % select)
    ids = {int(i) for i in re.findall(r"EventID=(\d+)", select)}
    if not ids or not ids <= {100, 101, 102, 103}:
        failures.append("the query asks for ids the program never writes: %s" % sorted(ids))
    for doc in ("README.md", "resources/Liesmich.txt"):
        text = (source / doc).read_text(encoding="utf-8-sig")
        if select not in text:
            failures.append("%s does not quote the query %r" % (doc, select))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1])))
