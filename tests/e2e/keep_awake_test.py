"""Holds without an app and the hotkey, with the real Pellacord.exe under Wine: --for 1m started
as the first copy holds the lock with the tray icon busy, lets go a minute later and ends, as
nothing is left to reach; --hold
handed to the running copy lasts until --release from another copy ends it; a bad length is a
usage error that changes nothing; the settings file keeps its bytes throughout. Ctrl+Alt+W,
pressed through the X server over a busy app, watches it and pressed again stops the watch; with
the combination held by another program first, one line says so and nothing else changes.
Started with --tray and no rules, it stays in the tray, and its menu's "Keep awake" holds."""
import datetime
import os
import subprocess
import sys

from scenario import APP_TITLE, GREEN, GREY, start_app, wait_log
from winebed import Bed, Checks, Program, Switch, find_colour, poll, wait_exit

EXE = sys.argv[1]
BUILD = os.path.dirname(EXE)
SHOTS = os.path.join(BUILD, "artefacts")
SETTINGS = "[Pellacord]\r\ncpu=150\r\ndisk=2097152\r\nnet=4096\r\nmem=3000\r\nwait=60\r\ndisplay=0\r\n"
check = Checks()


def run(bed, p, *args):
    r = subprocess.run(["wine", p.exe, *args], env=bed.env, capture_output=True, text=True, timeout=60,
                       stdin=subprocess.DEVNULL)
    return r.returncode, r.stdout, r.stderr


def stamp_of(p, text):
    """When the log's first line with this text was written."""
    for line in p.log_text().lstrip("\ufeff").split("\r\n"):
        if line[21:] == text:
            return datetime.datetime.strptime(line[:19], "%Y-%m-%d %H:%M:%S")
    return None


def tray_spots(bed, colour, name):
    """The notification area's pixels of this colour."""
    top, bottom = bed.taskbar()
    shot = bed.screenshot(os.path.join(SHOTS, f"keep-awake-{name}.png"))
    return find_colour(shot, colour, top, bottom, left=bed.screen[0] - 280)


def busy_tray(bed, name):
    """Whether the notification area shows the busy (green) icon."""
    return len(tray_spots(bed, GREEN, name)) >= 4


def a_hold_from_the_tray_menu(bed):
    """Started with --tray and no rules, Pellacord stays in the tray with the idle icon, whose
    menu's "Keep awake" starts a hold; released, the icon stays idle."""
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "keep-awake-tray"))
    try:
        p.proc = bed.start(p.exe, "--tray")
        spots = poll(lambda: (lambda found: found if len(found) >= 4 else None)(tray_spots(bed, GREY, "tray")), 20, 0.5)
        if not check(spots is not None, "--tray without rules shows no idle icon"):
            return
        check(bed.tool("wait", "PellacordWindow", "0")[0] != 0, "--tray showed the window")
        x = sum(px for px, _ in spots) // len(spots)
        y = sum(py for _, py in spots) // len(spots)
        # Shown first: Wine gives a hidden window's menu no keyboard.
        bed.xdotool("mousemove", str(x), str(y), "click", "1")
        check(poll(lambda: bed.tool("wait", "PellacordWindow", "100")[0] == 0, 10, 0.2), "a tray click did not show the window")
        bed.xdotool("mousemove", str(x), str(y), "click", "3")
        check(poll(lambda: bed.find_window("#32768"), 5, 0.2) is not None, "the tray menu did not open")
        # "Show Pellacord", then "Keep awake", whose first item is "For 30 minutes".
        bed.xdotool("key", "Down", "Down", "Right", "Return")
        check(wait_log(p, "keeping awake for 30m\r\n", 10), "the menu's For 30 minutes started no hold")
        check(poll(lambda: busy_tray(bed, "tray-hold"), 10, 0.5), "the icon is not busy during the menu's hold")
        rc, _, err = run(bed, p, "--release")
        check(rc == 0 and wait_log(p, "hold ended; lock released\r\n", 10), f"--release: {rc} {err!r}")
        check(poll(lambda: len(tray_spots(bed, GREY, "tray-after")) >= 4, 10, 0.5), "the idle icon did not stay")
        check(p.proc.poll() is None, "the copy in the tray ended with its hold")
        check(run(bed, p, "--exit")[0] == 0 and wait_exit(p.proc, 30) == 0, "--exit did not end the copy in the tray")
    finally:
        p.end()


def lines(p):
    """The log's texts without their time stamps."""
    return [line[21:] for line in p.log_text().lstrip("\ufeff").split("\r\n") if len(line) > 21]


