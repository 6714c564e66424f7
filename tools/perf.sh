#!/usr/bin/env bash
# Whole-process figures of Pellacord.exe under Wine against a do-nothing window program.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
source tools/windows-bed.sh
PELLACORD_ROOT=$ROOT PELLACORD_WINTOOL=$ROOT/build/windows/tests/wintool.exe \
  python3 tools/perf.py "$ROOT/build/windows"
