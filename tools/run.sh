#!/usr/bin/env bash
# Builds Pellacord.exe and runs it under Wine: on the current display when there is one,
# otherwise in a headless display, leaving a screenshot.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Pellacord wintool busytree

EXE=$ROOT/build/windows/Pellacord.exe
# A prefix of its own, so running the program never disturbs a test run and vice versa.
export PELLACORD_WINE_STATE=$ROOT/build/wine-run

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export PELLACORD_USE_DISPLAY=1
  tools/wine-harness.sh start
  trap 'tools/wine-harness.sh stop' EXIT
  eval "$(tools/wine-harness.sh env)"
  echo "Pellacord is running on $DISPLAY; its log and settings are beside $EXE"
  wine "$EXE"
  exit 0
fi

echo "No display: a short headless demonstration (about a minute)."
trap 'tools/wine-harness.sh stop' EXIT
PELLACORD_ROOT=$ROOT PELLACORD_WINTOOL=$ROOT/build/windows/tests/wintool.exe \
  python3 tools/headless_run.py "$EXE" "$ROOT/build/run"
