"""Standing rules with the real Pellacord.exe under Wine: --rule saves a rule for a copy of the
busy helper under an image name of its own; Pellacord started with --tray watches it without a
click when it starts (BUSY with the lock held, IDLE after the wait), arms again after it exits
and watches a second run; two rule images working at once each hold their own lock until both
are quiet; --forget from a second copy stops the arming."""
import os
import shutil
import subprocess
import sys

from scenario import wait_log
from winebed import Bed, Checks, Helper, Program, Switch, poll, wait_exit

EXE = sys.argv[1]
BUILD = os.path.dirname(EXE)
check = Checks()


def run(bed, p, *args, timeout=60):
    r = subprocess.run(["wine", p.exe, *args], env=bed.env, capture_output=True, text=True, timeout=timeout,
                       stdin=subprocess.DEVNULL)
    return r.returncode, r.stdout, r.stderr


def lines(p):
    """The log's texts without their time stamps (nor the file's byte-order mark)."""
    return [line[21:] for line in p.log_text().lstrip("\ufeff").split("\r\n") if len(line) > 21]


def tagged(p, tag):
    return [line[len(tag):] for line in lines(p) if line.startswith(tag)]


def job(bed, p, image, switch):
    """A copy of the busy helper named `image`, working while `switch` is on, living while its
    file `life` exists."""
    path = os.path.join(p.folder, image)
    if not os.path.exists(path):
        shutil.copy(os.path.join(os.path.dirname(bed.wintool), "busytree.exe"), path)
    return Helper(bed, path, "1", switch.schedule, "600000")


def default_start_unchanged(bed):
    """With no rules file, a start writes the start-up lines it always wrote, shows its window,
    and leaves no rules file behind."""
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "rules-none"))
    try:
        check(p.start() is not None, "no window without rules")
        check(poll(lambda: len(lines(p)) >= 3, 10, 0.2), "no start-up lines")
        check(lines(p) == ["-" * 56, "Pellacord started",
                           "  thresholds: cpu 200 permille | disk 1048576 B/s | net 2048 B/s | mem 3000 faults/s | wait 600s"],
              f"start-up lines without rules: {lines(p)}")
    finally:
        p.end()
    check(lines(p)[-1] == "Pellacord exited; lock released", f"the last line: {lines(p)[-1:]}")
    check(sorted(os.listdir(p.folder)) == ["Pellacord.exe", "Pellacord.log"], f"files: {os.listdir(p.folder)}")


