"""The real Pellacord.exe never acts on the wrong app and never loses or forges data, under Wine
with real input and real files: a double-click that activates the window watches the app drawn
under the pointer, a slider drag whose capture is taken away ends as a release would, a locked
settings file is never saved over, a settings file that is a link stays one, a DLL planted
beside the program is never run, a program started through a link keeps its files beside
itself, and a second copy meets a single-instance name held by another program, or a first
copy slow to start."""
import os
import select
import shutil
import subprocess
import sys
import time

from winebed import Bed, Checks, Program, poll, read, read_ppm, wait_exit

EXE = sys.argv[1]
WORK = os.path.join(os.path.dirname(EXE), "e2e", "input-files")
WM_CANCELMODE, WM_COMMAND, IDM_EXIT, WM_CLOSE = 0x1F, 0x111, 203, 0x10
check = Checks()


def wintool(bed):
    return os.environ["PELLACORD_WINTOOL"]


def start_app(bed, title, x):
    app = bed.helper("appwindows.exe", "one", title, str(x))
    check(poll(lambda: bed.tool("front", title)[0] == 0, 20, 0.3), f"{title} did not appear")
    return app


def exit_program(bed, p):
    bed.tool("post", "PellacordWindow", str(WM_COMMAND), str(IDM_EXIT), "0")
    wait_exit(p.proc, 10)
    p.end()


def activation_click(bed):
    """The user works in one app, then double-clicks another in the inactive Pellacord window."""
    p = Program(bed, EXE, os.path.join(WORK, "activation"))
    apps = []
    try:
        check(p.start() is not None, "no window")
        apps = [start_app(bed, "First App", 950), start_app(bed, "Second App", 970)]  # clear of Pellacord
        in_front = lambda title: lambda: bed.tool("front", title)[0] == 0 and bed.tool("foreground")[1] == "AppWindowsTest"
        check(poll(in_front("First App"), 5, 0.2), "First App did not come to the front")
        check(poll(in_front("Second App"), 5, 0.2), "Second App did not come to the front")
        # Activated without a click, Pellacord lists the apps at once: Second App above First App.
        check(poll(lambda: bed.tool("front", "Pellacord")[0] == 0 and bed.tool("foreground")[1] == "PellacordWindow",
                   5, 0.2), "Pellacord is not active")
        check(poll(lambda: bed.tool("row", "Second App", str(p.win["pid"]))[1] == "0", 5, 0.2),
              "Second App is not the first row")
        # Back at work in the other app: the z-order changes, Pellacord is no longer active.
        check(poll(in_front("First App"), 5, 0.2), "First App did not come to the front again")
        check(poll(lambda: bed.tool("row", "First App", str(p.win["pid"]))[1] == "0", 5, 0.2),
              "the z-order did not change")
        sx, sy = p.screen(*p.row_centre(0))  # the row drawn as "Second App"
        bed.xdotool("mousemove", str(sx), str(sy), "click", "--repeat", "2", "--delay", "80", "1")
        check(poll(lambda: "watching: " in p.log_text(), 5, 0.2), "the double-click started no watch")
        watched = [line for line in p.log_text().split("\r\n") if "  watching: " in line]
        check(watched and watched[0].endswith("watching: Second App"), f"watched the wrong app: {watched}")
    finally:
        exit_program(bed, p)
        for a in apps:
            a.end()


def lost_capture(bed):
    """A slider drag whose capture is taken away (the system cancels the mode) ends there."""
    p = Program(bed, EXE, os.path.join(WORK, "capture"))
    try:
        check(p.start() is not None, "no window")
        x0, y0 = p.screen(*p.centre("track0"))
        shot = os.path.join(os.path.dirname(EXE), "artefacts", "capture-drag.png")
        before = crop(bed.screenshot(shot), p, "value0")
        bed.xdotool("mousemove", str(x0), str(y0), "mousedown", "1", "mousemove", str(x0 + 40), str(y0))
        check(poll(lambda: crop(bed.screenshot(shot), p, "value0") != before, 5, 0.2), "the drag moved nothing")
        check(read(p.ini) is None, "saved before the drag ended")
        bed.tool("post", "PellacordWindow", str(WM_CANCELMODE), "0", "0")
        saved = poll(lambda: read(p.ini), 5, 0.1)
        check(saved is not None, "the lost capture did not end the drag with a save")
        stamp = os.stat(p.ini).st_mtime_ns if saved else 0
        after = crop(bed.screenshot(shot), p, "value0")
        bed.xdotool("mousemove", str(x0 + 120), str(y0), "mouseup", "1")
        # A release that would save does so at once; the window's value shows the slider.
        check(not poll(lambda: crop(bed.screenshot(shot), p, "value0") != after, 2, 0.2),
              "the slider followed the pointer after the drag ended")
        check(read(p.ini) == saved, "the settings changed after the drag ended")
        check(os.stat(p.ini).st_mtime_ns == stamp if saved else False, "the release saved a second time")
    finally:
        exit_program(bed, p)


