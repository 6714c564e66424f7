"""Starts Pellacord.exe in the headless test bed, waits for its window, saves a screenshot
and closes it again."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from winebed import Bed, wait_exit  # noqa: E402


def main():
    exe, out = sys.argv[1], sys.argv[2]
    bed = Bed()
    proc = bed.start(exe)
    win = bed.wait_window("PellacordWindow", 30000)
    if not win:
        proc.kill()
        sys.exit("Pellacord's window did not appear")
    shot = bed.screenshot(os.path.join(out, "pellacord.png"))
    print(f"Pellacord's window is {win['w']}x{win['h']} at {win['x']},{win['y']}")
    print(f"Screenshot: {shot}")
    bed.tool("close", "PellacordWindow")
    code = wait_exit(proc, 30)
    print(f"Pellacord exited with code {code}")
    sys.exit(0 if code == 0 else 1)


if __name__ == "__main__":
    main()