def main():
    bed = Bed()
    default_start_unchanged(bed)
    p = Program(bed, EXE, os.path.join(BUILD, "e2e", "rules"))
    rules = os.path.join(p.folder, "Pellacord.rules")
    render_work = Switch(os.path.join(p.folder, "render-work"))
    backup_work = Switch(os.path.join(p.folder, "backup-work"))
    render = backup = None
    try:
        # Nothing runs: the rule is written to the file, and nothing starts.
        rc, out, err = run(bed, p, "--rule", "renderjob.exe", "--cpu", "10%", "--wait", "30s")
        check(rc == 0 and out.strip() == "rule saved: renderjob.exe", f"--rule: {rc} {out!r} {err!r}")
        rc, out, err = run(bed, p, "--rule", "backupjob.exe", "--cpu", "10%", "--wait", "30s")
        check(rc == 0, f"--rule backupjob.exe: {rc} {err!r}")
        check(os.path.exists(rules) and not os.path.exists(p.log), "--rule did more than write the rules file")
        rc, out, _ = run(bed, p, "--rules")
        check(rc == 0 and out.replace("\r\n", "\n").strip().split("\n") == [
            "renderjob.exe --cpu 10% --wait 30s", "backupjob.exe --cpu 10% --wait 30s"], f"--rules: {out!r}")
        rc, _, err = run(bed, p, "--rule", "renderjob.exe", "--cpu", "3%")
        check(rc == 2 and "--cpu" in err, f"a bad value: {rc} {err!r}")

        p.proc = bed.start(p.exe, "--tray")
        check(wait_log(p, "rules: 2 armed\r\n", 30), "the rules were not armed at start-up")
        check(bed.tool("wait", "PellacordWindow", "0")[0] != 0, "--tray showed the window")

        # A run of renderjob.exe is watched without a click: BUSY with its lock, then IDLE.
        render = job(bed, p, "renderjob.exe", render_work)
        tag = "[renderjob.exe] "
        check(wait_log(p, tag + "watching: renderjob.exe (rule)\r\n", 20), "renderjob.exe was not watched")
        check(wait_log(p, "-> BUSY (cpu) quiet=0s lock=held", 20), "no BUSY tick holding the lock")
        check(f"  pid {render.pid}, plus every process it spawns" in tagged(p, tag), "the watch is not of its root")
        render_work.off()
        check(wait_log(p, tag + "  ^ state changed: grace -> IDLE", 90), "renderjob.exe did not go IDLE")
        check(poll(lambda: tagged(p, tag)[-1].endswith("lock=off") or "lock=off" in tagged(p, tag)[-2], 10, 0.5),
              "the lock was not released at IDLE")
        render.end()
        check(wait_log(p, tag + "the watched process exited\r\n", 20), "the exit was not seen")
        # Armed again: a second run is watched.
        render_work.on()
        render = job(bed, p, "renderjob.exe", render_work)
        check(poll(lambda: tagged(p, tag).count("watching: renderjob.exe (rule)") == 2, 20, 0.5),
              "the second run was not watched")

        # Two images at once: each holds its lock while it works; the quiet one lets go.
        backup = job(bed, p, "backupjob.exe", backup_work)
        btag = "[backupjob.exe] "
        check(wait_log(p, btag + "watching: backupjob.exe (rule)\r\n", 20), "backupjob.exe was not watched")
        check(poll(lambda: any(line.endswith("lock=held") and "-> BUSY (cpu)" in line for line in tagged(p, btag)),
                   20, 0.5), "backupjob.exe did not hold the lock")
        render_work.off()
        check(wait_log(p, tag + "  ^ state changed: grace -> IDLE", 90, p.log_text().find(btag + "watching")),
              "renderjob.exe did not go IDLE beside backupjob.exe")
        last = tagged(p, btag)[-1]
        check(last.endswith("lock=held"), f"backupjob.exe let go while working: {last}")
        backup_work.off()
        check(wait_log(p, btag + "  ^ state changed: grace -> IDLE", 90), "backupjob.exe did not go IDLE")

        # --forget from a second copy: the file and the arming lose the rule.
        rc, _, err = run(bed, p, "--forget", "renderjob.exe")
        check(rc == 0, f"--forget: {rc} {err!r}")
        check(wait_log(p, "rule forgotten: renderjob.exe\r\n", 10), "the running copy did not forget the rule")
        with open(rules, "rb") as f:
            check(b"renderjob.exe" not in f.read(), "the rules file still holds renderjob.exe")
        rc, _, _ = run(bed, p, "--forget", "renderjob.exe")
        check(rc == 3, f"forgetting a rule that is not there exited {rc}, not 3")
        render.end()
        check(wait_log(p, tag + "the watched process exited\r\n", 20, p.log_text().find("rule forgotten")),
              "the watch of the forgotten rule did not end with its process")
        render = job(bed, p, "renderjob.exe", render_work)
        ticks = len(tagged(p, btag))
        check(poll(lambda: len(tagged(p, btag)) >= ticks + 6, 30, 0.5), "backupjob.exe's ticks stopped")
        check(tagged(p, tag).count("watching: renderjob.exe (rule)") == 2, "a forgotten rule still armed")
        check(run(bed, p, "--exit")[0] == 0, "--exit was refused")
        check(wait_exit(p.proc, 30) == 0, "Pellacord did not exit")
    finally:
        p.end()
        for h in (render, backup):
            if h:
                h.end()
    check.finish("rules")


if __name__ == "__main__":
    main()
