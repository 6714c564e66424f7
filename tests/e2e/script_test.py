"""Pellacord.exe driven from scripts, under Wine with real input: usage errors that start
nothing, --help and --version, a watch by title that exits when the work is done without ever
showing the window, a sleep countdown called off by new work, commands handed to the running
copy (--watch PID, a missing title, --release, --exit), a wait for an image that is not running
yet with the tray submenu choosing "Exit Pellacord", and a --run of a short job."""
import os
import re
import shutil
import subprocess
import sys

from scenario import GREEN, GREY, wait_log
from winebed import K, Bed, Checks, Program, Switch, centre, find_colour, poll, wait_exit, windows_path

EXE = sys.argv[1]
BUILD = os.path.dirname(EXE)
TITLE = "Render Job"
check = Checks()


def folder(name):
    return os.path.join(BUILD, "e2e", "script", name)


def run(bed, p, *args, timeout=60, cwd=None, extra_env=None):
    """A copy that is expected to end by itself: returns (exit code, stdout, stderr)."""
    r = subprocess.run(["wine", p.exe, *args], env=dict(bed.env, **(extra_env or {})), capture_output=True, text=True,
                       timeout=timeout, stdin=subprocess.DEVNULL, cwd=cwd)
    return r.returncode, r.stdout, r.stderr


def start(bed, p, *args, cwd=None):
    """A first copy that keeps running."""
    p.proc = subprocess.Popen(["wine", p.exe, *args], env=bed.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, cwd=cwd)
    return p.proc


def shown(bed):
    return bed.tool("wait", "PellacordWindow", "0")[0] == 0


def lines(p):
    """The log's texts without their time stamps."""
    return [line[21:] for line in p.log_text().split("\r\n") if len(line) > 21]


def in_order(haystack, needles):
    """True when every needle is a line of haystack, each after the one before."""
    at = 0
    for needle in needles:
        try:
            at = haystack.index(needle, at) + 1
        except ValueError:
            return False
    return True


def tray_icon(bed, colour):
    top, bottom = bed.taskbar()
    shot = bed.screenshot(os.path.join(folder("shots"), "tray.png"))
    spots = find_colour(shot, colour, top, bottom, left=bed.screen[0] - 280)
    return centre(spots) if len(spots) >= 4 else None


def usage_errors_start_nothing(bed):
    cases = [
        (["--frobnicate"], 'unknown option "--frobnicate"'),
        (["--watch"], "--watch needs a value"),
        (["--watch", TITLE, "--cpu", "3%"], "--cpu takes a value from 5.0% to 400.0%, not 3%"),
        (["--watch", TITLE, "--wait", "10h"], "--wait needs a value such as 10m"),
        (["--watch", "--cpu", "20%"], "--watch needs a value"),
        (["--run", "x.exe", "--then", "reboot"], "--then takes sleep, hibernate, shutdown, exit or none"),
        (["--release", "--exit"], "cannot be given with other options"),
    ]
    for args, message in cases:
        p = Program(bed, EXE, folder("usage"))
        rc, out, err = run(bed, p, *args)
        check(rc == 2, f"{args}: exit code {rc}, not 2")
        check(message in err, f"{args}: the error does not say {message!r}: {err!r}")
        check(out == "", f"{args}: wrote to standard output: {out!r}")
        check(sorted(os.listdir(p.folder)) == ["Pellacord.exe"], f"{args}: files written: {os.listdir(p.folder)}")
    p = Program(bed, EXE, folder("usage"))
    rc, out, _ = run(bed, p, "--help")
    check(rc == 0 and "--watch TARGET" in out and "--then ACTION" in out, f"--help: {rc} {out[:200]!r}")
    with open(os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(__file__))), "CMakeLists.txt")) as f:
        version = re.search(r"project\(Pellacord VERSION ([0-9.]+)", f.read()).group(1)
    rc, out, _ = run(bed, p, "--version")
    check(rc == 0 and out.strip() == f"Pellacord {version}", f"--version: {rc} {out!r}, not Pellacord {version}")
    # Nothing runs: --release and --exit have nothing to do; a missing title is not found.
    check(run(bed, p, "--release")[0] == 0, "--release with no copy running did not exit 0")
    check(run(bed, p, "--exit")[0] == 0, "--exit with no copy running did not exit 0")
    rc, _, err = run(bed, p, "--watch", "No Such Window Title")
    check(rc == 3, f"a missing title exited {rc}, not 3")
    check('no open app\'s title contains "No Such Window Title"' in err, f"a missing title: {err!r}")
    check(sorted(os.listdir(p.folder)) == ["Pellacord.exe", "Pellacord.log"], "a missing title left other files")
    check(not bed.tool("mutex")[0] == 0, "a copy that found nothing still holds the single-instance name")


