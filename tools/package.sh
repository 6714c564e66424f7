#!/usr/bin/env bash
# Builds the release Pellacord.exe (MinGW-w64, static, stripped, MinSizeRel) and writes the
# release into dist/:
#   Pellacord-<version>-win64.zip   Pellacord.exe, README.txt, LICENSE.txt
#   SHA256SUMS
#   winget/manifests/p/Pellacord/Pellacord/<version>/   the winget manifest set for it
#   scoop/pellacord.json                                the Scoop manifest for it
# The version is CMake's project version, as the executable's version resource has it. Two
# runs give the same bytes.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

bash tools/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
python3 tools/package.py build/release/Pellacord.exe "$(cat build/release/version.txt)" dist
