#!/usr/bin/env bash
# Whole-process figures of Pellacord.exe under Wine against a do-nothing window program.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
if ! tools/wine-harness.sh running; then
  trap 'tools/wine-harness.sh stop' EXIT
fi
tools/wine-harness.sh start
PELLACORD_ROOT=$ROOT PELLACORD_WINTOOL=$ROOT/build/windows/tests/wintool.exe \
  python3 tools/perf.py "$ROOT/build/windows"