def locked_settings(bed):
    """Settings held open by another program at start-up are left as they are."""
    mine = b"cpu=700\r\ndisplay=1\r\n"
    p = Program(bed, EXE, os.path.join(WORK, "locked"), mine.decode())
    lock = subprocess.Popen(["wine", wintool(bed), "lock", subprocess.run(
        ["winepath", "-w", p.ini], env=bed.env, capture_output=True, text=True).stdout.strip(), "6000"],
        env=bed.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
    try:
        check(lock.stdout.readline().strip() == "locked", "the settings file could not be locked")
        check(p.start() is not None, "no window")
        log = p.log_text()
        check("  Pellacord started\r\n" in log and
              log.find("settings file could not be read; changes will not be saved") > log.find("Pellacord started"),
              "no line about the unreadable settings")
        check(log.count("settings file could not be read") == 1, "the line was written more than once")
        check("thresholds: cpu 200 permille" in log, "not running on the defaults")
        check(wait_exit(lock, 15) == 0, "the lock did not end")
        # A change after the lock is gone still leaves the user's file alone.
        p.click_on("check_square")
        check(not poll(lambda: read(p.ini) != mine, 2, 0.2), f"the settings were saved over: {read(p.ini)!r}")
    finally:
        lock.kill()
        exit_program(bed, p)


def linked_settings(bed):
    """A settings file that is a symbolic link is written through, and stays a link."""
    p = Program(bed, EXE, os.path.join(WORK, "linked"))
    target = os.path.join(p.folder, "settings-kept-elsewhere.ini")
    with open(target, "wb") as f:
        f.write(b"cpu=300\r\n")
    os.symlink(os.path.basename(target), p.ini)
    try:
        check(p.start() is not None, "no window")
        p.click_on("check_square")
        check(poll(lambda: b"display=1" in (read(target) or b""), 5, 0.2), "the linked file was not written")
        check(os.path.islink(p.ini), "the link was replaced by a plain file")
        check(b"cpu=300\r\n" in (read(target) or b""), "the values read through the link were lost")
    finally:
        exit_program(bed, p)


def settings_as_users_write_them(bed):
    """A settings file past the first kilobyte with its value at the end, and one Notepad saved
    as "Unicode" (UTF-16): both are read whole, and a change keeps their values."""
    long_text = b"#" * (1025 - len(b"\r\ncpu=350\r\n")) + b"\r\ncpu=350\r\n"
    cases = (("long", long_text, 350), ("utf16", "cpu=450\r\nwait=40000\r\n".encode("utf-16"), 450))
    for name, data, cpu in cases:
        p = Program(bed, EXE, os.path.join(WORK, "settings-" + name))
        with open(p.ini, "wb") as f:
            f.write(data)
        try:
            check(len(data) != 1025 or len(read(p.ini)) == 1025, "the long file is not 1025 bytes")
            check(p.start() is not None, f"{name}: no window")
            check(f"thresholds: cpu {cpu} permille" in p.log_text(), f"{name}: the file's cpu was not taken")
            p.click_on("check_square")
            saved = poll(lambda: b"display=1" in (read(p.ini) or b"") and read(p.ini), 5, 0.2) or b""
            check(f"\r\ncpu={cpu}\r\n".encode() in saved, f"{name}: the save lost the file's cpu: {saved!r}")
            check("settings file could not be read" not in p.log_text(), f"{name}: called unreadable")
        finally:
            exit_program(bed, p)


def linked_program(bed):
    """Started through a symbolic link in another folder, as winget's portable installs start it,
    the program keeps its files beside the executable itself, never beside the link."""
    real = Program(bed, EXE, os.path.join(WORK, "linked-exe", "real"))
    links = os.path.join(WORK, "linked-exe", "links")
    shutil.rmtree(links, ignore_errors=True)
    os.makedirs(links)
    os.symlink(real.exe, os.path.join(links, "Pellacord.exe"))
    # A first copy that finds nothing to watch writes its log and exits 3.
    r = bed.run(os.path.join(links, "Pellacord.exe"), "--watch", "No Such Window Title")
    check(r.returncode == 3, f"the linked copy exited {r.returncode}, not 3")
    check(read(real.log) is not None, "no log beside the executable")
    check(sorted(os.listdir(links)) == ["Pellacord.exe"], f"files beside the link: {sorted(os.listdir(links))}")


def planted_dll(bed):
    """A DLL with a system library's name beside the program is never loaded, even where Wine,
    like Windows, would search the program's folder first."""
    p = Program(bed, EXE, os.path.join(WORK, "planted"))
    shutil.copy(os.environ["PELLACORD_PLANTED"], os.path.join(p.folder, "iphlpapi.dll"))
    shutil.copy(os.environ["PELLACORD_PLANTED"], os.path.join(p.folder, "dwmapi.dll"))
    marker = os.path.join(p.folder, "planted-dll-was-loaded")
    try:
        overrides = bed.env.get("WINEDLLOVERRIDES", "") + ";iphlpapi,dwmapi=n,b"
        check(p.start({"WINEDLLOVERRIDES": overrides}) is not None, "no window")
        p.refresh()  # enumerates the open apps, which loads dwmapi
        exit_program(bed, p)
        check(p.proc.poll() is not None, "the program did not end")
        check(not os.path.exists(marker), "the planted DLL was loaded")
    finally:
        exit_program(bed, p)


def single_instance(bed):
    """The name is held by another program: after 5 s a message box, and exit code 1. A first
    copy that shows its window within the 5 s gets the hand-over, and the second exits 0."""
    folder = os.path.join(WORK, "squatted")
    p = Program(bed, EXE, folder)
    squatter = subprocess.Popen(["wine", wintool(bed), "squat", "60000"], env=bed.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL)
    try:
        check(poll(lambda: squatter.poll() is None and bed.tool("mutex")[0] == 0, 5, 0.2), "the name was not taken")
        started = time.monotonic()
        second = bed.start(p.exe)
        box = bed.wait_window("#32770", 15000)
        waited = time.monotonic() - started
        check(box is not None, "no message box")
        # At least the 5 s the copy gives a first copy; Wine's start-up adds the rest.
        check(4.5 < waited < 30, f"the box came after {waited:.1f} s, not after waiting 5 s")
        text = bed.tool("text", "#32770")[1]
        check("Another program holds Pellacord's single-instance name" in text, f"the box says: {text!r}")
        bed.tool("post", "#32770", str(WM_CLOSE), "0", "0")
        check(wait_exit(second, 10) == 1, "the second copy did not exit with 1")
        check(read(p.log) is None, "a log was written")
    finally:
        squatter.kill()
        squatter.wait()
    check(poll(lambda: bed.tool("mutex")[0] != 0, 5, 0.2), "the name is still held")

    slow = subprocess.Popen(["wine", wintool(bed), "squat", "60000", "2000"], env=bed.env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, text=True)
    try:
        check(poll(lambda: bed.tool("mutex")[0] == 0, 5, 0.2), "the name was not taken")
        second = bed.start(p.exe)
        check(wait_exit(second, 30) == 0, "the second copy did not hand over to a slow first copy")
        # The request is posted: the first copy answers it when it next reads its queue.
        check(read_line(slow, 10) == "shown", "the slow first copy was not asked to show itself")
    finally:
        slow.kill()


def read_line(proc, timeout):
    """The next line a helper prints, or None when none comes in time."""
    ready = select.select([proc.stdout], [], [], timeout)[0]
    return proc.stdout.readline().strip() if ready else None


def crop(path, p, name):
    """The pixels of one of the layout's rectangles in a screenshot."""
    w, _, data = read_ppm(path)
    left, top, right, bottom = p.layout()[name]
    x0, y0 = p.win["x"] + left, p.win["y"] + top
    return b"".join(data[((y0 + r) * w + x0) * 3:((y0 + r) * w + x0 + right - left) * 3] for r in range(bottom - top))


def main():
    bed = Bed()
    activation_click(bed)
    lost_capture(bed)
    locked_settings(bed)
    linked_settings(bed)
    settings_as_users_write_them(bed)
    linked_program(bed)
    planted_dll(bed)
    single_instance(bed)
    check.finish("input and files")


if __name__ == "__main__":
    main()
