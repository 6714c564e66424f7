"""Pellacord.exe without the mouse, and as a screen reader reads it, under Wine with real input:
Tab to the cpu slider and Right saves the new limit when the key goes up; Tab to the check box
and Space; Tab to the button and Enter starts the watch, and back in front the focus is on the
button again; no focus cue after mouse-only use, and one after keyboard use; the accessible
tree read from another process (roles, names, values, states) and the button's default action
starting a watch; and WM_DPICHANGED laying the window out at 144 dpi."""
import os
import re
import subprocess
import sys
import time

from scenario import APP_TITLE, Screen, select_app, start_both, wait_log
from winebed import K, Bed, Checks, Program, colour_at, poll, read_ppm

EXE = sys.argv[1]
BUILD = os.path.dirname(EXE)
check = Checks()

ROLE_LIST, ROLE_ITEM, ROLE_TEXT, ROLE_BUTTON, ROLE_CHECK, ROLE_SLIDER, ROLE_LINK = 0x21, 0x22, 0x29, 0x2B, 0x2C, 0x33, 0x1E
STATE_SELECTED, STATE_FOCUSED, STATE_CHECKED, STATE_INVISIBLE = 0x2, 0x4, 0x10, 0x8000


def ini_value(p, key):
    text = (open(p.ini, "rb").read().decode() if os.path.exists(p.ini) else "")
    m = re.search(rf"^{key}=(\d+)\r?$", text, re.M)
    return int(m.group(1)) if m else None


def key(bed, *keys):
    bed.xdotool("key", "--delay", "60", *keys)


