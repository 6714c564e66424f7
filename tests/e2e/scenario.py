"""A user's steps with Pellacord under Wine, shared by the end-to-end suite and the headless
demonstration of the run command."""
import os
import subprocess

from winebed import K, centre, colour_at, find_colour, poll, read_ppm

GREEN, AMBER, GREY = K.TRAY[0], K.TRAY[1], K.TRAY[2]
THEME_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize"


def shots_folder():
    """Where screenshots go: PELLACORD_SHOTS, or the build's artefacts folder."""
    tools = os.path.dirname(os.environ["PELLACORD_WINTOOL"])
    return os.environ.get("PELLACORD_SHOTS") or os.path.join(os.path.dirname(tools), "artefacts")


class Screen:
    def __init__(self, bed, program):
        self.shots = shots_folder()
        self.bed = bed
        self.p = program
        self.layout = program.layout()
        self.button = program.centre("button")
        self.taskbar = bed.taskbar()

    def shot(self, name):
        return self.bed.screenshot(os.path.join(self.shots, name))

    def tray_icon(self, colour, name):
        """The tray icon's centre on the screen when it shows this colour, else None. The
        notification area is the right end of the taskbar."""
        top, bottom = self.taskbar
        spots = find_colour(self.shot(name), colour, top, bottom, left=self.bed.screen[0] - 280)
        return centre(spots) if len(spots) >= 4 else None

    def wait_tray(self, colour, name, timeout=10):
        return poll(lambda: self.tray_icon(colour, name), timeout, 0.5)

    def client_colour(self, x, y, name):
        w, h, data = read_ppm(self.shot(name))
        sx, sy = self.p.screen(x, y)
        return colour_at(data, w, sx, sy)


def wait_log(p, text, timeout, after=0):
    return poll(lambda: p.log_text().find(text, after) >= 0, timeout, 0.5)


def tray_menu(bed, s, colour, keys, check):
    icon = s.wait_tray(colour, "tray-for-menu.png")
    if not check(icon is not None, "no tray icon for the menu"):
        return
    bed.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "3")
    menu = poll(lambda: bed.find_window("#32768"), 5, 0.2)
    check(menu is not None, "the tray menu did not open")
    bed.xdotool("key", *keys)


def set_theme(bed, light):
    subprocess.run(["wine", "reg", "add", THEME_KEY, "/v", "AppsUseLightTheme", "/t", "REG_DWORD", "/d", str(light),
                    "/f"], env=bed.env, capture_output=True)
    bed.tool("broadcast", "settings")


def resources(bed, pid):
    """GDI objects, USER objects and handles as Windows counts them (Wine reports 0)."""
    rc, out = bed.tool("resources", str(pid))
    return tuple(int(v) for v in out.split()) if rc == 0 else None


def resident_kb(folder):
    """Resident memory of the Wine process running the exe in this folder, from Linux.
    Under Wine the GDI objects live in the process, so a leaked bitmap, brush or pen shows
    here even where Windows' own counters read 0."""
    out = subprocess.run(["pgrep", "-f", os.path.basename(folder) + r".Pellacord\.exe"], capture_output=True,
                         text=True).stdout.split()
    for pid in out:
        try:
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
    return None


APP_TITLE = "Busy App"


def start_app(bed, schedule, depth):
    """The busy app: a tree of `depth` + 1 processes working to `schedule`, held in a job."""
    return bed.helper("busytree.exe", str(depth), schedule, "240000", APP_TITLE)


def start_both(bed, p, schedule, depth, check):
    """Pellacord first, so the desktop process Wine starts with the first window is not a child
    of the watched app; then the app, and "Refresh" to list it."""
    check(p.start() is not None, "Pellacord's window did not appear")
    app = start_app(bed, schedule, depth)
    busy = bed.wait_window("BusyTree", 20000)
    check(busy is not None, "the busy app's window did not appear")
    s = Screen(bed, p)
    p.refresh()
    check(poll(lambda: p.bed.tool("row", APP_TITLE, str(p.win["pid"]))[0] == 0, 5, 0.2), "the app is not listed")
    return app, busy, s


def select_app(p, check):
    """Clicks the busy app's row, wherever the list shows it."""
    check(poll(lambda: p.select(APP_TITLE) is not None, 5, 0.3), "the busy app's row could not be clicked")
