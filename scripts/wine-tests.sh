#!/usr/bin/env bash
# Runs the tests of the Windows build under wine: a preflight of the path to
# the simulated writer, the unit tests through CTest, a GUI smoke test of
# SolvaneUpdate.exe read through the Windows API with no writer plugged in, then
# whole runs of it against the Windows build of the simulated writer.
# Everything runs in a fresh wine prefix in a temporary folder (HOME too), on an
# Xvfb display of its own, one test at a time, each step with a deadline; at the
# end the wine processes of that prefix and the Xvfb are ended by their ids.
# Screenshots and logs stay in BUILD/wine-tests/.
#
#   scripts/wine-tests.sh [BUILD]      (default: build-win)
set -euo pipefail
script_started=$(date +%s)
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-win}" && pwd)
out=$build/wine-tests
exe=$build/app/win32/SolvaneUpdate.exe
probe_exe=$build/tests/win32/solvane-wine-probe.exe

fail() {
  echo "wine tests: FAILED: $*" >&2
  exit 1
}

for tool in wine wineboot wineserver Xvfb import ctest timeout; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
[ -f "$exe" ] && [ -f "$probe_exe" ] || fail "no Windows build in $build"

rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d /tmp/solvane-wine.XXXXXX)
xvfb_pid=""
app_pid=""
sim_pid=""

# Process ids of everything that runs in this prefix (wineserver included).
prefix_pids() {
  local dir
  for dir in /proc/[0-9]*; do
    if grep -qzxF "WINEPREFIX=${WINEPREFIX:-}" "$dir/environ" 2>/dev/null; then
      echo "${dir#/proc/}"
    fi
  done
}

