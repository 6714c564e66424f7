"""The real Pellacord.exe keeps the lock through a job's quiet spell shorter than its wait,
whatever happens around it, under Wine with real input: the system clock set an hour ahead and
then back (by a libfaketime preload, while the interval clock runs on), a sleep and resume (the
power broadcasts Wine never sends, posted to the window), and a group policy that forbids
keeping the PC awake, which the watch's first lines name."""
import datetime
import os
import re
import subprocess
import sys

from scenario import APP_TITLE, start_app, wait_log
from winebed import Bed, Checks, Program, Switch, poll

EXE = sys.argv[1]
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
POLICY = r"HKLM\SOFTWARE\Policies\Microsoft\Power\PowerSettings\A4B195F5-8225-47D8-8012-9D41369786E2"
WM_POWERBROADCAST, PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC = 0x218, 4, 0x12
WM_COMMAND, IDM_EXIT = 0x111, 203
check = Checks()


def tick_lines(p):
    return [line for line in p.log_text().split("\r\n") if line[21:26] == "tick "]


def stamp(line):
    return datetime.datetime.strptime(line[:19], "%Y-%m-%d %H:%M:%S")


def set_policy(bed, value):
    for name in ("ACSettingIndex", "DCSettingIndex"):
        if value is None:
            args = ["delete", POLICY, "/v", name, "/f"]
        else:
            args = ["add", POLICY, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f"]
        subprocess.run(["wine", "reg", *args], env=bed.env, capture_output=True)


def quiet_seconds(line):
    m = re.search(r" quiet=(\d+)s ", line)
    return int(m.group(1)) if m else -1


def clock_steps(bed, p, clock_file):
    """In grace, with the default wait of ten minutes: an hour read off the system clock would
    count as quiet time and release the lock at once, and a step back must not stop the count."""
    for offset in (3600, -3600):
        before = tick_lines(p)
        with open(clock_file, "w") as f:
            f.write(f"{offset:+d}\n")
        check(poll(lambda: len(tick_lines(p)) >= len(before) + 4, 15, 0.5), f"ticks stopped after {offset:+d} s")
        after = tick_lines(p)[len(before):]
        shift = (stamp(after[-1]) - stamp(before[-1])).total_seconds()
        check(abs(shift - (offset - (0 if offset > 0 else 3600))) < 30,
              f"the program's clock did not move by {offset:+d} s: its log moved {shift:+.0f} s")
        for line in after:
            check(line.endswith("lock=held") and "-> grace (-)" in line, f"after {offset:+d} s: {line}")
        quiet = [quiet_seconds(line) for line in [before[-1]] + after]
        steps = [b - a for a, b in zip(quiet, quiet[1:])]
        # About a second a tick; a tick delayed by a loaded machine counts its real length.
        check(all(0 <= d <= 10 for d in steps) and quiet[-1] - quiet[0] >= 2,
              f"the quiet time after {offset:+d} s went {quiet}")


def sleep_and_resume(bed, p):
    bed.tool("post", "PellacordWindow", str(WM_POWERBROADCAST), str(PBT_APMSUSPEND), "0")
    check(wait_log(p, "  system suspending\r\n", 5), "no suspend line")
    bed.tool("post", "PellacordWindow", str(WM_POWERBROADCAST), str(PBT_APMRESUMEAUTOMATIC), "0")
    check(wait_log(p, "  system resumed; lock re-asserted\r\n", 5), "no resume line")
    resumed = p.log_text().find("system resumed")
    check(wait_log(p, "lock=held\r\n", 5, resumed), "no tick holding the lock after the resume")


def main():
    bed = Bed()
    # A limit of 10% against an app that burns a core, so it is BUSY however loaded the machine
    # is; then the app rests and the watch is in grace for the default wait of ten minutes.
    p = Program(bed, EXE, os.path.join(os.path.dirname(EXE), "e2e", "hold"), "cpu=100\r\n")
    clock_file = os.path.join(p.folder, "clock-offset")
    with open(clock_file, "w") as f:
        f.write("+0\n")
    work = Switch(os.path.join(p.folder, "work"))
    set_policy(bed, 0)
    app = None
    try:
        faketime = {"LD_PRELOAD": FAKETIME, "FAKETIME_TIMESTAMP_FILE": clock_file, "FAKETIME_NO_CACHE": "1",
                    "FAKETIME_DONT_FAKE_MONOTONIC": "1"}
        check(p.start(faketime) is not None, "Pellacord's window did not appear")
        app = start_app(bed, work.schedule, 0)
        check(bed.wait_window("BusyTree", 20000) is not None, "the busy app did not appear")
        p.refresh()
        check(poll(lambda: p.select(APP_TITLE) is not None, 5, 0.5), "the busy app is not listed")
        p.click_on("button")  # DON'T SLEEP
        check(wait_log(p, "  screen may still turn off\r\n", 10), "the watch did not start")
        header_end = p.log_text().find("  screen may still turn off\r\n")
        check(p.log_text().find("  note: a system policy stops programs from keeping this PC awake\r\n",
                                header_end) > header_end, "no policy note after the header")
        check(wait_log(p, "-> BUSY (cpu) quiet=0s lock=held", 10), "no BUSY tick holding the lock")
        work.off()
        check(wait_log(p, "  ^ state changed: BUSY -> grace", 20), "the app's rest was not seen")
        check(poll(lambda: quiet_seconds(tick_lines(p)[-1]) >= 2, 10, 0.5), "no quiet time counted")
        clock_steps(bed, p, clock_file)
        sleep_and_resume(bed, p)
    finally:
        set_policy(bed, None)
        bed.tool("post", "PellacordWindow", str(WM_COMMAND), str(IDM_EXIT), "0")
        p.end()
        if app:
            app.end()
    check.finish("hold")


if __name__ == "__main__":
    main()
