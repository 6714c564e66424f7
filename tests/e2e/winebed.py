"""The Wine test bed as seen from an end-to-end test: the harness's environment, running
Windows programs and helpers, the Windows-side tool, the window's geometry, screenshots and
pixels."""
import os
import shlex
import subprocess
import sys
import time

ROOT = os.environ.get("PELLACORD_ROOT") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
HARNESS = os.path.join(ROOT, "tools", "wine-harness.sh")
# The window's geometry and colours, written by Pellacord's own code at build time.
sys.path.insert(0, os.path.join(ROOT, "build", "windows", "tests", "generated"))
import pellacord_constants as K  # noqa: E402


def environment():
    """Starts the harness if needed and returns the environment Wine programs run in."""
    subprocess.run([HARNESS, "start"], check=True)
    out = subprocess.run([HARNESS, "env"], check=True, capture_output=True, text=True).stdout
    env = dict(os.environ)
    for line in out.splitlines():
        for part in shlex.split(line):
            if "=" in part and part != "export":
                key, value = part.split("=", 1)
                env[key] = value
    return env


def windows_path(path):
    """A Linux path as Wine's Z: drive names it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Switch:
    """A file that turns a busytree helper's work on and off (its schedule "@PATH"): the test
    switches when it has seen what it waits for, so no phase of the helper has to line up with
    the program's averaging, its wait or the machine's speed."""

    def __init__(self, path, on=True):
        self.path = path
        os.makedirs(os.path.dirname(path), exist_ok=True)
        self.on() if on else self.off()

    @property
    def schedule(self):
        return "@" + windows_path(self.path)

    def on(self):
        with open(self.path, "wb"):
            pass

    def off(self):
        try:
            os.remove(self.path)
        except FileNotFoundError:
            pass


class Helper:
    """A helper program and everything it starts, in a job that ends them all when this helper
    is ended, or when the test that started it ends in any way (its pipe to the job closes)."""

    def __init__(self, bed, exe, *args):
        self.proc = subprocess.Popen(["wine", bed.wintool, "job", windows_path(exe), *args], env=bed.env,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     text=True)
        line = self.proc.stdout.readline().strip()
        self.pid = int(line) if line.isdigit() else None

    def end(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Bed:
    def __init__(self):
        self.env = environment()
        self.wintool = os.environ.get("PELLACORD_WINTOOL")
        self.screen = tuple(int(v) for v in self.env["PELLACORD_DESKTOP"].split("x"))

    def helper(self, name, *args):
        """Starts a helper program built beside the Windows-side tool, in a job of its own."""
        return Helper(self, os.path.join(os.path.dirname(self.wintool), name), *args)

    def taskbar(self):
        """The rows of the screen below the work area: the taskbar with the notification area."""
        if not hasattr(self, "_taskbar"):
            _, _, _, bottom = (int(v) for v in self.tool("workarea")[1].split())
            self._taskbar = (bottom, self.screen[1])
        return self._taskbar

    def start(self, exe, *args, cwd=None, extra_env=None):
        env = dict(self.env, **(extra_env or {}))
        return subprocess.Popen(["wine", exe, *args], env=env, cwd=cwd,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def run(self, exe, *args, timeout=60):
        return subprocess.run(["wine", exe, *args], env=self.env, capture_output=True, text=True,
                              timeout=timeout, stdin=subprocess.DEVNULL)

    def tool(self, *args, timeout=60):
        """Runs the Windows-side helper; returns (exit code, stdout)."""
        r = self.run(self.wintool, *args, timeout=timeout)
        return r.returncode, r.stdout.strip()

    def wait_window(self, cls, timeout_ms=20000):
        """Waits for a visible top-level window; returns dict(hwnd, pid, x, y, w, h) or None."""
        rc, out = self.tool("wait", cls, str(timeout_ms), timeout=timeout_ms / 1000 + 30)
        if rc != 0:
            return None
        return parse_window(out)

    def find_window(self, cls):
        rc, out = self.tool("find", cls)
        return parse_window(out) if rc == 0 else None

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path], check=True)
        return path


def parse_window(line):
    v = [int(x) for x in line.split()]
    return dict(hwnd=v[0], pid=v[1], x=v[2], y=v[3], w=v[4], h=v[5], left=v[6], top=v[7], right=v[8], bottom=v[9])


def wait_exit(proc, timeout):
    """Waits for a process; returns its exit code, or None if it did not end in time (it is
    then killed, so a failing test never leaves it behind)."""
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        return None


def poll(predicate, timeout, interval=0.1):
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= end:
            return value
        time.sleep(interval)


def read_ppm(path):
    """Reads a screenshot through ImageMagick as (width, height, bytes of RGB)."""
    data = subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout
    parts = data.split(b"\n", 3)
    w, h = (int(v) for v in parts[1].split())
    return w, h, parts[3]


class Checks:
    """Collects failed checks, so one run reports all of them."""

    def __init__(self):
        self.failures = []

    def __call__(self, condition, message):
        if not condition:
            self.failures.append(message)
            print("FAIL:", message, flush=True)
        return condition

    def finish(self, name):
        print(f"{name}: {len(self.failures)} failures")
        raise SystemExit(1 if self.failures else 0)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


class Program:
    """One run of Pellacord.exe from a folder of its own, so its log and settings are its own."""

    def __init__(self, bed, exe, folder, settings=None):
        import shutil
        self.bed = bed
        self.folder = folder
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.exe = os.path.join(folder, "Pellacord.exe")
        shutil.copy(exe, self.exe)
        self.log = os.path.join(folder, "Pellacord.log")
        self.ini = os.path.join(folder, "Pellacord.ini")
        if settings:
            with open(self.ini, "wb") as f:
                f.write(settings.encode())
        self.proc = None
        self.win = None

    def start(self, extra_env=None):
        self.proc = self.bed.start(self.exe, extra_env=extra_env)
        self.win = self.bed.wait_window("PellacordWindow", 30000)
        return self.win

    def layout(self, dpi=96):
        """The window's geometry, as Pellacord computes it for this client size."""
        for (d, _), layout in K.LAYOUTS.items():
            if d == dpi and layout["client"] == (self.win["w"], self.win["h"]):
                return layout
        raise AssertionError(f"no layout has the client size {self.win['w']} x {self.win['h']} at {dpi} dpi")

    def rows(self):
        layout = self.layout()
        top, bottom = layout["list"][1], layout["list"][3]
        return (bottom - top) // layout["row_height"]

    def centre(self, name):
        """The client point at the middle of one of the layout's rectangles."""
        left, top, right, bottom = self.layout()[name]
        return (left + right) // 2, (top + bottom) // 2

    def click_on(self, name, button="1"):
        self.click(*self.centre(name), button)

    def row_centre(self, row):
        layout = self.layout()
        left, top, right, _ = layout["list"]
        return (left + right) // 2, top + row * layout["row_height"] + layout["row_height"] // 2

    def refresh(self):
        """Clicks "Refresh" under the list."""
        self.click_on("refresh")

    def select(self, title):
        """Clicks the list row of the app titled `title`, found as Pellacord lists the open
        apps; returns the row, or None when it is not listed or not in view."""
        rc, out = self.bed.tool("row", title, str(self.win["pid"]))
        if rc != 0 or int(out) >= self.rows():
            return None
        row = int(out)
        self.click(*self.row_centre(row))
        return row

    def log_text(self):
        data = read(self.log) or b""
        return data.decode("utf-8", "replace")

    def visible(self):
        rc, _ = self.bed.tool("wait", "PellacordWindow", "100")
        return rc == 0

    def screen(self, x, y):
        """A client point of the main window on the screen."""
        return self.win["x"] + x, self.win["y"] + y

    def click(self, x, y, button="1"):
        sx, sy = self.screen(x, y)
        self.bed.xdotool("mousemove", str(sx), str(sy), "click", button)

    def end(self):
        if self.proc and self.proc.poll() is None:
            self.bed.tool("close", "PellacordWindow")
            if wait_exit(self.proc, 10) is None:
                self.proc.kill()


def colour_at(data, width, x, y):
    return tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])


def find_colour(path, colour, top, bottom, left=0, right=None):
    """Screen positions of exactly this colour in rows [top, bottom) of a screenshot."""
    w, h, data = read_ppm(path)
    right = w if right is None else right
    target = bytes(colour)
    found = []
    for y in range(max(0, top), min(h, bottom)):
        row = data[y * w * 3:(y + 1) * w * 3]
        for x in range(left, right):
            if row[x * 3:x * 3 + 3] == target:
                found.append((x, y))
    return found


def centre(points):
    n = max(1, len(points))
    return sum(x for x, _ in points) // n, sum(y for _, y in points) // n
