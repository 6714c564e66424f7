"""The whole path of --then shutdown under Wine, in a disposable copy of the test bed's prefix
on a display of its own, where ExitWindowsEx ends that prefix's programs: a --run job exits,
the minute's countdown runs out, Pellacord logs the shutdown and calls it, and Wine ends the
programs of the prefix, an unrelated windowed app and Pellacord itself (which closes its log)."""
import os
import shutil
import subprocess
import sys

from winebed import Bed, Checks, read, wait_exit, windows_path

EXE = sys.argv[1]
FOLDER = os.path.join(os.path.dirname(EXE), "e2e", "shutdown")
check = Checks()


def private_display():
    """An Xvfb of its own; returns (process, display)."""
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                             "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        number = f.readline().strip()
    return xvfb, ":" + number


def main():
    bed = Bed()
    shutil.rmtree(FOLDER, ignore_errors=True)
    os.makedirs(FOLDER)
    prefix = os.path.join(FOLDER, "prefix")
    shutil.copytree(bed.env["WINEPREFIX"], prefix, symlinks=True)
    xvfb, display = private_display()
    env = dict(bed.env, WINEPREFIX=prefix, DISPLAY=display)
    exe = os.path.join(FOLDER, "Pellacord.exe")
    shutil.copy(EXE, exe)
    busytree = windows_path(os.path.join(os.path.dirname(bed.wintool), "busytree.exe"))
    bystander = pellacord = None
    try:
        bystander = subprocess.Popen(["wine", busytree, "0", "0", "600000", "Bystander"], env=env,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # No pipes: a Wine service this starts in the fresh prefix would hold them open.
        up = subprocess.run(["wine", bed.wintool, "wait", "BusyTree", "30000"], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=90).returncode == 0
        check(up, "the bystander's window did not appear")
        pellacord = subprocess.Popen(["wine", exe, "--run", f'"{busytree}" 0 0 2000', "--then", "shutdown"], env=env,
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        code = wait_exit(pellacord, 120)
        log = (read(os.path.join(FOLDER, "Pellacord.log")) or b"").decode("utf-8", "replace")
        texts = [line[21:] for line in log.split("\r\n") if len(line) > 21]
        expected = ["the watched process exited", "stopped watching; lock released",
                    "work finished; shutting down the PC in 60 s", "finished: shutdown requested",
                    "Windows is ending the session", "Pellacord exited; lock released"]
        at = 0
        for text in expected:
            found = text in texts[at:]
            check(found, f"no line {text!r} in its place; the log ends:\n" + "\n".join(texts[-8:]))
            at = texts.index(text, at) + 1 if found else at
        check("finished action failed" not in log, "the shutdown call failed")
        check(code is not None, "Pellacord did not end with the session")
        check(wait_exit(bystander, 30) is not None, "the shutdown did not end the other app of the prefix")
    finally:
        for proc in (pellacord, bystander):
            if proc and proc.poll() is None:
                proc.kill()
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=30)
        xvfb.kill()
        xvfb.wait()
        shutil.rmtree(prefix, ignore_errors=True)
    check.finish("shutdown")


if __name__ == "__main__":
    main()
