"""The real Pellacord.exe under Wine with real input: start-up lines, the window's size,
a slider drag and the check box saving the settings, the single instance, the close box,
and the whole window drawn at 96 and 144 dpi."""
import os
import subprocess
import sys

from winebed import K, Bed, Checks, Program, poll, read, read_ppm, wait_exit

EXE = sys.argv[1]
WORK = os.path.join(os.path.dirname(EXE), "e2e", "main")
SHOTS = os.path.join(os.path.dirname(EXE), "artefacts")
check = Checks()


def test_start_size_slider_checkbox_single_instance_close(bed):
    p = Program(bed, EXE, os.path.join(WORK, "96dpi"))
    win = p.start()
    check(win is not None, "no window at 96 dpi")
    if not win:
        return
    try:
        log = poll(lambda: read(p.log), 5) or b""
        check(log.startswith(b"\xef\xbb\xbf"), "the new log has no byte-order mark")
        lines = log[3:].decode("utf-8", "replace").split("\r\n")
        texts = [line[21:] for line in lines]
        check(texts[:3] == ["-" * 56, "Pellacord started",
                            "  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 600s"],
              f"start-up lines: {texts[:3]}")

        # The client area: as wide and tall as the layout gives for the work area, with as many
        # list rows as fit it (the program's own arithmetic, written out at build time).
        _, work_top, _, work_bottom = (int(v) for v in bed.tool("workarea")[1].split())
        frame = (win["bottom"] - win["top"]) - win["h"]
        fitting = [rows for (dpi, rows), layout in K.LAYOUTS.items()
                   if dpi == 96 and layout["client"][1] + frame + 24 <= work_bottom - work_top]
        rows = max(fitting) if fitting else K.LIST_ROWS_MIN
        check((win["w"], win["h"]) == K.LAYOUTS[(96, rows)]["client"],
              f"client {win['w']} x {win['h']} for {rows} rows (work area {work_bottom - work_top}, frame {frame})")
        shot = bed.screenshot(os.path.join(SHOTS, "main-96dpi.png"))

        # Drag the CPU slider to the right end: the value changes while dragging, and the
        # settings are written only on release.
        left, top, right, bottom = p.layout()["value0"]
        value_area = (win["x"] + left, win["y"] + top, right - left, bottom - top)
        before = crop(shot, value_area)
        x0, y0 = p.screen(*p.centre("track0"))
        bed.xdotool("mousemove", str(x0), str(y0), "mousedown", "1")
        for dx in (40, 80, 120, 300):
            bed.xdotool("mousemove", str(x0 + dx), str(y0))
        during = poll(lambda: crop(bed.screenshot(os.path.join(SHOTS, "main-dragging.png")), value_area) != before,
                      5, 0.2)
        check(during, "the CPU value did not change while dragging")
        check(read(p.ini) is None, "settings written before the drag ended")
        bed.xdotool("mouseup", "1")
        ini = poll(lambda: read(p.ini), 5) or b""
        check(b"\r\ncpu=4000\r\n" in ini, f"settings after the drag: {ini!r}")

        # The check box toggles display= in the file.
        for expected in (b"display=1", b"display=0"):
            p.click_on("check_square")
            ok = poll(lambda: expected in (read(p.ini) or b""), 5)
            check(ok, f"the check box did not write {expected!r}")
        # The six keys and nothing after them: no optional setting was ever changed.
        written = read(p.ini) or b""
        check(written.startswith(b"# Pellacord settings.") and written.endswith(
            b"\r\ncpu=4000\r\ndisk=1048576\r\nnet=2048\r\nmem=3000\r\nwait=600000\r\ndisplay=0\r\n") and
              len(written) == 259, f"the settings file: {written!r}")

        # A second copy hands over to the first and exits 0.
        second = bed.start(p.exe)
        code = wait_exit(second, 30)
        check(code == 0, f"second copy exit code {code}")
        check(bed.tool("foreground")[1] == "PellacordWindow", "the first window is not in front")
        log = read(p.log).decode("utf-8", "replace")
        check(log.count("Pellacord started") == 1, "the second copy wrote to the log")

        # The close box ends the program when not watching.
        bx, by = win["right"] - 9, (win["top"] + win["y"]) // 2
        bed.xdotool("mousemove", str(bx), str(by), "click", "1")
        code = wait_exit(p.proc, 15)
        check(code == 0, f"exit code after the close box: {code}")
        log = read(p.log).decode("utf-8", "replace")
        check(log.endswith("Pellacord exited; lock released\r\n"), "the log does not end with the exit line")
    finally:
        p.end()


def test_144_dpi(bed):
    key = r"HKCU\Control Panel\Desktop"
    subprocess.run(["wine", "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f"],
                   env=bed.env, capture_output=True)
    p = Program(bed, EXE, os.path.join(WORK, "144dpi"))
    try:
        win = p.start()
        widths = {layout["client"][0] for (dpi, _), layout in K.LAYOUTS.items() if dpi == 144}
        check(win is not None and win["w"] in widths, f"client at 144 dpi: {win}")
        if win:
            # The button's fill, in the accent colour, reaches the bottom of the client area.
            left, top, right, bottom = p.layout(144)["button"]
            bx, by = win["x"] + (left + right) // 2, win["y"] + bottom - 4
            drawn = poll(lambda: button_colour(bed, bx, by) in (K.LIGHT["accent"], (0xE2, 0xE2, 0xE2)), 5, 0.2)
            check(drawn, "the 144 dpi window is not drawn to its bottom")
    finally:
        p.end()
        subprocess.run(["wine", "reg", "delete", key, "/v", "LogPixels", "/f"], env=bed.env, capture_output=True)


def button_colour(bed, x, y):
    w, _, data = read_ppm(bed.screenshot(os.path.join(SHOTS, "main-144dpi.png")))
    return tuple(data[(y * w + x) * 3:(y * w + x) * 3 + 3])


def crop(path, area):
    w, h, data = read_ppm(path)
    x, y, cw, ch = area
    return b"".join(data[((y + r) * w + x) * 3:((y + r) * w + x + cw) * 3] for r in range(ch))


def main():
    bed = Bed()
    test_start_size_slider_checkbox_single_instance_close(bed)
    test_144_dpi(bed)
    check.finish("main window")


if __name__ == "__main__":
    main()
