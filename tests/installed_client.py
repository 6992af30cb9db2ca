"""The installed program as a screen reader meets it: started with files on its command line, it
lists them, shows status 1 and no warning. Usage: installed_client.py PROGRAM FILE...
Run inside tests/atspi-session; relative FILEs are taken from the current folder."""
import os
import subprocess
import sys
import time

import pyatspi


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def labelled_by(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return None


def wait_for(what, find, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    sys.exit(f"FAIL: {what}")


def main():
    program, files = sys.argv[1], sys.argv[2:]
    client = subprocess.Popen([program] + files)
    try:
        app = wait_for("the program never appeared on the accessibility bus", lambda: next(
            (a for a in pyatspi.Registry.getDesktop(0) if a is not None
             and a.name == os.path.basename(program)), None))
        status = wait_for("no status field labelled 'Stato della richiesta:'", lambda: next(
            (n for n in descendants(app) if labelled_by(n) == "Stato della richiesta:"), None))
        listed = wait_for("the list never held the files", lambda: next(
            (rows for rows in [[n.name for n in descendants(app)
                                if n.getRole() in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM)]]
             if len(rows) == len(files)), None))
        expected = [os.path.abspath(f) for f in files]
        windows = [w.name for w in app]
        problems = []
        if listed != expected:
            problems.append(f"listed {listed}, expected {expected}")
        if status.name != "Preparazione della lista":
            problems.append(f"status '{status.name}'")
        if len(windows) != 1:
            problems.append(f"windows {windows}: a warning at start-up?")
        if problems:
            sys.exit("FAIL: " + "; ".join(problems))
        print(f"listed {listed}; status '{status.name}'; windows {windows}")
    finally:
        client.terminate()
        client.wait()


main()
