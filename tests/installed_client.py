"""One request through the installed program as a screen reader follows it, on the accessibility bus
with the stand-in server running. Started with files on its command line, it lists them (relative
ones from the current folder) with status 1 and no warning; then the folder is typed, DWG chosen
and Converti pressed, and each status is told by name until the files are converted.
Usage: installed_client.py PROGRAM FOLDER FILE..."""
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib


def descendants(node):
    for child in filter(None, node):
        yield child
        yield from descendants(child)


def wait_for(done, what):
    for _ in range(300):
        GLib.MainContext.default().iteration(False)   # delivers the events heard
        if done():
            return
        time.sleep(0.05)
    sys.exit(f"FAIL: {what}")


def status_told(event):   # the status is the one label whose name changes
    if event.source.getRole() == pyatspi.ROLE_LABEL:
        told.append(event.source.name)


program, folder, files = sys.argv[1], sys.argv[2], sys.argv[3:]
told, seen, nodes = [], None, {}
pyatspi.Registry.registerEventListener(status_told, "object:property-change:accessible-name")
client = subprocess.Popen([program] + files)
try:
    def started():
        global seen, nodes
        app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.name == os.path.basename(program)), None)
        nodes = {n.name: n for n in descendants(app)} if app else {}
        rows = [n for n in nodes if os.path.isabs(n)]
        seen = (sorted(rows), "Preparazione della lista" in nodes, [w.name for w in app or []])
        return seen == (sorted(map(os.path.abspath, files)), True, ["KIVRA_Client - www.kivra.example"])
    wait_for(started, f"files, status 1, windows: {seen}")
    told.clear()
    nodes["Cartella di archiviazione"].queryEditableText().setTextContents(folder)
    nodes["DWG"].queryAction().doAction(0)
    nodes["Converti"].queryAction().doAction(0)
    wait_for(lambda: told[-1:] == ["File convertiti."], f"status told: {told}")
    if told != ["Richiesta inviata al server", "Conversione in corso...", "File convertiti."]:
        sys.exit(f"FAIL: status told: {told}")
finally:
    client.terminate()
    client.wait()