cleanup() {
  if [ -d "${WINEPREFIX:-}" ]; then
    timeout 20 wineserver -k 2>/dev/null || true
  fi
  local pid
  for pid in $app_pid $sim_pid $(prefix_pids); do
    kill -9 "$pid" 2>/dev/null || true
  done
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# step SECONDS COMMAND...: one step with its deadline.
step() {
  local seconds=$1
  shift
  timeout --kill-after=5 "$seconds" "$@"
}

# A display of our own.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start (see $out/xvfb.log)"
  sleep 0.1
done
[ -e "/tmp/.X11-unix/X$display" ] || fail "Xvfb did not open display $DISPLAY"

export WINEPREFIX=$work/prefix WINEARCH=win64 HOME=$work/home
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's C runtime reads TZ the Windows way and its kernel side the POSIX way;
# both read this one alike.
export TZ=EST5EDT
mkdir -p "$HOME"

echo "== Wine prefix in $WINEPREFIX, display $DISPLAY"
step 120 wineboot -i >"$out/wineboot.log" 2>&1 || fail "wineboot failed (see $out/wineboot.log)"
# A virtual desktop: with no window manager wine waits seconds for every window
# it hides; inside its own desktop it does not, and screenshots get frames. It
# holds from the next start of the server on.
step 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
  >>"$out/wineboot.log" 2>&1 || fail "the wine registry cannot be written"
step 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f \
  >>"$out/wineboot.log" 2>&1 || fail "the wine registry cannot be written"
step 60 wineserver -w
# One server for every step: programs then start in a fraction of a second.
wineserver -p || fail "the wine server did not start"
checks=0
expect() {  # expect WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: read \"$2\", expected \"$3\""
  checks=$((checks + 1))
}
handle() {  # handle WHAT PROBE-ANSWER: the window handle the probe found
  [[ "$2" =~ ^0x[0-9a-f]+$ ]] || fail "$1: $2"
  checks=$((checks + 1))
  echo "$2"
}
shot() {
  step 30 import -display "$DISPLAY" -window root "$out/$1.png" || fail "screenshot $1"
}

probe() {
  step 30 wine "$probe_exe" "$@" 2>>"$out/probe.log" | tr -d '\r'
}
[ "$(probe hello)" = "probe ok" ] || fail "wine cannot run Windows programs here"

source "$root/scripts/wine-whole-runs.sh"
source "$root/scripts/wine-dll-checks.sh"

echo "== Preflight: the setup services' path to the simulated writer"
# The writer's device interface, registered once and plugged in by the
# simulator while it serves.
registered=$(device register writer0)
[[ "$registered" == '\\?\root#solvane#writer0#{202e68c5-5980-4a60-b761-77c4de9d5dbf}' ]] ||
  fail "the writer's device interface cannot be registered: $registered$(cat "$out/device.log")"
start_sim preflight
step 60 wine "$device_exe" preflight writer0 2>>"$out/device.log" | tr -d '\r' \
  >"$out/preflight.log" || true
sed 's/^/  /' "$out/preflight.log"
[ "$(tail -n 1 "$out/preflight.log")" = "preflight passed" ] ||
  fail "preflight (see $out/preflight.log and $out/preflight/)"
stop_sim preflight

echo "== Unit tests under wine"
expected=$(cat "$root"/tests/win32/*.cpp | grep -cE '^TEST(_F)?\(')
step 240 ctest --test-dir "$build" --no-tests=error --timeout 60 -j1 -V \
  >"$out/unit-tests.log" 2>&1 || {
  grep -E '^[0-9]+: \[  FAILED  \]|Failure|tests failed' "$out/unit-tests.log" | head -40 >&2
  fail "unit tests (see $out/unit-tests.log)"
}
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out/unit-tests.log" || true)
echo "$summary"
ran=$(echo "$summary" | sed -nE 's/.* out of ([0-9]+)$/\1/p')
# GoogleTest's own word for each test, not wine's exit code.
passed=$(grep -cE '^[0-9]+: \[  PASSED  \] 1 test\.' "$out/unit-tests.log" || true)
[ "$ran" = "$expected" ] || fail "CTest ran ${ran:-no} tests, the sources hold $expected"
[ "$passed" = "$expected" ] || fail "GoogleTest reported $passed of $expected tests passed"

echo "== GUI smoke test of SolvaneUpdate.exe, no writer plugged in"
mkdir -p "$out/no-writer"
wine "$exe" >"$out/SolvaneUpdate.log" 2>&1 &
app_pid=$!
main=$(handle "main dialog" "$(probe window "Solvane Update - Build:  35675" 20000)")
expect "button 1001" "$(probe text "$main" 1001)" "&Go!"
intro='Connect Steno Machine via the USB cable\nand click "Go!" to update your machine software.\n\nSolvane/Solvane II - Build: 35675\nSolvane Captioner/Student - Build: 35675\n'
expect "status area" "$(probe text "$main" 1002)" "$intro"
shot main-dialog

expect "About entry" "$(probe syscommand "$main" 16)" "posted"
about=$(handle "About box" "$(probe owned "$main" "About KiteUpdate" 10000)")
expect "About text" "$(probe text "$about" 1003)" "Solvane Update Build:  35675"
expect "main dialog disabled under the About box" "$(probe enabled "$main")" "0"
shot about-box
expect "About OK" "$(probe click "$about" 1)" "posted"
expect "About box closed" "$(probe gone "$about" 10000)" "gone"

app_day=$(date '+%B %d, %Y')
expect "Go!" "$(probe click "$main" 1001)" "posted"
answer no-writer "Error" \
  'Unable to open a connection with your steno machine.\nPlease make sure the writer is turned On and the USB cable is firmly connected' \
  1 10000

user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public -print -quit)
[ -d "$user_dir/Documents" ] || fail "no documents folder for the wine user in $WINEPREFIX/drive_c/users"
expect_log no-writer "@ - Solvane Update: Build: 35675
@ - Unable to open a connection with your steno machine.
Please make sure the writer is turned On and the USB cable is firmly connected
@ - Exiting"
app_ends no-writer quit

whole_runs
damaged_image_run
dll_checks

echo "wine part: $(($(date +%s) - script_started)) s"
echo "wine: $((expected + checks)) passed, 0 failed ($expected unit tests, $checks checks of the preflight, the GUI and the whole runs; screenshots in $out)"
