"""Pellacord.exe is a 64-bit GUI program that imports only Windows system DLLs, so it runs
from any folder with nothing installed beside it."""
import sys

from peimage import Image

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll",
               "ntdll.dll"}
# Loaded at run time only, so the program starts where they are missing.
NEVER_IMPORTED = {"iphlpapi.dll", "dwmapi.dll"}

def main():
    image = Image(sys.argv[1])
    failures = []
    if image.machine != 0x8664:
        failures.append(f"machine {image.machine:#x}, want x86-64")
    if image.magic != 0x20B:
        failures.append(f"optional header magic {image.magic:#x}, want PE32+")
    if image.subsystem != 2:
        failures.append(f"subsystem {image.subsystem}, want 2 (Windows GUI)")
    dlls = [d.lower() for d in image.imported_dlls()]
    if not dlls:
        failures.append("no imports found")
    for d in dlls:
        if d in NEVER_IMPORTED or d not in SYSTEM_DLLS:
            failures.append(f"imports {d}")
    size = len(image.data)
    print(f"image: PE32+ x86-64 GUI, {size} bytes, imports {', '.join(sorted(dlls))}")
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)

if __name__ == "__main__":
    main()
