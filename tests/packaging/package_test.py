"""The release in dist/, as tools/package.sh writes it: the zip's name, contents and order, the
executable's version resource against the name and CMake's version, SHA256SUMS, and the winget
and Scoop manifests checked against their schemas.

No package of the registries this machine reaches carries winget's or Scoop's published
schemas, so packaging/schemas/ writes down, from the schemas' documentation, the types,
patterns, lengths and required fields of every field the manifests use; Debian's jsonschema
checks against them. Broken copies of each manifest must fail, so the checks are not empty.

    python3 tests/packaging/package_test.py DIST"""
import copy
import hashlib
import io
import json
import os
import re
import struct
import sys
import zipfile

import jsonschema
import yaml

from checks import check, finish

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from peimage import Image  # noqa: E402

RT_VERSION = 16


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(Pellacord VERSION ([0-9.]+)", f.read()).group(1)


def resource_version(exe_bytes):
    """major.minor.patch from the VS_FIXEDFILEINFO of the executable's version resource."""
    path = os.path.join(ROOT, "build", "package-test.exe")
    with open(path, "wb") as f:
        f.write(exe_bytes)
    data = Image(path).resource(RT_VERSION, 1)
    os.remove(path)
    at = data.find(struct.pack("<I", 0xFEEF04BD)) if data else -1
    if at < 0:
        return None
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}"


def schema(name):
    with open(os.path.join(ROOT, "packaging", "schemas", name + ".schema.json")) as f:
        return json.load(f)


def valid(document, against):
    try:
        jsonschema.validate(document, against, format_checker=jsonschema.FormatChecker())
        return None
    except jsonschema.ValidationError as e:
        return e.message


def check_manifest(name, document, against, breakages):
    problem = valid(document, against)
    check(problem is None, f"{name} does not validate: {problem}")
    for label, breakage in breakages:
        broken = copy.deepcopy(document)
        breakage(broken)
        check(valid(broken, against) is not None, f"{name} still validates with {label}")


def main():
    dist = sys.argv[1]
    version = project_version()
    name = f"Pellacord-{version}-win64.zip"
    archive = os.path.join(dist, name)
    if not check(os.path.exists(archive), f"no {name} in {dist}: {sorted(os.listdir(dist))}"):
        return 1
    with open(archive, "rb") as f:
        data = f.read()
    sha256 = hashlib.sha256(data).hexdigest()
    with open(os.path.join(dist, "SHA256SUMS")) as f:
        check(f.read() == f"{sha256}  {name}\n", "SHA256SUMS does not name the zip with its hash")

    z = zipfile.ZipFile(io.BytesIO(data))
    check(z.namelist() == ["Pellacord.exe", "README.txt", "LICENSE.txt"], f"the zip holds {z.namelist()}")
    check(resource_version(z.read("Pellacord.exe")) == version, "the exe's version resource is not " + version)
    readme = z.read("README.txt").decode("utf-8")
    check(readme.startswith(f"Pellacord {version}\r\n"), "README.txt does not start with the version")
    check("\n" not in readme.replace("\r\n", ""), "README.txt has lines that do not end in CR LF")
    for part in ("First run", "The files it keeps", "Pellacord.ini", "Pellacord.log", "Uninstall", "delete its folder"):
        check(part in readme, f"README.txt does not say {part!r}")
    check(z.read("LICENSE.txt").decode().startswith("MIT License\r\n"), "LICENSE.txt is not the MIT licence")
    check(all(i.date_time == z.infolist()[0].date_time for i in z.infolist()), "the entries' times differ")

    folder = os.path.join(dist, "winget", "manifests", "p", "Pellacord", "Pellacord", version)
    manifests = {}
    for file in sorted(os.listdir(folder)):
        with open(os.path.join(folder, file)) as f:
            document = yaml.safe_load(f)
        manifests[document["ManifestType"]] = document
    check(sorted(manifests) == ["defaultLocale", "installer", "version"], f"the winget set: {sorted(manifests)}")
    for kind, document in manifests.items():
        check(document["PackageVersion"] == version, f"winget {kind} has the version {document['PackageVersion']}")
    installer = manifests.get("installer", {})
    check(installer.get("Installers", [{}])[0].get("InstallerSha256", "").lower() == sha256,
          "the winget installer's hash is not the zip's")
    check(installer.get("Installers", [{}])[0].get("InstallerUrl", "").endswith("/" + name),
          "the winget installer's URL does not end in the zip's name")
    check(installer.get("NestedInstallerFiles", [{}])[0].get("RelativeFilePath") == "Pellacord.exe",
          "the winget installer does not name the zip's exe")
    check_manifest("winget version", manifests.get("version", {}), schema("winget.version"), [
        ("no DefaultLocale", lambda d: d.pop("DefaultLocale")),
        ("a ManifestVersion of two parts", lambda d: d.update(ManifestVersion="1.6")),
    ])
    check_manifest("winget installer", installer, schema("winget.installer"), [
        ("a short hash", lambda d: d["Installers"][0].update(InstallerSha256="ABC")),
        ("no nested installer in a zip", lambda d: d.pop("NestedInstallerType")),
        ("no installer type", lambda d: d.pop("InstallerType")),
        ("an ftp URL", lambda d: d["Installers"][0].update(InstallerUrl="ftp://example/x.zip")),
        ("an unknown field", lambda d: d.update(Installertype="zip")),
    ])
    check_manifest("winget defaultLocale", manifests.get("defaultLocale", {}), schema("winget.defaultLocale"), [
        ("no licence", lambda d: d.pop("License")),
        ("a one-letter publisher", lambda d: d.update(Publisher="P")),
    ])

    with open(os.path.join(dist, "scoop", "pellacord.json")) as f:
        scoop = json.load(f)
    check(scoop["version"] == version, f"the Scoop manifest has the version {scoop['version']}")
    check(scoop["architecture"]["64bit"]["hash"] == sha256, "the Scoop manifest's hash is not the zip's")
    check(scoop["architecture"]["64bit"]["url"].endswith("/" + name), "the Scoop URL does not end in the zip's name")
    check(scoop["bin"] == "Pellacord.exe" and "checkver" in scoop, "the Scoop manifest lacks bin or checkver")
    check("$version" in json.dumps(scoop["autoupdate"]), "Scoop's autoupdate does not take the new version")
    check_manifest("Scoop", scoop, schema("scoop"), [
        ("no bin", lambda d: d.pop("bin")),
        ("no checkver", lambda d: d.pop("checkver")),
        ("no download at all", lambda d: d.pop("architecture")),
        ("a hash that is not hex", lambda d: d["architecture"]["64bit"].update(hash="z" * 64)),
    ])
    return finish("package")


if __name__ == "__main__":
    sys.exit(main())
