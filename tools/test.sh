#!/usr/bin/env bash
# Runs every test: the portable core on the host (with sanitizers), the same unit tests and
# the Windows-only tests under Wine, and the end-to-end tests of the real Pellacord.exe.
# Exits non-zero on any failure.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

started=$SECONDS
step() { printf '\n== %s (%ds)\n' "$*" $((SECONDS - started)); }

step setup
bash tools/setup.sh

step "host: build and test"
cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host

step "windows: build"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "windows: tests under Wine"
# Stop the test bed afterwards only if this run started it.
if ! tools/wine-harness.sh running; then
  trap 'tools/wine-harness.sh stop' EXIT
fi
tools/wine-harness.sh start
ctest --preset windows

step "all tests passed"
