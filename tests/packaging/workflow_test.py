"""The Windows CI workflow cannot run here; this checks that it parses and says what it must:
an MSVC and a MinGW build on windows-latest, each building Pellacord, the unit tests run
natively, and the zip uploaded as an artefact; and that the build files give MSVC one
manifest and one C runtime.

    python3 tests/packaging/workflow_test.py"""
import os
import sys

import yaml

from checks import check, finish

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))


def main():
    with open(os.path.join(ROOT, ".github", "workflows", "windows.yml")) as f:
        workflow = yaml.safe_load(f)
    jobs = workflow.get("jobs", {})
    # YAML 1.1 reads a bare "on" key as true.
    triggers = workflow.get("on", workflow.get(True, {}))
    check("push" in triggers and "pull_request" in triggers, f"the workflow runs on {triggers}")
    check(sorted(jobs) == ["mingw", "msvc"], f"the jobs are {sorted(jobs)}")
    for name, job in jobs.items():
        steps = job.get("steps", [])
        runs = " ".join(s.get("run", "") for s in steps)
        uses = [s.get("uses", "") for s in steps]
        check(job.get("runs-on") == "windows-latest", f"{name} runs on {job.get('runs-on')}")
        check(all("name" in s for s in steps), f"{name} has unnamed steps")
        check(any(u.startswith("actions/checkout@") for u in uses), f"{name} does not check out")
        check("--target Pellacord unit_tests" in runs, f"{name} does not build Pellacord and the unit tests")
        check("unit_tests.exe" in runs, f"{name} does not run the unit tests")
    msvc = " ".join(s.get("run", "") for s in jobs.get("msvc", {}).get("steps", []))
    check('"Visual Studio 17 2022" -A x64' in msvc, "the MSVC job does not use the README's Visual Studio generator")
    check("--config MinSizeRel" in msvc, "the MSVC job does not build MinSizeRel")
    mingw = jobs.get("mingw", {}).get("steps", [])
    check(any("tools/package.py" in s.get("run", "") for s in mingw), "the MinGW job does not package")
    upload = [s for s in mingw if s.get("uses", "").startswith("actions/upload-artifact@")]
    check(len(upload) == 1 and "dist/*.zip" in upload[0].get("with", {}).get("path", ""),
          "the MinGW job does not upload the zip")
    # What an MSVC build needs that no build here can show: the manifest embedded once (by the
    # resource script, so the linker is told not to), and one C runtime for every target.
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        cmake = f.read()
    with open(os.path.join(ROOT, "tests", "CMakeLists.txt")) as f:
        tests = f.read()
    check("/MANIFEST:NO" in cmake, "the MSVC link embeds a second manifest (CVT1100)")
    check(cmake.count("CMAKE_MSVC_RUNTIME_LIBRARY") == 1 and "MSVC_RUNTIME_LIBRARY " not in cmake.replace(
        "CMAKE_MSVC_RUNTIME_LIBRARY", ""), "the C runtime is not chosen once for every target")
    check("gtest_force_shared_crt OFF" in tests, "GoogleTest asks for the DLL runtime (LNK2038)")
    return finish("workflow")


if __name__ == "__main__":
    sys.exit(main())
