#!/usr/bin/python3
"""Screen readers see every plus and minus picture as an expandable push
button named by its ALT text and its row, before and after key presses.

    atspi_buttons.py APPDIR
    atspi_buttons.py APPDIR --customers N

With --customers, the program runs on a sample of N customers, a long
outline whose rows the view holds only around the part in sight: the
customers table tells its real number of rows and each row its place in
it, at the page's start and at its end.

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


def outer(appdir, options):
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
                                    "--inside", appdir] + options, env=env,
                                   stderr=subprocess.STDOUT,
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


def kestrova_application():
    """The running program's node on the accessibility desktop, if any."""
    import pyatspi

    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        child = desktop.getChildAtIndex(i)
        if child is not None and child.name == "kestrova":
            return child
    return None


def check_buttons(program, names, failures):
    """Reads the buttons of the running `program` before and after Enter on
    the first one; `names` are the customer buttons' names."""
    import pyatspi

    def buttons():
        app = kestrova_application()
        return buttons_of(app) if app is not None else []

    before = wait_for(buttons, lambda b: len(b) >= len(names) or program.poll() is not None, 60)
    failures.check(sorted(name for name, _, _ in before) == names,
                   "customer buttons: %r" % [name for name, _, _ in before][:5])
    failures.check(all(expandable and not expanded for _, expandable, expanded in before),
                   "not every customer button is expandable and collapsed")
    roles = {}
    buttons_of(kestrova_application(), roles)
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


def table_rows(node):
    """The customers table (the one that tells its row count) and its rows'
    places and texts, in tree order."""
    import pyatspi
    found = {"table": None, "rows": []}

    def attributes(item):
        try:
            return dict(a.split(":", 1) for a in item.getAttributes() if ":" in a)
        except Exception:
            return {}

    def text_of(item):
        texts = []

        def gather(n):
            try:
                if n.name:
                    texts.append(n.name)
                for i in range(n.childCount):
                    gather(n.getChildAtIndex(i))
            except Exception:
                pass
        gather(item)
        return " ".join(texts)

    def walk(n):
        if n is None:
            return
        try:
            role = n.getRole()
            count = n.childCount
        except Exception:
            return
        if role == pyatspi.ROLE_TABLE and "rowcount" in attributes(n):
            found["table"] = attributes(n)["rowcount"]
            for i in range(count):
                row = n.getChildAtIndex(i)
                found["rows"].append((attributes(row).get("rowindex"), text_of(row)))
            return
        for i in range(count):
            walk(n.getChildAtIndex(i))

    walk(node)
    return found["table"], found["rows"]


def check_long_outline(program, names_in_order, failures):
    """The table's real row count, and the places of the first and the
    last customers' rows, at the start and, after End, at the end."""

    def rows():
        app = kestrova_application()
        return table_rows(app) if app is not None else (None, [])

    expected = str(2 * len(names_in_order) + 1)
    first = wait_for(rows, lambda r: r[0] == expected and any(i == "2" for i, _ in r[1]), 120)
    failures.check(first[0] == expected, "the table tells %r rows, not %s" % (first[0], expected))
    held = [text for index, text in first[1] if index == "2"]
    failures.check(held and names_in_order[0] in held[0],
                   "row 2 is not the first customer's: %r" % held[:1])
    failures.check(len(first[1]) < len(names_in_order),
                   "every row is in the document: %d" % len(first[1]))
    window = program_window(program.pid)
    if window is None:
        failures.check(False, "no window found for the program")
        return
    subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "End"],
                   check=True, timeout=30 * slowdown())
    last_index = str(2 * len(names_in_order))
    last = wait_for(rows, lambda r: any(i == last_index for i, _ in r[1]), 60)
    held = [text for index, text in last[1] if index == last_index]
    failures.check(held and names_in_order[-1] in held[0],
                   "row %s is not the last customer's: %r" % (last_index, held[:1]))


def copy_with_sample(appdir, customers):
    """An application folder of the program's with a sample of that many
    customers, in the private home."""
    copy = os.path.join(os.environ["HOME"], "app")
    os.mkdir(copy)
    for name in ("kestrova", "kestrova-webext.so", "kestrova-mdb-reader", "plus.gif",
                 "Plus.gif", "Minus.gif"):
        shutil.copy2(os.path.join(appdir, name), copy)
    subprocess.run([os.path.join(appdir, "kestrova-sampledb"),
                    os.path.join(copy, "AdvWorks.mdb"), "--customers", str(customers)],
                   check=True, stdout=subprocess.DEVNULL, timeout=120 * slowdown())
    return copy


def inside(appdir, customers=None):
    if customers:
        appdir = copy_with_sample(appdir, customers)
    with sqlite3.connect("file:" + os.path.join(appdir, "AdvWorks.mdb") + "?mode=ro",
                         uri=True) as database:
        in_order = [" ".join(row[0].split()) for row in
                    database.execute("SELECT CompanyName FROM Customers ORDER BY rowid")]
        names = sorted(CUSTOMER + ", " + " ".join(row[0].split())
                       for row in database.execute("SELECT CompanyName FROM Customers"))
    # What the program says goes to a file in the private home, shown when a
    # check fails.
    said = open(os.path.join(os.environ["HOME"], "kestrova.stderr"), "w+")
    program = subprocess.Popen([os.path.join(appdir, "kestrova")],
                               stdout=subprocess.DEVNULL, stderr=said)
    failures = Failures()
    try:
        if customers:
            check_long_outline(program, in_order, failures)
        else:
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
    if len(sys.argv) >= 3 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2], int(sys.argv[4]) if len(sys.argv) == 5 else None))
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--customers"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(outer(sys.argv[1], sys.argv[2:]))
