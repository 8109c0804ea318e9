#!/usr/bin/python3
"""Walks the program's accessibility tree over AT-SPI, as a screen reader sees it.

On a virtual display with its own session and accessibility buses, opens every pane (every side
button but Refresh and Exit), every options tab and the dialogs the panes open, and checks that
every showing control has a role and a name and that the options tab strip is a list of page tabs
with exactly one selected. Panes added later are walked without changes here.

Usage: atspi_sweep.py PROGRAM. Exits 0 when all is well, 1 with a list of faults, and 77 (skipped)
when xvfb-run, dbus-run-session or pyatspi are missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
DISPLAY_FAILED = 3
INSIDE = "--inside"

# Roles a user acts on or reads a value from; their names say what they are for.
CONTROL_ROLES = {
    "push button", "toggle button", "check box", "radio button", "combo box", "text",
    "password text", "spin button", "slider", "list", "tree", "tree table", "table",
    "page tab", "page tab list", "menu item", "check menu item", "radio menu item",
}
# Their children are the entries they hold (rows, cells, a combo's list), not controls.
HOLDERS = {"combo box", "list", "tree", "tree table", "table"}
# Buttons the sweep must not press: a scan sends packets; Exit ends the program.
NOT_PRESSED = {"Refresh", "Exit"}


def outside(program):
    for tool in ("xvfb-run", "dbus-run-session"):
        if shutil.which(tool) is None:
            print(f"skipped: {tool} is not installed")
            return SKIP
    for attempt in range(3):
        # xvfb-run -a can lose a race for a display number to another program starting one.
        result = subprocess.run(
            ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "dbus-run-session", "--",
             sys.executable, os.path.abspath(__file__), INSIDE, program],
            timeout=120)
        if result.returncode != DISPLAY_FAILED:
            return result.returncode
        print(f"display not reached (attempt {attempt + 1}), trying again")
    return 1


def wait_for(condition, seconds=10.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = condition()
        if found:
            return found
        time.sleep(0.1)
    return None


def children(node):
    return [c for c in (node.getChildAtIndex(i) for i in range(node.childCount)) if c is not None]


def showing(node, pyatspi):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def walk(node, pyatspi):
    """Every showing node under node, the entries of lists and combos left out."""
    for child in children(node):
        if showing(child, pyatspi):
            yield child
            if child.getRoleName() not in HOLDERS:
                yield from walk(child, pyatspi)


def find(root, pyatspi, role, name=None):
    return next((n for n in walk(root, pyatspi)
                 if n.getRoleName() == role and (name is None or n.name == name)), None)


def settle(root, pyatspi, seconds=5.0):
    """Waits until what is showing under root stays the same for a moment."""
    deadline = time.monotonic() + seconds
    last = None
    while time.monotonic() < deadline:
        time.sleep(0.25)
        now = [(n.getRoleName(), n.name) for n in walk(root, pyatspi)]
        if now == last:
            return
        last = now


def press(node):
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "press" in names:
        action.doAction(names.index("press"))
        return True
    return False


class Sweep:
    def __init__(self, app, pyatspi):
        self.app = app
        self.pyatspi = pyatspi
        self.faults = []
        self.checked = 0

    def check(self, where, root):
        for node in walk(root, self.pyatspi):
            role = node.getRoleName()
            if role in CONTROL_ROLES:
                self.checked += 1
                if not (node.name or "").strip():
                    self.faults.append(f"{where}: {role} without a name")
            elif node.getRole() in (self.pyatspi.ROLE_INVALID, self.pyatspi.ROLE_UNKNOWN):
                self.faults.append(f"{where}: a control without a role, named {node.name!r}")

    def dialog(self):
        return next((w for w in children(self.app)
                     if w.getRoleName() == "dialog" and showing(w, self.pyatspi)), None)

    def check_dialog(self, where, opener):
        if opener is None or not press(opener):
            self.faults.append(f"{where}: no button opens it")
            return
        dialog = wait_for(self.dialog, 5)
        if dialog is None:
            self.faults.append(f"{where}: the dialog did not open")
            return
        settle(dialog, self.pyatspi)
        self.check(where, dialog)
        cancel = find(dialog, self.pyatspi, "push button", "Cancel")
        if cancel is None or not press(cancel):
            self.faults.append(f"{where}: no Cancel button")
        wait_for(lambda: self.dialog() is None, 5)

    def check_tabs(self, window):
        strip = wait_for(lambda: find(window, self.pyatspi, "page tab list"), 5)
        tabs = [t for t in children(strip) if t.getRoleName() == "page tab"] if strip else []
        if strip is None or len(tabs) != strip.childCount or len(tabs) < 2:
            self.faults.append("options: no page tab list holding only page tabs, two or more")
            return
        for tab in tabs:
            if not press(tab):
                self.faults.append(f"options: tab {tab.name!r} cannot be pressed")
                continue
            settle(window, self.pyatspi)
            selected = [t.name for t in tabs if t.getState().contains(self.pyatspi.STATE_SELECTED)]
            if selected != [tab.name]:
                self.faults.append(f"options: after {tab.name!r} the selected tabs are {selected}")
            self.check(f"options tab {tab.name}", window)


def sweep_program(app, pyatspi):
    sweep = Sweep(app, pyatspi)
    window = wait_for(lambda: next(
        (w for w in children(app) if w.getRoleName() != "dialog"), None))
    side = [b for b in children(window) if b.getRoleName() == "push button"]
    if len(side) < 5:
        sweep.faults.append(f"window: {len(side)} side buttons found")
    sweep.check("window", window)
    for button in (b for b in side if b.name not in NOT_PRESSED):
        press(button)
        settle(window, pyatspi)
        sweep.check(f"pane {button.name}", window)
        if button.name == "Options":
            sweep.check_tabs(window)
            networks = find(window, pyatspi, "page tab", "Networks")
            if networks is not None:
                press(networks)
                settle(window, pyatspi)
            sweep.check_dialog("Add network dialog",
                               find(window, pyatspi, "push button", "Add network"))
        if button.name == "Work":
            sweep.check_dialog("Find dialog", find(window, pyatspi, "push button", "Search"))
    for fault in sweep.faults:
        print(fault)
    print(f"{sweep.checked} showing controls checked, {len(sweep.faults)} faults")
    return 1 if sweep.faults or sweep.checked == 0 else 0


def inside(program):
    try:
        import pyatspi
    except ImportError:
        print("skipped: pyatspi is not installed")
        return SKIP
    home = tempfile.mkdtemp(prefix="corvimap-atspi-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    env.pop("QT_QPA_PLATFORM", None)
    process = subprocess.Popen([program], env=env)
    try:
        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            return next((a for a in children(desktop) if a.name == "Corvimap"), None)
        app = wait_for(lambda: application() or (process.poll() is not None and "gone"), 20)
        if app is None or app == "gone":
            return DISPLAY_FAILED if process.poll() not in (None, 0) else 1
        return sweep_program(app, pyatspi)
    finally:
        process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == INSIDE:
        sys.exit(inside(sys.argv[2]))
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(outside(os.path.abspath(sys.argv[1])))