def watch_until_done(bed):
    """--watch TITLE --wait 30s --then exit: busy, quiet, IDLE, exit 0; the window never shows."""
    p = Program(bed, EXE, folder("done"))
    work = Switch(os.path.join(p.folder, "work"))
    app = bed.helper("busytree.exe", "1", work.schedule, "240000", TITLE)
    try:
        check(bed.wait_window("BusyTree", 20000) is not None, "the app's window did not appear")
        start(bed, p, "--watch", "render JOB", "--wait", "30s", "--then", "exit")
        check(wait_log(p, "watching: " + TITLE, 20), "the watch did not start")
        never = [not shown(bed)]
        check(wait_log(p, "-> BUSY (cpu) quiet=0s lock=held", 15), "no BUSY tick line")
        never.append(not shown(bed))
        work.off()
        check(wait_log(p, "  ^ state changed: BUSY -> grace", 20), "the work did not stop")
        never.append(not shown(bed))
        code = wait_exit(p.proc, 60)
        check(code == 0, f"the copy ended with {code}, not 0")
        check(all(never), "the window showed during a watch started from the command line")
        log = lines(p)
        check("  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 30s" in log,
              "the thresholds line does not show this watch's wait")
        # On mains, with no policy, no override and no battery floor, a watch begins with the
        # lines it always began with, and no note.
        first = log.index("watching: " + TITLE)
        ticks = [i for i, line in enumerate(log) if line.startswith("tick ")]
        check(bool(ticks) and log[first:ticks[0]] == [
            "watching: " + TITLE, f"  pid {app.pid}, plus every process it spawns", "  image: busytree.exe",
            "  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 30s",
            "  screen may still turn off", "  when finished: exit Pellacord"],
              "the watch's first lines:\n" + "\n".join(log[first:first + 8]))
        check("  when finished: exit Pellacord" in log, "no line naming the finished action")
        check(in_order(log, ["  ^ state changed: grace -> IDLE", "finished: exiting", "stopped watching; lock released",
                             "Pellacord exited; lock released"]), "the end of the log:\n" + "\n".join(log[-6:]))
        check(not os.path.exists(p.ini), "a watch's own limits were written to Pellacord.ini")
    finally:
        p.end()
        app.end()


def countdown_and_handover(bed):
    """--then sleep: the countdown starts at IDLE and new work calls it off. Then commands
    handed to this running copy: --watch PID, a missing title, --release and --exit."""
    p = Program(bed, EXE, folder("countdown"))
    work = Switch(os.path.join(p.folder, "work"))
    app = bed.helper("busytree.exe", "0", work.schedule, "240000", TITLE)
    other = None
    try:
        check(bed.wait_window("BusyTree", 20000) is not None, "the app's window did not appear")
        start(bed, p, "--watch", TITLE, "--cpu", "10%", "--wait", "30s", "--then", "sleep")
        check(wait_log(p, "-> BUSY (cpu)", 20), "the work was not seen")
        work.off()
        # The average falls under the limit within five ticks, then the 30 s wait.
        check(wait_log(p, "work finished; sleeping the PC in 60 s", 90), "no countdown at IDLE")
        work.on()
        check(wait_log(p, "finished action cancelled: busy again", 20), "new work did not call the countdown off")
        check("finished: sleeping the PC" not in lines(p), "the PC was put to sleep")

        other = bed.helper("busytree.exe", "0", "600000", "240000")  # without a window
        rc, _, err = run(bed, p, "--watch", str(other.pid), "--cpu", "50%")
        check(rc == 0, f"a second copy given --watch PID exited {rc}: {err!r}")
        check(wait_log(p, f"  pid {other.pid}, plus every process it spawns", 5), "the first copy did not watch the pid")
        log = lines(p)
        check(in_order(log, [f"command: --watch {other.pid} --cpu 50%", "stopped watching; lock released",
                             "watching: busytree.exe", "  image: busytree.exe"]), "the hand-over's lines")
        check("finished action cancelled" not in log[-8:], "an action of the first watch carried over")

        rc, _, err = run(bed, p, "--watch", "No Such Window Title")
        check(rc == 3 and "No Such Window Title" in err, f"a missing title handed over: {rc} {err!r}")
        check(wait_log(p, "  command failed: no open app's title contains", 5), "the failure is not logged")
        check(p.proc.poll() is None and "stopped watching" not in lines(p)[-3:], "a failed command ended the watch")

        rc, _, _ = run(bed, p, "--release")
        check(rc == 0, f"--release exited {rc}")
        check(in_order(lines(p), ["command: --release", "stopped watching; lock released"]), "--release did not stop")
        check(not shown(bed), "--release showed the window")
        rc, _, _ = run(bed, p, "--exit")
        check(rc == 0, f"--exit exited {rc}")
        check(wait_exit(p.proc, 15) == 0, "--exit did not end the first copy with 0")
        check(lines(p)[-1] == "Pellacord exited; lock released", "the log does not end with the exit line")
    finally:
        p.end()
        app.end()
        if other:
            other.end()


