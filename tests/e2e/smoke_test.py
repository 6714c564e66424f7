"""The real Pellacord.exe under Wine: it opens its window, draws, and exits 0 when closed."""
import os
import sys

from winebed import Bed, read_ppm, wait_exit

def main():
    exe = sys.argv[1]
    bed = Bed()
    proc = bed.start(exe)
    try:
        win = bed.wait_window("PellacordWindow", 30000)
        assert win, "no visible PellacordWindow"
        assert win["w"] > 0 and win["h"] > 0, win
        shot = bed.screenshot(os.path.join(os.path.dirname(exe), "artefacts", "smoke.png"))
        w, h, pixels = read_ppm(shot)
        assert (w, h) == bed.screen, (w, h)
        # The client area is drawn: its centre pixel is not the desktop's background.
        cx, cy = win["x"] + win["w"] // 2, win["y"] + win["h"] // 2
        desktop = pixels[((h - 60) * w + w - 60) * 3:((h - 60) * w + w - 60) * 3 + 3]
        centre = pixels[(cy * w + cx) * 3:(cy * w + cx) * 3 + 3]
        assert centre != desktop, (centre, desktop)
        rc, _ = bed.tool("close", "PellacordWindow")
        assert rc == 0, "close failed"
        code = wait_exit(proc, 30)
        assert code == 0, f"exit code {code}"
        print(f"smoke: window {win['w']}x{win['h']} at {win['x']},{win['y']}; screenshot {shot}; exit 0")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()

if __name__ == "__main__":
    main()
