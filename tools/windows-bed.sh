# Sourced by the tools that drive the real program: builds the Windows preset and starts the
# Wine test bed, stopping it at exit only if this started it.
bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
if ! tools/wine-harness.sh running; then
  trap 'tools/wine-harness.sh stop' EXIT
fi
tools/wine-harness.sh start
