#!/usr/bin/python3
"""Reads the grid of the real quillet through the AT-SPI stack, as a screen reader does.

Usage: atspi_grid_check.py QUILLET_BINARY

Run it inside `dbus-run-session` so that the accessibility bus is a private one. It starts
Xvfb and quillet on a small INI file with Qt's bridge always on, finds the table, reads its
size, header texts and a few cells, clicks a cell, presses Down and checks that the focus
moves to the cell below. Exits 77 (skipped) when a part of the stack is missing.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
INI = "[色]\r\n赤=ff0000\r\n緑=00ff00\r\n[形]\r\n丸=circle\r\n"


def skip(reason):
    print(f"SKIPPED: {reason}")
    sys.exit(SKIP)


try:
    import pyatspi
    from gi.repository import GLib
except ImportError as error:
    skip(f"python3-pyatspi is not installed ({error})")
for tool in ("Xvfb", "xdotool"):
    if not shutil.which(tool):
        skip(f"{tool} is not installed")
if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
    skip("no session bus: run inside dbus-run-session")


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x900x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    if not display:
        skip("Xvfb did not start")
    return xvfb, ":" + display


def find(node, role, depth=0):
    """The first descendant with the role, not looking inside tables or lists (their
    children are cells, possibly very many)."""
    if node is None or depth > 30:
        return None
    if node.getRole() == role:
        return node
    if node.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST):
        return None
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), role, depth + 1)
        if found:
            return found
    return None


def wait_for(what, timeout=20.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = what()
        if found:
            return found
        time.sleep(0.3)
    return None


def quillet_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name.lower() == "quillet":
            return app
    return None


def focus_events_after(action, table, seconds=2.0):
    """The names and positions of the cells of table that got the focus while action ran."""
    seen = []

    def on_focus(event):
        cell = event.source
        if event.detail1 != 1 or cell.parent != table:
            return
        index = cell.getIndexInParent()
        seen.append((cell.name, (table.queryTable().getRowAtIndex(index),
                                 table.queryTable().getColumnAtIndex(index))))

    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    GLib.timeout_add(300, lambda: (action(), False)[1])
    GLib.timeout_add(int(seconds * 1000), lambda: (pyatspi.Registry.stop(), False)[1])
    pyatspi.Registry.start()
    pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
    return seen


def main():
    quillet = sys.argv[1]
    work = tempfile.mkdtemp(prefix="quillet-atspi-")
    ini = os.path.join(work, "colors.ini")
    with open(ini, "w", encoding="utf-8-sig", newline="") as f:
        f.write(INI)
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, HOME=work, XDG_CONFIG_HOME=work,
               XDG_DATA_HOME=work, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    os.environ["DISPLAY"] = display
    app_proc = subprocess.Popen([quillet, ini], cwd=work, env=env)
    failures = []
    try:
        app = wait_for(quillet_app)
        if app is None:
            print("FAIL: quillet never appeared on the accessibility bus")
            return 1
        table = wait_for(lambda: find(app, pyatspi.ROLE_TABLE))
        if table is None:
            print("FAIL: no table in quillet's window")
            return 1
        grid = table.queryTable()
        headers = [grid.getColumnDescription(c) for c in range(grid.nColumns)]
        print(f"table: {grid.nRows} rows x {grid.nColumns} columns")
        print(f"column headers: {headers}")
        print(f"row headers: {[grid.getRowDescription(r) for r in range(grid.nRows)]}")
        rows = [[grid.getAccessibleAt(r, c).name for c in range(grid.nColumns)]
                for r in range(grid.nRows)]
        for r, texts in enumerate(rows):
            print(f"row {r}: {texts}")
        flat = [text for texts in rows for text in texts]
        for expected in ("セクション", "エントリ", "値"):
            if expected not in headers:
                failures.append(f"no column header reads {expected!r}")
        for expected in ("色", "赤", "ff0000", "形", "circle"):
            if expected not in flat:
                failures.append(f"no cell reads {expected!r}")
        if grid.nRows < 3:
            failures.append("fewer rows than the file has entries")

        # Click the cell that reads "赤", then press Down: the focus must follow to the cell
        # below it, which a screen reader then speaks.
        where = [(r, c) for r in range(grid.nRows) for c in range(grid.nColumns)
                 if rows[r][c] == "赤"]
        if not where:
            failures.append("cannot find the cell to start from")
        else:
            row, col = where[0]
            cell = grid.getAccessibleAt(row, col)
            x, y, w, h = cell.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            click = ["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"]
            clicked = focus_events_after(lambda: subprocess.run(click, env=env), table)
            print(f"focus after clicking ({row}, {col}): {clicked}")
            moved = focus_events_after(
                lambda: subprocess.run(["xdotool", "key", "Down"], env=env), table)
            print(f"focus after Down: {moved}")
            below = (rows[row + 1][col], (row + 1, col)) if row + 1 < grid.nRows else None
            if not moved or moved[-1] != below:
                failures.append(f"focus did not move to {below}")
            state = grid.getAccessibleAt(row + 1, col).getState()
            if not state.contains(pyatspi.STATE_FOCUSED):
                failures.append("the cell below does not say it is focused")
    finally:
        app_proc.terminate()
        try:
            app_proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            app_proc.kill()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(f"FAIL: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
