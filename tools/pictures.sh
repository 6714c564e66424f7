#!/usr/bin/env bash
# Regenerates the README's pictures: runs the end-to-end suite (which takes the screenshots)
# and crops the window and the notification area into docs/.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

source tools/windows-bed.sh
ctest --preset windows -R e2e_suite

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
echo "pictures written to docs/"
