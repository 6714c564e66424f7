"""Whole-process figures of Pellacord.exe under Wine, each beside a do-nothing Win32 window
program built the same way (tests/support/baseline_win.cpp):
  - the executable's size;
  - the time from process start to the window being visible (median of 3);
  - CPU seconds used over 60 s, Pellacord watching a 50-process tree;
  - peak resident memory over that run.
Run it with: bash tools/perf.sh"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from scenario import start_both, stop_busy_apps  # noqa: E402
from winebed import Bed, Checks, Program, poll, wait_exit  # noqa: E402

BUILD = sys.argv[1]
PELLACORD = os.path.join(BUILD, "Pellacord.exe")
BASELINE = os.path.join(BUILD, "tests", "baseline.exe")
WATCH_SECONDS = int(os.environ.get("PELLACORD_PERF_SECONDS", "60"))
TICK = os.sysconf("SC_CLK_TCK")


def linux_pid(exe):
    name = os.path.basename(exe)
    for pid in subprocess.run(["pgrep", "-f", name], capture_output=True, text=True).stdout.split():
        try:
            with open(f"/proc/{pid}/stat") as f:
                if f.read().split()[2] != "Z":
                    return int(pid)
        except OSError:
            pass
    return None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def peak_rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def time_to_window(bed, exe, cls):
    """Seconds from starting exe to its window being visible, seen by a watcher started first."""
    watcher = subprocess.Popen(["wine", bed.wintool, "wait", cls, "30000"], env=bed.env, stdout=subprocess.PIPE,
                               text=True)
    time.sleep(1.5)  # the watcher is up and polling
    start = time.monotonic()
    proc = bed.start(exe)
    watcher.stdout.readline()
    took = time.monotonic() - start
    watcher.wait()
    return took, proc


def close(bed, proc, cls):
    bed.tool("close", cls)
    if wait_exit(proc, 10) is None:
        proc.kill()


def main():
    bed = Bed()
    check = Checks()
    rows = []

    sizes = (os.path.getsize(PELLACORD), os.path.getsize(BASELINE))
    rows.append(("executable size (bytes)", sizes[0], sizes[1]))

    starts = {"p": [], "b": []}
    for _ in range(3):
        for key, exe, cls in (("p", PELLACORD, "PellacordWindow"), ("b", BASELINE, "BaselineWindow")):
            took, proc = time_to_window(bed, exe, cls)
            starts[key].append(took)
            close(bed, proc, cls)
    rows.append(("start to visible window (s, median of 3)", statistics.median(starts["p"]),
                 statistics.median(starts["b"])))

    # Pellacord watching a 50-process tree (idle, so the tree itself adds no CPU to the machine).
    p = Program(bed, PELLACORD, os.path.join(BUILD, "perf", "pellacord"))
    app, _, s = start_both(bed, p, "0", 49, check)
    poll(lambda: False, 3)  # the chain of 50 has started
    p.click(200, 78)
    p.click(*s.button)
    time.sleep(2)
    pid = linux_pid(p.exe)
    c0 = cpu_seconds(pid)
    time.sleep(WATCH_SECONDS)
    pellacord_cpu = cpu_seconds(pid) - c0
    pellacord_rss = peak_rss_kb(pid)
    ticks = p.log_text().count("tick procs=50 ")
    app.kill()
    stop_busy_apps(bed)
    poll(p.visible, 10, 0.3)
    p.end()

    base = bed.start(BASELINE)
    bed.wait_window("BaselineWindow", 30000)
    bpid = linux_pid(BASELINE)
    b0 = cpu_seconds(bpid)
    time.sleep(WATCH_SECONDS)
    base_cpu = cpu_seconds(bpid) - b0
    base_rss = peak_rss_kb(bpid)
    close(bed, base, "BaselineWindow")

    rows.append((f"CPU seconds over {WATCH_SECONDS} s (Pellacord watching 50 processes)", pellacord_cpu, base_cpu))
    rows.append(("peak resident memory (KB)", pellacord_rss, base_rss))
    print(f"\n{ticks} tick lines with procs=50 during the watch\n")
    print("| figure | Pellacord | baseline | ratio |")
    print("|---|---|---|---|")
    for name, a, b in rows:
        ratio = f"{a / b:.2f}x" if b else "-"
        fa = f"{a:.3f}" if isinstance(a, float) else str(a)
        fb = f"{b:.3f}" if isinstance(b, float) else str(b)
        print(f"| {name} | {fa} | {fb} | {ratio} |")
    check.finish("perf")


if __name__ == "__main__":
    main()