def ring_pixel(s, rect, name):
    """The colour one pixel outside the ring's gap, at the left edge's middle: where a focus cue
    around `rect` is drawn (layout rectangle, client pixels)."""
    left, top, _, bottom = rect
    w, _, data = read_ppm(s.shot(name))
    x, y = s.p.screen(left - 2, (top + bottom) // 2)
    return colour_at(data, w, x, y)


def accessible_tree(bed):
    acctool = os.path.join(os.path.dirname(bed.wintool), "acctool.exe")
    r = bed.run(acctool, "tree", "PellacordWindow")
    rows = {}
    for line in r.stdout.splitlines():
        parts = line.rstrip("\r").split("|")
        if len(parts) == 7:
            rows[parts[0]] = dict(role=int(parts[1], 16), state=int(parts[2], 16), name=parts[3], value=parts[4],
                                  description=parts[5], action=parts[6])
    return r.returncode, rows


def focused_child(bed):
    """The accessible child with the focus, as a reader asks: -2 for the list (an object)."""
    r = bed.run(os.path.join(os.path.dirname(bed.wintool), "acctool.exe"), "focus", "PellacordWindow")
    return int(r.stdout.strip()) if r.returncode == 0 and r.stdout.strip().lstrip("-").isdigit() else None


def keyboard_road(bed, p, s):
    layout = s.layout
    # Mouse only: the app picked with a click, the pointer over the button: no cue anywhere.
    select_app(p, check)
    bx, by = p.centre("button")
    bed.xdotool("mousemove", str(p.screen(bx, by)[0]), str(p.screen(bx, by)[1]))
    background = K.LIGHT["windowBackground"]
    check(ring_pixel(s, layout["button"], "no-cue.png") == background, "a focus cue after mouse-only use")
    check(ring_pixel(s, layout["check_square"], "no-cue.png") == background, "a check box cue after mouse use")

    # Tab from the list to the cpu slider; Right moves it, and the limit is saved on release.
    saved = ini_value(p, "cpu")
    cpu = saved or 200  # the default until the first save
    key(bed, "Tab")
    bed.xdotool("keydown", "Right")
    time.sleep(0.5)  # a held key repeats meanwhile
    check(ini_value(p, "cpu") == saved, "the limit was saved before the key went up")
    bed.xdotool("keyup", "Right")
    check(poll(lambda: ini_value(p, "cpu") not in (None, cpu), 5, 0.2), "Right on the cpu slider saved nothing")
    moved = ini_value(p, "cpu")
    check(moved is not None and moved > cpu, f"cpu went from {cpu} to {moved}, not up")
    s.shot("keyboard.png")  # the cue around the cpu slider's thumb, for the README

    # Tab on to the check box: the cue shows; Space ticks it.
    key(bed, "Tab", "Tab", "Tab", "Tab", "Tab")
    check(poll(lambda: ring_pixel(s, layout["check_square"], "focus-cue.png") == K.LIGHT["accent"], 5, 0.3),
          "no focus cue around the check box after keyboard use")
    key(bed, "space")
    check(poll(lambda: ini_value(p, "display") == 1, 5, 0.2), "Space on the check box did not set display=1")

    # Tab to the button and Enter: the watch starts and the window goes to the tray.
    key(bed, "Tab", "Return")
    check(wait_log(p, "watching: " + APP_TITLE, 5), "Enter on the button did not start the watch")
    check(poll(lambda: not p.visible(), 5, 0.2), "the window did not go to the tray")
    # Back in front, the focus is on the button again, for the reader too. (Wine does not always
    # give the X keyboard to a window brought forward by another process, so no key follows.)
    subprocess.run(["wine", p.exe, "--show"], env=bed.env, capture_output=True, timeout=30)
    check(poll(p.visible, 5, 0.2), "--show did not bring the window back")
    check(poll(lambda: focused_child(bed) == 8, 5, 0.2), f"the focus is not back on the button: {focused_child(bed)}")
    subprocess.run(["wine", p.exe, "--release"], env=bed.env, capture_output=True, timeout=30)
    check(wait_log(p, "stopped watching; lock released", 5), "--release did not release")


def measured_tree(bed):
    """The accessible tree once the cpu slider tells a measured value: the release before this
    began a new preview, which says "measuring…" until its second tick."""
    def read():
        rc, rows = accessible_tree(bed)
        return (rc, rows) if rows.get("2", {}).get("description", "").startswith("now ") else None
    return poll(read, 10, 0.3) or accessible_tree(bed)


def screen_reader(bed, p):
    rc, rows = measured_tree(bed)
    check(rc == 0 and rows, f"no accessible tree read from another process (exit {rc})")
    if not rows:
        return
    expected = {
        "1": (ROLE_LIST, "Open apps"), "2": (ROLE_SLIDER, "CPU"), "3": (ROLE_SLIDER, "Disk"),
        "4": (ROLE_SLIDER, "Net"), "5": (ROLE_SLIDER, "RAM"), "6": (ROLE_SLIDER, "Wait"),
        "7": (ROLE_CHECK, "Keep the screen on too"), "8": (ROLE_BUTTON, "Don't sleep"), "9": (ROLE_LINK, "Refresh"),
        "10": (ROLE_TEXT, None), "11": (ROLE_TEXT, None), "12": (ROLE_TEXT, None),
    }
    for child, (role, name) in expected.items():
        row = rows.get(child)
        if not check(row is not None, f"no accessible child {child}"):
            continue
        check(row["role"] == role, f"child {child}: role {row['role']:#x}, not {role:#x}")
        if name:
            check(row["name"] == name, f"child {child}: name {row['name']!r}, not {name!r}")
    check(rows.get("6", {}).get("value") == "30s", f"the wait slider's value: {rows.get('6')}")
    check(rows.get("2", {}).get("value", "").endswith("%"), f"the cpu slider's value: {rows.get('2')}")
    check(rows.get("2", {}).get("description", "").startswith("now "), f"the cpu slider's now line: {rows.get('2')}")
    check(rows.get("7", {}).get("state", 0) & STATE_CHECKED, "the check box is not checked")
    check(rows.get("8", {}).get("action") == "Press", f"the button's default action: {rows.get('8')}")
    items = {k: v for k, v in rows.items() if k.startswith("1.") and v["role"] == ROLE_ITEM}
    picked = [v for v in items.values() if v["name"] == APP_TITLE]
    check(len(picked) == 1, f"the app is not one list item: {sorted(v['name'] for v in items.values())}")
    if picked:
        check(picked[0]["state"] & STATE_SELECTED, "the picked app's item is not selected")
        check("PID" in picked[0]["description"], f"the item's description: {picked[0]['description']!r}")

    # The button's default action starts the watch, as a reader's "press" does.
    acctool = os.path.join(os.path.dirname(bed.wintool), "acctool.exe")
    watches = p.log_text().count("watching: " + APP_TITLE)
    rc = bed.run(acctool, "do", "PellacordWindow", "8").returncode
    check(rc == 0, f"the default action failed: {rc}")
    check(poll(lambda: p.log_text().count("watching: " + APP_TITLE) > watches, 5, 0.2),
          "the button's default action did not start a watch")
    rc, rows = accessible_tree(bed)
    check(rows.get("8", {}).get("name") == "Release", f"the button is not named Release while watching: {rows.get('8')}")
    check(rows.get("9", {}).get("state", 0) & STATE_INVISIBLE, "Refresh is not invisible while watching")


def dpi_change(bed, p, s):
    subprocess.run(["wine", p.exe, "--release"], env=bed.env, capture_output=True, timeout=30)
    subprocess.run(["wine", p.exe, "--show"], env=bed.env, capture_output=True, timeout=30)
    check(poll(p.visible, 5, 0.2), "the window is not shown for the DPI change")
    check(bed.tool("dpi", "PellacordWindow", "144")[0] == 0, "WM_DPICHANGED could not be sent")
    win = poll(lambda: (lambda w: w if w and w["w"] == 645 else None)(bed.find_window("PellacordWindow")), 5, 0.2)
    check(win is not None, f"the client is not 645 wide at 144 dpi: {bed.find_window('PellacordWindow')}")
    if win:
        sizes = {layout["client"] for (dpi, _), layout in K.LAYOUTS.items() if dpi == 144}
        check((win["w"], win["h"]) in sizes, f"the client {win['w']} x {win['h']} is no 144-dpi layout")
        p.win = win
        s.shot("dpi-144.png")
        w, _, data = read_ppm(s.shot("dpi-144.png"))
        layout = next(l for (d, _), l in K.LAYOUTS.items() if d == 144 and l["client"] == (win["w"], win["h"]))
        left, top, right, bottom = layout["check_square"]
        x, y = p.screen((left + right) // 2, top + 2)
        check(colour_at(data, w, x, y) == K.LIGHT["accent"],
              "the ticked check box is not drawn where the 144-dpi layout puts it")


def main():
    bed = Bed()
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "access"), "wait=30000\r\n")
    app = None
    try:
        app, _, s = start_both(bed, p, "600000", 0, check)
        keyboard_road(bed, p, s)
        screen_reader(bed, p)
        dpi_change(bed, p, s)
    finally:
        p.end()
        if app:
            app.end()
    check.finish("access")


if __name__ == "__main__":
    main()
