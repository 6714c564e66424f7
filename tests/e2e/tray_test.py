"""The tray icon in Wine's notification area: it appears, changes colour with the state,
opens its menu at the cursor on a right click, and goes when removed."""
import os
import subprocess

from winebed import K, Bed, Checks, find_colour, poll

COLOURS = K.TRAY
SHOTS = os.path.join(os.environ.get("PELLACORD_BUILD", os.path.dirname(os.environ["PELLACORD_TRAYTOOL"]) + "/.."),
                     "artefacts")


def pixels_of(bed, colour, name):
    """Screen positions of exactly this colour in the taskbar (below the work area)."""
    shot = bed.screenshot(os.path.join(SHOTS, f"tray-{name}.png"))
    top, bottom = bed.taskbar()
    return find_colour(shot, colour, top, bottom)


def main():
    bed = Bed()
    tool = subprocess.Popen(["wine", os.environ["PELLACORD_TRAYTOOL"]], env=bed.env, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)

    def say(command):
        tool.stdin.write(command + "\n")
        tool.stdin.flush()
        return tool.stdout.readline().strip()

    check = Checks()
    try:
        assert tool.stdout.readline().strip() == "ready"
        for kind in (0, 1, 2):
            check(say(f"kind {kind}") == "ok", f"kind {kind} not acknowledged")
            spots = poll(lambda: pixels_of(bed, COLOURS[kind], f"kind{kind}"), 5, 0.3)
            check(len(spots) >= 4, f"kind {kind}: {len(spots)} pixels of its colour in the taskbar")
            if kind > 0:
                check(not pixels_of(bed, COLOURS[0], f"kind{kind}-nogreen"), f"kind {kind}: green is still there")

        # A right click on the icon opens the menu at the cursor, moved only as far as it
        # takes to keep it on the screen and off the taskbar.
        spots = pixels_of(bed, COLOURS[2], "menu-target")
        cx = sum(x for x, _ in spots) // max(1, len(spots))
        cy = sum(y for _, y in spots) // max(1, len(spots))
        bed.xdotool("mousemove", str(cx), str(cy), "click", "3")
        check(tool.stdout.readline().strip() == "menu", "no menu after a right click")
        menu = poll(lambda: bed.find_window("#32768"), 5, 0.2)
        check(menu is not None, "no popup menu window")
        if menu:
            dx = max(menu["left"] - cx, 0, cx - menu["right"])
            dy = max(menu["top"] - cy, 0, cy - menu["bottom"])
            check(dx <= 12 and dy <= 12, f"menu at {menu} is not at the cursor {cx},{cy}")
            bed.screenshot(os.path.join(SHOTS, "tray-menu.png"))
        bed.xdotool("key", "Escape")

        check(say("remove") == "ok", "remove not acknowledged")
        gone = poll(lambda: not pixels_of(bed, COLOURS[2], "removed"), 5, 0.3)
        check(gone, "the icon is still shown after removal")
        say("quit")
    finally:
        try:
            tool.wait(timeout=10)
        except subprocess.TimeoutExpired:
            tool.kill()
    check.finish("tray")


if __name__ == "__main__":
    main()
