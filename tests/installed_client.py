"""The installed program as a screen reader meets it, inside atspi-session: started with files on
its command line it lists them (relative ones from the current folder), shows status 1, and no
warning. Usage: installed_client.py PROGRAM FILE..."""
import os
import subprocess
import sys
import time

import pyatspi


def descendants(node):
    for child in filter(None, node):
        yield child
        yield from descendants(child)


def labelled(node):
    return [r.getTarget(0).name for r in node.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]


program, files = sys.argv[1], sys.argv[2:]
client = subprocess.Popen([program] + files)
try:
    seen = None
    for _ in range(100):
        time.sleep(0.2)
        app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == os.path.basename(program)), None)
        if app is None:
            continue
        nodes = list(descendants(app))
        rows = [n.name for n in nodes if n.getRole() in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM)]
        status = [n.name for n in nodes if labelled(n) == ["Stato della richiesta:"]]
        seen = (rows, status, [w.name for w in app])
        if seen == ([os.path.abspath(f) for f in files], ["Preparazione della lista"], ["KIVRA_Client - www.kivra.example"]):
            sys.exit(0)
    sys.exit(f"FAIL: list, status and windows seen: {seen}")
finally:
    client.terminate()
    client.wait()