def hotkey_watches_the_app_in_front(bed):
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "hotkey"))
    work = Switch(os.path.join(p.folder, "work"))
    app = None
    try:
        check(p.start() is not None, "no window")
        app = start_app(bed, work.schedule, 0)
        busy = bed.wait_window("BusyTree", 20000)
        if not check(busy is not None, "the busy app's window did not appear"):
            return
        # The busy app comes to the front by a click, as a user's would.
        bed.xdotool("mousemove", str(busy["x"] + busy["w"] // 2), str(busy["y"] + busy["h"] // 2), "click", "1")
        check(poll(lambda: bed.tool("foreground")[1] == "BusyTree", 10, 0.3), "the busy app is not in front")
        bed.xdotool("key", "ctrl+alt+w")
        check(wait_log(p, "watching: " + APP_TITLE + "\r\n", 15), "the hotkey did not watch the app in front")
        check(wait_log(p, "-> BUSY (cpu) quiet=0s lock=held", 20), "the hotkey's watch did not hold the lock")
        check(poll(lambda: busy_tray(bed, "hotkey"), 10, 0.5), "the tray icon is not busy for the hotkey's watch")
        bed.xdotool("key", "ctrl+alt+w")
        check(wait_log(p, "stopped watching; lock released\r\n", 15), "the hotkey pressed again did not stop the watch")
        check(lines(p).count("watching: " + APP_TITLE) == 1, "the second press watched again")
    finally:
        p.end()
        if app:
            app.end()


def a_taken_hotkey_is_told_once(bed):
    holder = subprocess.Popen(["wine", bed.wintool, "hotkey", "120000"], env=bed.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "hotkey-taken"))
    try:
        if not check(holder.stdout.readline().strip() == "registered", "the helper could not take Ctrl+Alt+W"):
            return
        check(p.start() is not None, "no window with the hotkey taken")
        check(wait_log(p, "hotkey Ctrl+Alt+W is taken by another program\r\n", 15), "the taken hotkey was not told")
        bed.xdotool("key", "ctrl+alt+w")  # the holder's now: Pellacord watches nothing
        check(poll(lambda: len(lines(p)) >= 4, 5, 0.2), "no start-up lines")
        check(lines(p)[1:] == ["Pellacord started",
                               "  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s"
                               " | wait 600s",
                               "hotkey Ctrl+Alt+W is taken by another program"], f"lines: {lines(p)}")
    finally:
        p.end()
        holder.kill()
        holder.wait()
    check(lines(p)[-1] == "Pellacord exited; lock released" and
          lines(p).count("hotkey Ctrl+Alt+W is taken by another program") == 1, f"the lines after: {lines(p)}")


def main():
    bed = Bed()
    hotkey_watches_the_app_in_front(bed)
    a_taken_hotkey_is_told_once(bed)
    a_hold_from_the_tray_menu(bed)
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "keep-awake"), settings=SETTINGS)
    try:
        # The first copy holds for a minute, in the tray only.
        p.proc = bed.start(p.exe, "--for", "1m")
        check(wait_log(p, "keeping awake for 1m\r\n", 30), "--for 1m did not start a hold")
        check(wait_log(p, "  lock held\r\n", 10), "the hold's lock is not held")
        check(poll(lambda: busy_tray(bed, "for"), 10, 0.5), "the tray icon is not busy during the hold")
        check(bed.tool("wait", "PellacordWindow", "0")[0] != 0, "a hold from the command line showed the window")
        check(wait_log(p, "hold ended; lock released\r\n", 120), "the hold did not end after its minute")
        started, ended = stamp_of(p, "keeping awake for 1m"), stamp_of(p, "hold ended; lock released")
        if started and ended:
            check(59 <= (ended - started).total_seconds() <= 90, f"the hold lasted {ended - started}")
        check(poll(lambda: not busy_tray(bed, "for-over"), 10, 0.5), "the busy icon stayed after the hold")
        # Nothing is left to reach, no window and no icon: the copy ends with its hold.
        check(wait_exit(p.proc, 30) == 0, "the copy that held for a minute did not end with its hold")

        # Until released: handed to the running copy, ended by --release from another.
        check(p.start() is not None, "no window")
        rc, _, err = run(bed, p, "--hold", "--screen")
        check(rc == 0, f"--hold: {rc} {err!r}")
        check(wait_log(p, "keeping awake until released\r\n", 10), "--hold was not carried out")
        check(wait_log(p, "  screen will be kept on too\r\n", 10), "--screen did not go with the hold")
        check(poll(lambda: busy_tray(bed, "hold"), 10, 0.5), "the tray icon is not busy during --hold")
        rc, _, err = run(bed, p, "--release")
        check(rc == 0, f"--release: {rc} {err!r}")
        check(poll(lambda: p.log_text().count("hold ended; lock released") == 2, 10, 0.5),
              "--release did not end the hold")

        # A usage error reaches nothing.
        before = p.log_text()
        rc, _, err = run(bed, p, "--for", "25h")
        check(rc == 2 and "--for takes" in err, f"--for 25h: {rc} {err!r}")
        check(p.log_text() == before, "a usage error was logged by the running copy")

        check(run(bed, p, "--exit")[0] == 0, "--exit was refused")
        check(wait_exit(p.proc, 30) == 0, "Pellacord did not exit")
        with open(p.ini, "rb") as f:
            check(f.read() == SETTINGS.encode(), "the settings file changed")
    finally:
        p.end()
    check.finish("keep_awake")


if __name__ == "__main__":
    main()