def wait_for_image_then_tray_exit(bed):
    """--watch busytree.exe before it runs: it waits with a grey icon and attaches when the app
    starts. The tray submenu's "Exit Pellacord", then the app's exit, ends Pellacord."""
    p = Program(bed, EXE, folder("image"))
    app = None
    try:
        start(bed, p, "--watch", "BUSYTREE.EXE", "--cpu", "10%")
        check(wait_log(p, "waiting for BUSYTREE.EXE to start", 20), "no waiting line")
        check(poll(lambda: tray_icon(bed, GREY), 10, 0.5), "no grey tray icon while waiting")
        check("tick " not in p.log_text(), "tick lines while nothing runs")
        app = bed.helper("busytree.exe", "0", "600000", "240000", TITLE)
        check(wait_log(p, "watching: ", 15), "the app was not watched once it started")
        check(f"  pid {app.pid}, plus every process it spawns" in lines(p), "it watches another process")
        icon = poll(lambda: tray_icon(bed, GREEN), 10, 0.5)
        if check(icon is not None, "no green tray icon while the app works"):
            # Shown first: Wine gives a hidden window's menu no keyboard.
            bed.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "1")
            check(poll(lambda: shown(bed), 5, 0.2), "a tray click did not show the window")
            bed.xdotool("mousemove", str(icon[0]), str(icon[1]), "click", "3")
            check(poll(lambda: bed.find_window("#32768"), 5, 0.2), "the tray menu did not open")
            # Show Pellacord, Release the lock, When finished > Do nothing ... Exit Pellacord.
            bed.xdotool("key", "Down", "Down", "Down", "Right", "Down", "Down", "Down", "Down", "Return")
        check(wait_log(p, "when finished: exit Pellacord", 5), "the submenu's choice is not logged")
        check(p.proc.poll() is None, "Pellacord exited before the work was finished")
        app.end()
        check(wait_exit(p.proc, 15) == 0, "the app's exit did not end Pellacord with 0")
        check(in_order(lines(p), ["the watched process exited", "stopped watching; lock released", "finished: exiting"]),
              "the end of the log:\n" + "\n".join(lines(p)[-5:]))
    finally:
        p.end()
        if app:
            app.end()


DEFAULT_SETTINGS = ("# Pellacord settings. Delete this file to go back to the defaults.\r\n"
                    "# cpu is permille of one core, disk and net are bytes per second,\r\n"
                    "# mem is page faults per second, wait is milliseconds.\r\n"
                    "cpu=200\r\ndisk=1048576\r\nnet=2048\r\nmem=3000\r\nwait=600000\r\ndisplay=0\r\n")


def run_a_job(bed):
    """--run of a helper that works for three seconds and exits: the watch ends with it. Its
    battery floor is this watch's own: shown with the thresholds, never written to the file."""
    p = Program(bed, EXE, folder("run"), settings=DEFAULT_SETTINGS)
    job = windows_path(os.path.join(os.path.dirname(bed.wintool), "busytree.exe"))
    rc, out, err = run(bed, p, "--run", f'"{job}" 0 3000 6000', "--cpu", "10%", "--wait", "45s", "--battery", "20%",
                       "--then", "exit", timeout=60)
    check(rc == 0, f"--run exited {rc}: {err!r}")
    log = lines(p)
    check("  thresholds: cpu 100 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 45s | "
          "battery 20%" in log, "the thresholds line does not show the battery floor")
    with open(p.ini, "rb") as f:
        check(f.read() == DEFAULT_SETTINGS.encode(), "the watch's battery floor reached Pellacord.ini")
    check(in_order(log, ["watching: busytree.exe", "  when finished: exit Pellacord"]), "the run was not watched")
    check(any("-> BUSY (cpu)" in line for line in log), "no BUSY tick while the job worked")
    check(in_order(log, ["the watched process exited", "finished: exiting", "Pellacord exited; lock released"]),
          "the end of the log:\n" + "\n".join(log[-5:]))
    p2 = Program(bed, EXE, folder("run-missing"))
    rc, _, err = run(bed, p2, "--run", "no-such-program-anywhere.exe")
    check(rc == 3 and 'could not start "no-such-program-anywhere.exe": error 2' in err, f"a missing program: {rc} {err!r}")
    check(sorted(os.listdir(p2.folder)) == ["Pellacord.exe"], "a --run that failed to start left files")


