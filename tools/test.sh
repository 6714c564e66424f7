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

step "msvc: the sources in MSVC's mode, with its /W4 warnings"
bash tools/msvc-check.sh

step "fuzz: settings parser, 30 s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
rm -rf build/fuzz/corpus && mkdir -p build/fuzz/corpus
cp tests/fuzz/corpus/settings/* build/fuzz/corpus/
if ! build/fuzz/tests/fuzz/settings_fuzz -max_total_time=30 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/ build/fuzz/corpus \
    >build/fuzz/settings_fuzz.log 2>&1; then
  tail -n 40 build/fuzz/settings_fuzz.log
  echo "settings fuzzer failed; the input is in build/fuzz (crash-*)"
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units)' build/fuzz/settings_fuzz.log

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

step "package: the release zip, built twice from nothing, the same bytes"
rm -rf build/release dist
bash tools/package.sh
cp dist/SHA256SUMS build/SHA256SUMS.first
rm -rf build/release
bash tools/package.sh
if ! cmp -s build/SHA256SUMS.first dist/SHA256SUMS; then
  echo "the second package differs from the first:"; cat build/SHA256SUMS.first dist/SHA256SUMS
  exit 1
fi
python3 tests/packaging/package_test.py dist
python3 tests/packaging/workflow_test.py

step "all tests passed"
