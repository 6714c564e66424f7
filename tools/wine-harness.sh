#!/usr/bin/env bash
# The Wine test bed: a private prefix under the build tree, a headless X display, and a
# virtual desktop with a taskbar and notification area.
#
#   wine-harness.sh start          make the prefix (once), start the display and wineserver
#   wine-harness.sh exec PROG ...  start if needed, then run PROG under Wine (the CTest emulator)
#   wine-harness.sh env            print the environment, for `eval`
#   wine-harness.sh running        exit 0 when the bed is up
#   wine-harness.sh stop           stop exactly what start started
#
# PELLACORD_WINE_STATE moves the state folder (default build/wine); PELLACORD_USE_DISPLAY=1
# uses $DISPLAY instead of a private Xvfb (the run command on a desktop).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
STATE=${PELLACORD_WINE_STATE:-$ROOT/build/wine}
DESKTOP_SIZE=1280x1024

export WINEPREFIX=$STATE/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

log() { echo "wine-harness: $*" >&2; }

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

start_display() {
  if [ -f "$STATE/display" ]; then
    local pid
    pid=$(cat "$STATE/xvfb.pid" 2>/dev/null || true)
    if [ -z "$pid" ] || alive "$pid"; then
      return 0
    fi
    rm -f "$STATE/display" "$STATE/xvfb.pid"
  fi
  if [ "${PELLACORD_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    echo "$DISPLAY" > "$STATE/display"
    return 0
  fi
  # Xvfb picks a free display itself and writes its number to the file once it listens.
  # Detached from our stdio and the lock: a test runner waits for every holder of its pipes,
  # and a daemon that inherited the lock would hold it for ever. Everything started while
  # the lock is held closes descriptor 9 for the same reason.
  rm -f "$STATE/displayfd"
  setsid sh -c 'exec Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$2"' xvfb "$DESKTOP_SIZE" \
    "$STATE/displayfd" </dev/null >"$STATE/xvfb.log" 2>&1 9>&- &
  echo $! > "$STATE/xvfb.pid"
  local i n=""
  for i in $(seq 100); do
    n=$(cat "$STATE/displayfd" 2>/dev/null || true)
    [ -n "$n" ] && break
    sleep 0.1
  done
  [ -n "$n" ] || { log "Xvfb did not start"; cat "$STATE/xvfb.log" >&2; return 1; }
  echo ":$n" > "$STATE/display"
}

make_prefix() {
  # Bump the marker when the prefix's set-up changes, so old prefixes are made anew.
  [ -f "$WINEPREFIX/.pellacord-ready-3" ] && return 0
  log "creating the Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot --init </dev/null >"$STATE/wineboot.log" 2>&1 9>&- || true
  wineserver -w 9>&-
  cat > "$STATE/prefix.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="shell"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"shell"="$DESKTOP_SIZE"

; Keyboard cues shown only after keyboard use, as Windows has it (Wine shows them always):
; Wine's own mask without the 0x20 bit of its first byte.
[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"UserPreferencesMask"=hex:10,00,02,80,12,00,00,00

; The closest open face to Segoe UI, so pictures look like the program on Windows.
[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Segoe UI"="Open Sans"
REG
  wine regedit /S "$(winepath -w "$STATE/prefix.reg" 2>/dev/null)" </dev/null >>"$STATE/wineboot.log" 2>&1 9>&-
  wineserver -w 9>&-
  # Debian's Wine does not find its own Tahoma and Marlett, so title bars draw badly
  # without them in the prefix.
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/marlett.ttf "$fonts"/ 2>/dev/null || true
  touch "$WINEPREFIX/.pellacord-ready-3"
}

start() {
  mkdir -p "$STATE"
  exec 9>"$STATE/lock"
  flock 9
  start_display
  export DISPLAY
  DISPLAY=$(cat "$STATE/display")
  make_prefix
  # A persistent wineserver, so each test does not pay for a cold start. The desktop
  # (explorer.exe with the taskbar) comes up with the first window and goes with the last.
  wineserver -p </dev/null >/dev/null 2>&1 9>&- || true
  # The first process of a wineserver session starts the system services (services.exe,
  # winedevice, rpcss), which live as long as the server: start them here, on /dev/null,
  # rather than inside a test whose output pipe they would keep open.
  wine cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
  exec 9>&-
}

stop() {
  [ -d "$STATE" ] || return 0
  if [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  local pid
  pid=$(cat "$STATE/xvfb.pid" 2>/dev/null || true)
  if alive "$pid"; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$STATE/display" "$STATE/xvfb.pid"
}

# Shell-quoted, so a path with a space survives `eval` and the tests' parsing.
print_env() {
  printf 'export WINEPREFIX=%q WINEDEBUG=%q WINEDLLOVERRIDES=%q\n' "$WINEPREFIX" "$WINEDEBUG" "$WINEDLLOVERRIDES"
  printf 'export WINEARCH=win64 DISPLAY=%q PELLACORD_DESKTOP=%q\n' "$(cat "$STATE/display")" "$DESKTOP_SIZE"
}

cmd=${1:-}
shift || true
case "$cmd" in
  start) start ;;
  running)
    [ -f "$STATE/display" ] || exit 1
    pid=$(cat "$STATE/xvfb.pid" 2>/dev/null || true)
    [ -z "$pid" ] || alive "$pid"
    ;;
  stop) stop ;;
  env) print_env ;;
  exec)
    start
    exec wine "$@"
    ;;
  *) echo "usage: $0 start|stop|env|exec PROGRAM [ARGS...]" >&2; exit 2 ;;
esac
