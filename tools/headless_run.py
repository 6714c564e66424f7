"""The run command without a display: a short demonstration of Pellacord doing its job in a
headless Wine desktop. A sample app burns CPU for a while; Pellacord is pointed at it, holds
the lock while it works, and lets go once it has been quiet for the 30-second wait. The log
lines are printed as they come and screenshots are written to a folder."""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from scenario import GREEN, GREY, select_app, start_both  # noqa: E402
from winebed import Bed, Checks, Program, find_colour, poll, wait_exit  # noqa: E402


def follow(p, printed, until, timeout):
    """Prints new log lines until one holds `until`, or the time is up."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        lines = p.log_text().splitlines()
        for line in lines[printed:]:
            print("  log | " + line.lstrip("\ufeff"), flush=True)
        printed = len(lines)
        if any(until in line for line in lines):
            return printed, True
        time.sleep(0.5)
    return printed, False


def main():
    exe, out = sys.argv[1], sys.argv[2]
    os.environ["PELLACORD_SHOTS"] = out
    bed = Bed()
    check = Checks()
    p = Program(bed, exe, os.path.join(out, "app"), "wait=30000\r\n")
    app = None
    try:
        print("Starting Pellacord and a sample app that works for 10 seconds...", flush=True)
        app, _, s = start_both(bed, p, "10000,600000", 2, check)
        select_app(p, check)
        left, top, right, bottom = s.layout["detail0"]
        poll(lambda: find_colour(s.shot("1-previewing.png"), GREEN, p.win["y"] + top, p.win["y"] + bottom,
                                 p.win["x"] + left, p.win["x"] + right), 10, 0.5)
        print("Picked the app: " + os.path.join(out, "1-previewing.png"), flush=True)
        p.click(*s.button)
        s.wait_tray(GREEN, "2-watching.png")
        print("Watching from the tray: " + os.path.join(out, "2-watching.png"), flush=True)
        printed, _ = follow(p, 0, "state changed: BUSY -> grace", 40)
        printed, idle = follow(p, printed, "state changed: grace -> IDLE", 45)
        s.wait_tray(GREY, "3-idle.png")
        print("Quiet for the wait, lock released: " + os.path.join(out, "3-idle.png"), flush=True)
        check(idle, "the app did not go quiet in time")
    finally:
        if app:
            app.end()
        # The watched app is gone: the window comes back and closes normally.
        poll(p.visible, 10, 0.3)
        p.end()
    print(f"\nLog: {p.log}\nSettings: {p.ini}\nScreenshots: {out}")
    code = wait_exit(p.proc, 10) if p.proc else None
    print(f"Pellacord exited with code {code}")
    check(code == 0, "Pellacord did not exit cleanly")
    check.finish("demonstration")


if __name__ == "__main__":
    main()
