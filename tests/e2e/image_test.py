"""Pellacord.exe is a 64-bit GUI program that imports only Windows system DLLs, so it runs
from any folder with nothing installed beside it, and carries the application manifest that
makes it per-monitor DPI aware, names the Windows versions it knows and asks for no elevation."""
import os
import re
import sys
import xml.etree.ElementTree as ET

from peimage import Image

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll",
               "ntdll.dll"}
# Loaded at run time only, so the program starts where they are missing, or costs nothing
# until it is needed (a screen reader's first question, a monitor's DPI).
NEVER_IMPORTED = {"iphlpapi.dll", "dwmapi.dll", "oleacc.dll", "oleaut32.dll", "ole32.dll", "shcore.dll"}
RT_MANIFEST = 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}


def manifest_failures(image):
    data = image.resource(RT_MANIFEST, 1)
    if data is None:
        return ["no RT_MANIFEST resource 1"]
    root = ET.fromstring(data)
    failures = []

    def text(local):
        return [e.text.strip() for e in root.iter() if e.tag.endswith("}" + local) and e.text]

    def attrs(local, name):
        return [e.get(name) for e in root.iter() if e.tag.endswith("}" + local)]

    if text("dpiAwareness") != ["PerMonitorV2"]:
        failures.append(f"dpiAwareness {text('dpiAwareness')}")
    if text("dpiAware") != ["true/pm"]:
        failures.append(f"dpiAware {text('dpiAware')}")
    if set(attrs("supportedOS", "Id")) != SUPPORTED_OS:
        failures.append(f"supportedOS {sorted(attrs('supportedOS', 'Id'))}")
    if attrs("requestedExecutionLevel", "level") != ["asInvoker"] or \
            attrs("requestedExecutionLevel", "uiAccess") != ["false"]:
        failures.append("the execution level is not asInvoker without uiAccess")
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "CMakeLists.txt")) as f:
        version = re.search(r"project\(Pellacord VERSION ([0-9.]+)", f.read()).group(1)
    own = [e for e in root if e.tag.endswith("}assemblyIdentity")]
    if [e.get("version") for e in own] != [version + ".0"]:
        failures.append(f"assembly version {[e.get('version') for e in own]}, not {version}.0")
    dependencies = [(e.get("name"), e.get("version"), e.get("publicKeyToken")) for e in root.iter()
                    if e.tag.endswith("}assemblyIdentity") and e not in own]
    if dependencies != [("Microsoft.Windows.Common-Controls", "6.0.0.0", "6595b64144ccf1df")]:
        failures.append(f"the dependencies are {dependencies}, not Common Controls 6 alone")
    return failures


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
    failures += manifest_failures(image)
    # The manifest makes the program per-monitor aware; the old call would only be overridden.
    if "SetProcessDPIAware" in image.imported_functions():
        failures.append("imports SetProcessDPIAware, which the manifest overrides")
    size = len(image.data)
    print(f"image: PE32+ x86-64 GUI, {size} bytes, imports {', '.join(sorted(dlls))}")
    for f in failures:
        print("FAIL:", f)
    sys.exit(1 if failures else 0)

if __name__ == "__main__":
    main()
