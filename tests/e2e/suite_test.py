"""Pellacord.exe as a user meets it, under Wine with real input: pick a busy app, watch it in
the tray through BUSY, grace and IDLE and back, show and release it from the tray, a second
copy, the close box, the dark theme, exit from the tray, the watched app's exit, and resource
counts that stay flat under load.

PELLACORD_LEAK_SCALE (default 1) multiplies the load of the leak check: 10 gives 1000
repaints, 20 watch/release cycles and 10 theme switches."""
import os
import sys

from scenario import (APP_TITLE, GREEN, GREY, resident_kb, resources, select_app, set_theme, start_both,
                      tray_menu, wait_log)
from winebed import K, Bed, Checks, Program, Switch, find_colour, poll, wait_exit

EXE = sys.argv[1]
BUILD = os.path.dirname(EXE)
SETTINGS = "wait=30000\r\n"  # the shortest quiet period, so IDLE comes within the test
check = Checks()


def watching_scenario(bed):
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "suite"), SETTINGS)
    work = Switch(os.path.join(p.folder, "work"))
    app = None
    try:
        app, _, s = start_both(bed, p, work.schedule, 3, check)

        # 1. Pick the app: from the second tick the CPU line shows live numbers in the busy colour.
        select_app(p, check)
        live = poll(lambda: live_numbers(p, s, "previewing.png"), 10, 0.5)
        check(live, "no live CPU numbers in the busy colour while previewing")

        # 2. DON'T SLEEP hides the window and a green eye appears in the notification area.
        p.click(*s.button)
        check(poll(lambda: not p.visible(), 5, 0.2), "the window did not hide")
        check(s.wait_tray(GREEN, "watching-tray.png") is not None, "no green tray icon")

        # 3. Tick lines while burning: BUSY (cpu), the lock held, all four processes.
        check(wait_log(p, "procs=4 ", 10), "no tick line counting the four processes")
        check(wait_log(p, "-> BUSY (cpu) quiet=0s lock=held", 10), "no BUSY (cpu) tick line with the lock held")

        # 4. The work stops: grace, then IDLE after the 30 s wait, the lock off, a grey arch.
        work.off()
        check(wait_log(p, "  ^ state changed: BUSY -> grace", 30), "no change to grace")
        check(wait_log(p, "  ^ state changed: grace -> IDLE", 45), "no change to IDLE")
        check("lock=off" in p.log_text(), "no tick line with the lock off")
        check(s.wait_tray(GREY, "idle-tray.png") is not None, "no grey tray icon in IDLE")

        # 5. New work returns it to BUSY.
        work.on()
        check(wait_log(p, "  ^ state changed: IDLE -> BUSY", 30), "new work did not return to BUSY")

        # 6. A left click on the tray icon shows the window.
        icon = s.wait_tray(GREEN, "busy-again.png")
        if check(icon is not None, "no green icon after new work"):
            bed.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "1")
            check(poll(p.visible, 5, 0.2), "a tray click did not show the window")
            # The picture once the window has drawn a tick's numbers, not the hiding one.
            painted = p.log_text().count("tick procs=")
            check(poll(lambda: p.log_text().count("tick procs=") >= painted + 2, 5, 0.2), "no ticks while shown")
            s.shot("watching.png")

        # 7. The tray menu's "Release the lock" ends the watch and shows the window.
        tray_menu(bed, s, GREEN, ["Down", "Down", "Return"], check)
        check(wait_log(p, "stopped watching; lock released", 5), "Release the lock did not stop watching")
        check(poll(p.visible, 5, 0.2), "the window is not shown after Release the lock")
        check(s.tray_icon(GREEN, "released.png") is None, "the tray icon is still there after the release")

        # 8. Watching again, a second start shows the first window and exits 0.
        first_watch = p.log_text().find("watching: " + APP_TITLE)
        p.click(*s.button)
        check(wait_log(p, "watching: " + APP_TITLE, 5, first_watch + 1), "the second watch did not start")
        check(poll(lambda: not p.visible(), 5, 0.2), "the window did not hide for the second watch")
        second = bed.start(p.exe)
        check(wait_exit(second, 30) == 0, "the second copy did not exit 0")
        check(poll(p.visible, 5, 0.2), "the second copy did not bring the first window back")
        check(p.log_text().count("Pellacord started") == 1, "the second copy wrote to the log")

        # 9. The close box while watching only hides the window; the watch goes on.
        p.bed.xdotool("mousemove", str(p.win["right"] - 9), str((p.win["top"] + p.win["y"]) // 2), "click", "1")
        check(poll(lambda: not p.visible(), 5, 0.2), "the close box did not hide the window")
        ticks = p.log_text().count("tick procs=")
        check(poll(lambda: p.log_text().count("tick procs=") > ticks, 5, 0.5), "ticks stopped after the close box")
        check(p.proc.poll() is None, "the close box ended the program while watching")

        # 10. Dark theme: the next paint is dark in both windows; a restarted taskbar keeps the icon.
        icon = s.wait_tray(GREEN, "before-dark.png")
        if check(icon is not None, "no tray icon to show the window with"):
            bed.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "1")
        check(poll(p.visible, 5, 0.2), "the window is not shown for the theme change")
        set_theme(bed, 0)
        list_x, list_y = s.layout["list"][2] - 100, s.layout["list"][3] - 5
        dark = poll(lambda: s.client_colour(4, 4, "dark.png") == K.DARK["windowBackground"], 5, 0.3)
        check(dark, "the main window did not turn dark")
        check(s.client_colour(list_x, list_y, "dark.png") == K.DARK["listBackground"], "the list did not turn dark")
        bed.tool("broadcast", "taskbar")
        check(s.wait_tray(GREEN, "after-taskbar.png") is not None, "the tray icon is gone after TaskbarCreated")
        set_theme(bed, 1)
        check(poll(lambda: s.client_colour(4, 4, "light.png") == K.LIGHT["windowBackground"], 5, 0.3),
              "the window did not turn light again")

        # 11. The tray menu's "Exit" while watching ends the program without a stop line.
        tray_menu(bed, s, GREEN, ["Up", "Return"], check)
        check(wait_exit(p.proc, 10) == 0, "Exit from the tray did not end the program with 0")
        log = p.log_text()
        last_watch = log.rfind("watching: " + APP_TITLE)
        check(log.endswith("Pellacord exited; lock released\r\n"), "the log does not end with the exit line")
        check(log.find("stopped watching", last_watch) < 0, "a stop line after Exit from the tray")
    finally:
        p.end()
        if app:
            app.end()


def exit_and_leak_scenario(bed):
    scale = int(os.environ.get("PELLACORD_LEAK_SCALE", "1"))
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "suite-exit"), SETTINGS)
    app = None
    try:
        app, _, s = start_both(bed, p, "600000", 1, check)
        select_app(p, check)
        check(poll(lambda: live_numbers(p, s, "leak-live.png"), 10, 0.5), "no live numbers")
        # One round of everything first, so caches and fonts exist before the baseline.
        bx, by = p.screen(*s.button)
        bed.xdotool("mousemove", str(bx), str(by), "mousemove", str(bx), str(by - 120))
        set_theme(bed, 1)
        check(input_handled(bed, p, s), "the program did not handle the first round")
        before = resources(bed, p.win["pid"])
        rss_before = resident_kb(p.folder)

        # Repaints: each move onto or off the button changes the hover and repaints.
        moves = []
        for i in range(100 * scale):
            moves += ["mousemove", str(bx), str(by if i % 2 == 0 else by - 120), "sleep", "0.01"]
        bed.xdotool(*moves)
        # Watch and release cycles.
        for i in range(2 * scale):
            stops = p.log_text().count("stopped watching")
            p.click(*s.button)
            check(poll(lambda: not p.visible(), 5, 0.2), "the window did not hide")
            bed.tool("broadcast", "taskbar")
            bed.start(p.exe).wait(timeout=30)  # a second copy brings the window back
            check(poll(p.visible, 5, 0.2), "the second copy did not show the window")
            p.click(*s.button)
            check(poll(lambda: p.log_text().count("stopped watching") > stops, 5, 0.2), "the watch did not stop")
        # Theme switches.
        for i in range(scale):
            set_theme(bed, 0)
            set_theme(bed, 1)
        check(input_handled(bed, p, s), "the program did not handle the load")
        after = resources(bed, p.win["pid"])
        rss_after = resident_kb(p.folder)
        print(f"load x{scale}: GDI, USER objects and handles {before} -> {after}; "
              f"resident memory {rss_before} -> {rss_after} KB")
        if before and after and any(before):
            for name, a, b in zip(("GDI objects", "USER objects", "handles"), before, after):
                check(b <= a + 8, f"{name} grew from {a} to {b}")
        # A leaked off-screen bitmap alone is over 1 MB a repaint; brushes and pens add up too.
        if check(rss_before is not None and rss_after is not None, "no resident memory figure"):
            check(rss_after - rss_before <= 4096, f"resident memory grew by {rss_after - rss_before} KB")

        # 12. The watched app exits, and the process it started: the window comes back with the
        # lock released.
        p.click(*s.button)
        check(poll(lambda: not p.visible(), 5, 0.2), "the window did not hide")
        app.end()
        check(poll(p.visible, 10, 0.3), "the window did not come back when the app exited")
        check(wait_log(p, "the watched process exited\r\n", 5), "no exit line")
        log = p.log_text()
        exited = log.rfind("the watched process exited")
        check(log.find("stopped watching; lock released", exited) > exited, "no stop line after the exit line")
    finally:
        p.end()
        if app:
            app.end()


def live_numbers(p, s, name):
    """True once the CPU row shows live numbers in the busy colour."""
    left, top, right, bottom = s.layout["detail0"]
    return bool(find_colour(s.shot(name), GREEN, p.win["y"] + top, p.win["y"] + bottom, p.win["x"] + left,
                            p.win["x"] + right))


def input_handled(bed, p, s):
    """Moves the pointer onto the button and off again, and waits until each move is drawn: the
    window takes its input in order, so every move and theme change sent before has been handled
    (the theme's broadcast is a sent message, answered once handled)."""
    left, top, _, bottom = s.layout["button"]
    x, y = left + 12, (top + bottom) // 2  # the button's fill, clear of its label
    sx, sy = p.screen(x, y)
    drawn = []
    for fill, below in ((K.LIGHT["accentHover"], 0), (K.LIGHT["accent"], 120)):
        bed.xdotool("mousemove", str(sx), str(sy - below))
        drawn.append(poll(lambda: s.client_colour(x, y, "input-handled.png") == fill, 10, 0.2))
    return all(drawn)


def main():
    bed = Bed()
    watching_scenario(bed)
    exit_and_leak_scenario(bed)
    check.finish("suite")


if __name__ == "__main__":
    main()
