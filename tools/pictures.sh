#!/usr/bin/env bash
# Regenerates the README's pictures: runs the end-to-end suite and the keyboard test (which
# take the screenshots) and the high-contrast paint test, and crops the window and the
# notification area into docs/.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

source tools/windows-bed.sh
ctest --preset windows -R "e2e_suite|e2e_access"
tools/wine-harness.sh exec build/windows/tests/win_tests.exe --gtest_filter=HighContrastPaint.*

SHOTS=build/windows/artefacts
WINDOW=440x772+420+116   # the main window at 96 dpi, centred on the 1280 x 1024 desktop
TRAY=160x40+1120+984     # the right end of the taskbar
mkdir -p docs
convert "$SHOTS/previewing.png" -crop "$WINDOW" +repage docs/previewing.png
convert "$SHOTS/watching.png" -crop "$WINDOW" +repage docs/watching.png
convert "$SHOTS/dark.png" -crop "$WINDOW" +repage docs/dark.png
convert "$SHOTS/watching-tray.png" -crop "$TRAY" +repage "$SHOTS/tray-busy.png"
convert "$SHOTS/idle-tray.png" -crop "$TRAY" +repage "$SHOTS/tray-idle.png"
convert "$SHOTS/tray-busy.png" "$SHOTS/tray-idle.png" -append -scale 200% docs/tray.png
convert "$SHOTS/keyboard.png" -crop "$WINDOW" +repage docs/keyboard.png
convert "$SHOTS/high-contrast.bmp" docs/high-contrast.png
echo "pictures written to docs/"
