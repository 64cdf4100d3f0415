#!/usr/bin/python3
"""Screen readers see every plus and minus picture as an expandable push
button named by its ALT text and its row, before and after key presses.

    atspi_buttons.py APPDIR

Starts APPDIR/kestrova under a private D-Bus session with the accessibility
bus, in a home folder of its own (removed afterwards), on the X display of
$DISPLAY, and reads the window's accessibility tree with pyatspi. Exits 0
when every check holds; otherwise prints what did not, and what the program
wrote to stderr, and exits 1.
"""

import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

CUSTOMER = "View this customer's orders"
ORDER = "View this order's line items"


def slowdown():
    return max(1.0, float(os.environ.get("KESTROVA_SLOWDOWN", "1") or 1))


def outer(appdir):
    """Runs this script again inside a D-Bus session, in a fresh home."""
    home = tempfile.mkdtemp(prefix="kestrova-atspi-")
    try:
        runtime = os.path.join(home, "runtime")
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime,
                   XDG_CACHE_HOME=os.path.join(home, "cache"),
                   XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"))
        env.pop("NO_AT_BRIDGE", None)
        session = subprocess.Popen(["dbus-run-session", "--", sys.executable, __file__,
                                    "--inside", appdir], env=env, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        # Stopped from outside (a time limit), the session and everything it
        # started end first, so that the home folder can go.
        signal.signal(signal.SIGTERM, lambda *_: os.killpg(session.pid, signal.SIGTERM))
        return session.wait()
    finally:
        shutil.rmtree(home, ignore_errors=True)


class Failures:
    def __init__(self):
        self.lines = []

    def check(self, holds, what):
        if not holds:
            self.lines.append(what)


def buttons_of(application, roles=None):
    """Every push button in the tree, in tree order; `roles`, when given,
    counts every role met."""
    import pyatspi
    found = []

    def walk(node):
        if node is None:
            return
        try:
            role = node.getRole()
            count = node.childCount
        except Exception:
            return
        if roles is not None:
            roles[role] = roles.get(role, 0) + 1
        if role == pyatspi.ROLE_PUSH_BUTTON:
            states = node.getState()
            found.append((node.name, states.contains(pyatspi.STATE_EXPANDABLE),
                          states.contains(pyatspi.STATE_EXPANDED)))
        for i in range(count):
            walk(node.getChildAtIndex(i))

    walk(application)
    return found


def wait_for(read, holds, seconds):
    deadline = time.time() + seconds * slowdown()
    value = read()
    while not holds(value) and time.time() < deadline:
        time.sleep(0.3)
        value = read()
    return value


def program_window(pid):
    """The program's visible window. A search fails now and then with an X
    error when another window comes or goes while it runs, so it is tried
    again until the deadline."""
    def search():
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid),
                                "--name", "^Kestrova$"],
                               capture_output=True, text=True, timeout=30 * slowdown())
        return found.stdout.split()
    windows = wait_for(search, bool, 30)
    return windows[0] if windows else None


def check_buttons(program, names, failures):
    """Reads the buttons of the running `program` before and after Enter on
    the first one; `names` are the customer buttons' names."""
    import pyatspi

    def application():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            child = desktop.getChildAtIndex(i)
            if child is not None and child.name == "kestrova":
                return child
        return None

    def buttons():
        app = application()
        return buttons_of(app) if app is not None else []

    before = wait_for(buttons, lambda b: len(b) >= len(names) or program.poll() is not None, 60)
    failures.check(sorted(name for name, _, _ in before) == names,
                   "customer buttons: %r" % [name for name, _, _ in before][:5])
    failures.check(all(expandable and not expanded for _, expandable, expanded in before),
                   "not every customer button is expandable and collapsed")
    roles = {}
    buttons_of(application(), roles)
    failures.check(roles.get(pyatspi.ROLE_TABLE, 0) >= 1 and
                   roles.get(pyatspi.ROLE_TABLE_CELL, 0) >= 3 * len(names),
                   "the customers table is not read as a table: %r" % roles)
    failures.check(roles.get(pyatspi.ROLE_IMAGE, 0) == 0, "pictures read as images")
    if not before:
        return

    window = program_window(program.pid)
    failures.check(window is not None, "no window found for the program")
    if window is None:
        return

    def press(key):
        subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", key],
                       check=True, timeout=30 * slowdown())

    press("Tab")
    press("Return")
    first = before[0][0]
    after = wait_for(buttons, lambda b: len(b) > len(before) and b[0] == (first, True, True),
                     30)
    failures.check(after and after[0] == (first, True, True),
                   "after Enter the first button is %r" % (after[:1],))
    orders = after[1:len(after) - len(before) + 1]
    failures.check(bool(orders), "no order buttons after Enter")
    failures.check(all(re.fullmatch(re.escape(ORDER) + r", \d+", name) and expandable and
                       not expanded for name, expandable, expanded in orders),
                   "order buttons: %r" % orders[:3])

    press("Return")
    again = wait_for(buttons, lambda b: b == before, 30)
    failures.check(again == before, "after a second Enter: %r" % again[:3])


def inside(appdir):
    with sqlite3.connect("file:" + os.path.join(appdir, "AdvWorks.mdb") + "?mode=ro",
                         uri=True) as database:
        names = sorted(CUSTOMER + ", " + " ".join(row[0].split())
                       for row in database.execute("SELECT CompanyName FROM Customers"))
    # What the program says goes to a file in the private home, shown when a
    # check fails.
    said = open(os.path.join(os.environ["HOME"], "kestrova.stderr"), "w+")
    program = subprocess.Popen([os.path.join(appdir, "kestrova")],
                               stdout=subprocess.DEVNULL, stderr=said)
    failures = Failures()
    try:
        check_buttons(program, names, failures)
    finally:
        ended = program.poll()
        program.terminate()
        program.wait(timeout=30 * slowdown())

    for line in failures.lines:
        print("atspi_buttons: " + line)
    if failures.lines:
        print("atspi_buttons: the program %s; it said:" %
              ("was still running" if ended is None else "had ended with %d" % ended))
        said.seek(0)
        print(said.read(), end="")
    return 1 if failures.lines else 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2]))
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(outer(sys.argv[1]))