def run_tools_builds_use(bed):
    """--run finds a batch file in the current folder and on PATH through PATHEXT, runs it
    through the command processor and watches what it starts; an unquoted path with a blank is
    refused before anything starts."""
    busytree = windows_path(os.path.join(os.path.dirname(bed.wintool), "busytree.exe"))
    p = Program(bed, EXE, folder("run-cmd"))
    with open(os.path.join(p.folder, "job.cmd"), "w", newline="") as f:
        f.write(f'@"{busytree}" 0 3000 6000\r\n')
    rc, _, err = run(bed, p, "--run", "job.cmd", "--cpu", "10%", "--wait", "45s", "--then", "exit", cwd=p.folder,
                     timeout=90)
    check(rc == 0, f"--run job.cmd exited {rc}: {err!r}")
    log = lines(p)
    check(in_order(log, ["watching: cmd.exe", "  image: cmd.exe"]), "the batch file did not run through cmd.exe")
    # cmd.exe, the program it started, and any console host the system gave them.
    check(any("-> BUSY (cpu)" in line and re.match(r"tick procs=[2-9] ", line) for line in log),
          "the program the batch file started was not watched working")
    check(in_order(log, ["the watched process exited", "finished: exiting"]), "the end of the log:\n" + "\n".join(log[-4:]))

    tools = os.path.join(folder("run-path"), "tools")
    p = Program(bed, EXE, folder("run-path"))
    os.makedirs(tools)
    with open(os.path.join(tools, "npmlike.cmd"), "w", newline="") as f:
        f.write(f'@"{busytree}" 0 0 1000\r\n')
    rc, _, err = run(bed, p, "--run", "npmlike run build", "--then", "exit", extra_env={"WINEPATH": windows_path(tools)},
                     timeout=90)
    check(rc == 0, f"--run of a batch file on PATH exited {rc}: {err!r}")
    check("watching: cmd.exe" in lines(p), "the batch file on PATH was not watched")

    p = Program(bed, EXE, folder("run-blank"))
    spaced = os.path.join(p.folder, "With Space")
    os.makedirs(spaced)
    shutil.copy(os.path.join(os.path.dirname(bed.wintool), "busytree.exe"), spaced)
    rc, _, err = run(bed, p, "--run", windows_path(os.path.join(spaced, "busytree.exe")) + " 0 0 100")
    check(rc == 2 and "quote it" in err, f"an unquoted path with a blank: {rc} {err!r}")
    check(sorted(os.listdir(p.folder)) == ["Pellacord.exe", "With Space"], "a refused --run left files")


def helper_path(name):
    return windows_path(os.path.join(os.path.dirname(os.environ["PELLACORD_WINTOOL"]), name))


def a_job_is_finished_when_it_ends(bed):
    """--run of a script of three steps: work, a quiet step longer than the wait, work, then
    exit code 7. The lock goes in the quiet step and comes back for the last; the work is
    finished only when the script has ended, and Pellacord exits with the script's code."""
    p = Program(bed, EXE, folder("job-steps"))
    step = {name: Switch(os.path.join(p.folder, name)) for name in ("work1", "life1", "quiet", "work3", "life3")}
    busytree = helper_path("busytree.exe")
    with open(os.path.join(p.folder, "job.cmd"), "w", newline="") as f:
        f.write(f'@"{busytree}" 0 {step["work1"].schedule} {step["life1"].schedule}\r\n'
                f'@"{busytree}" 0 0 {step["quiet"].schedule}\r\n'
                f'@"{busytree}" 0 {step["work3"].schedule} {step["life3"].schedule}\r\n'
                f'@exit /b 7\r\n')
    try:
        start(bed, p, "--run", "job.cmd", "--cpu", "10%", "--wait", "30s", "--then", "exit", cwd=p.folder)
        check(wait_log(p, "-> BUSY (cpu)", 30), "the first step was not seen working")
        step["life1"].off()
        # Five ticks for the average to fall, then the 30 s wait.
        check(wait_log(p, "  ^ state changed: grace -> IDLE", 90), "the quiet step did not reach IDLE")
        check(wait_log(p, "lock=off", 5), "the lock was not released in the quiet step")
        check(p.proc.poll() is None and "finished: exiting" not in lines(p), "the quiet step finished the job")
        step["quiet"].off()
        check(wait_log(p, "  ^ state changed: IDLE -> BUSY", 30), "the last step did not hold the lock again")
        step["life3"].off()
        code = wait_exit(p.proc, 60)
        check(code == 7, f"Pellacord exited with {code}, not the script's 7")
        log = lines(p)
        check(in_order(log, ["  ^ state changed: grace -> IDLE", "  ^ state changed: IDLE -> BUSY",
                             "the watched process exited", "finished: exiting", "Pellacord exited; lock released"]),
              "the end of the log:\n" + "\n".join(log[-6:]))
    finally:
        p.end()


