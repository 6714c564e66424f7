"""The release package from a built Pellacord.exe: the zip, its SHA-256, and the winget and
Scoop manifests filled for it. Also what a Windows CI job runs after its own build.

    python3 tools/package.py EXE VERSION OUT_DIR

The zip is the same bytes for the same inputs: its entries come in a fixed order with the time
of the sources' last commit (SOURCE_DATE_EPOCH when set), fixed attributes and one compression
level."""
import datetime
import hashlib
import os
import shutil
import subprocess
import sys
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
PACKAGING = os.path.join(ROOT, "packaging")


def source_time():
    """The time the zip's entries carry: fixed for a commit."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        r = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"], capture_output=True, text=True)
        epoch = r.stdout.strip() if r.returncode == 0 and r.stdout.strip() else "1767225600"  # 2026-01-01
    t = datetime.datetime.fromtimestamp(int(epoch), datetime.timezone.utc)
    return (max(t.year, 1980), t.month, t.day, t.hour, t.minute, t.second - t.second % 2)


def windows_text(path, version):
    """A text file as Notepad wants it: CRLF line ends, the version filled in."""
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("$VERSION", version)
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")


def write_zip(path, entries, when):
    with zipfile.ZipFile(path, "w") as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0          # MS-DOS, as Windows' own zips
            info.external_attr = 0x20       # the archive attribute, nothing else
            z.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)


def fill(template, version, sha256):
    with open(template, encoding="utf-8") as f:
        return f.read().replace("$VERSION", version).replace("$SHA256", sha256)


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    exe, version, out = sys.argv[1:]
    name = f"Pellacord-{version}-win64.zip"
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    with open(exe, "rb") as f:
        program = f.read()
    entries = [
        ("Pellacord.exe", program),
        ("README.txt", windows_text(os.path.join(PACKAGING, "README.txt"), version)),
        ("LICENSE.txt", windows_text(os.path.join(ROOT, "LICENSE"), version)),
    ]
    archive = os.path.join(out, name)
    write_zip(archive, entries, source_time())
    with open(archive, "rb") as f:
        sha256 = hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(out, "SHA256SUMS"), "w", newline="\n") as f:
        f.write(f"{sha256}  {name}\n")

    winget = os.path.join(out, "winget", "manifests", "p", "Pellacord", "Pellacord", version)
    os.makedirs(winget)
    for template in sorted(os.listdir(os.path.join(PACKAGING, "winget"))):
        with open(os.path.join(winget, template), "w", encoding="utf-8", newline="\n") as f:
            f.write(fill(os.path.join(PACKAGING, "winget", template), version, sha256.upper()))
    os.makedirs(os.path.join(out, "scoop"))
    with open(os.path.join(out, "scoop", "pellacord.json"), "w", encoding="utf-8", newline="\n") as f:
        f.write(fill(os.path.join(PACKAGING, "scoop", "pellacord.json"), version, sha256))
    print(f"{archive}\n{sha256}  {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