def a_launcher_that_ends_at_once(bed):
    """--run "cmd /c start ..." ends its launcher at once; the watch goes on with the worker it
    started, BUSY, until the worker ends."""
    p = Program(bed, EXE, folder("launcher"))
    life = Switch(os.path.join(p.folder, "life"))
    busytree = helper_path("busytree.exe")
    try:
        start(bed, p, "--run", f'cmd /c start "" "{busytree}" 0 600000 {life.schedule}', "--cpu", "10%", "--then", "exit")
        check(wait_log(p, "processes it started still run", 30), "the launcher's exit was not seen")
        check(wait_log(p, "-> BUSY (cpu)", 20), "the worker was not watched working")
        after = p.log_text().find("processes it started still run")
        check(poll(lambda: p.log_text().count("-> BUSY (cpu)", after) >= 3, 15, 0.5), "the watch did not stay BUSY")
        check(p.proc.poll() is None, "the launcher's exit ended the watch")
        life.off()
        check(wait_exit(p.proc, 30) == 0, "the worker's end did not end the watch with the launcher's code")
    finally:
        p.end()


def a_grandchild_whose_parent_exits_at_once(bed):
    """The middle process of a chain exits before the first tick: its child is counted all the
    same (it is in the command's job)."""
    p = Program(bed, EXE, folder("grandchild"))
    rc, _, err = run(bed, p, "--run", f'"{helper_path("spawner.exe")}" chain 6000 0', "--cpu", "10%", "--then",
                     "exit", timeout=90)
    check(rc == 0, f"--run of the chain exited {rc}: {err!r}")
    check(any(re.match(r"tick procs=2 .*-> BUSY \(cpu\)", line) for line in lines(p)),
          "the grandchild's work was not counted:\n" + "\n".join(lines(p)[-6:]))


def commands_that_arrive_together(bed):
    """Two copies hand their commands over at the same moment, ten times: each watch has its own
    options, each command runs whole before the next, and each copy gets its own answer."""
    p = Program(bed, EXE, folder("together"))
    apps = [bed.helper("busytree.exe", "0", "0", "240000", title) for title in ("Alpha App", "Beta App")]
    try:
        for title in ("Alpha App", "Beta App"):
            check(poll(lambda: bed.tool("row", title, "0")[0] == 0, 20, 0.3), f"{title} did not appear")
        start(bed, p)
        check(bed.wait_window("PellacordWindow", 30000) is not None, "the first copy did not start")
        for _ in range(10):
            copies = [subprocess.Popen(["wine", p.exe, *args], env=bed.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                      for args in (["--watch", "Alpha App", "--screen"], ["--watch", "Beta App", "--then", "exit"])]
            codes = [wait_exit(c, 60) for c in copies]
            check(codes == [0, 0], f"the copies answered {codes}")
        log = lines(p)
        commands = [i for i, line in enumerate(log) if line.startswith("command: ")]
        check(len(commands) == 20, f"{len(commands)} commands logged, not 20")
        for at, end in zip(commands, commands[1:] + [len(log)]):
            block = log[at:end]
            alpha = "Alpha" in block[0]
            title = "watching: Alpha App" if alpha else "watching: Beta App"
            check(title in block, f"{block[0]!r} watched something else: {block}")
            check(("  screen will be kept on too" in block) == alpha, f"{block[0]!r}: the screen option of another")
            check(("  when finished: exit Pellacord" in block) == (not alpha), f"{block[0]!r}: --then of another")
    finally:
        p.end()
        for a in apps:
            a.end()


def main():
    bed = Bed()
    usage_errors_start_nothing(bed)
    watch_until_done(bed)
    countdown_and_handover(bed)
    wait_for_image_then_tray_exit(bed)
    run_a_job(bed)
    run_tools_builds_use(bed)
    a_job_is_finished_when_it_ends(bed)
    a_launcher_that_ends_at_once(bed)
    a_grandchild_whose_parent_exits_at_once(bed)
    commands_that_arrive_together(bed)
    check.finish("script")


if __name__ == "__main__":
    main()
