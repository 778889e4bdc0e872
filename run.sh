#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native

# The main job: a whole update of a Solvane/Solvane II (type 19) whose every
# component is older than what the program carries, against the simulated
# writer in realistic timing, in a folder of its own.
work=$(mktemp -d)
sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ]; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
  fi
}
trap 'stop_sim; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

export XDG_DOCUMENTS_DIR="$work/Documents"
export SOLVANE_DEVICE_DIR="$work/devices"
mkdir -p "$XDG_DOCUMENTS_DIR" "$SOLVANE_DEVICE_DIR"
sim=build/sim/solvane-writer-sim
socket="$SOLVANE_DEVICE_DIR/{202E68C5-5980-4A60-B761-77C4DE9D5DBF}/writer0"

# Application 1.63.00 build 34000 (below 34494, so the early programming runs),
# boot code 1.00.00 build 35600, an old sensor board, the WiFi images of a fresh
# writer and X-Loader 5.00.
"$sim" --state "$work/writer" --realistic --type 19 --app-version 1.63.00 --app-build 34000 \
  --boot-version 1.00.00 --boot-build 35600 --sensor-build 14000 --xloader-version 5.00 \
  2>"$work/sim.log" &
sim_pid=$!
for _ in $(seq 100); do
  [ -S "$socket" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$work/sim.log" >&2; exit 1; }
  sleep 0.1
done

echo "Updating the simulated writer (about half a minute)..."
started=$(date +%s)
# "g" presses Go!; the empty line closes the closing message. The program
# exits 0 whatever happens: its output and the writer tell the outcome.
printf 'g\n\n' | build/app/posix/solvane-update | tee "$work/output.txt"
echo
echo "The update took $(($(date +%s) - started)) s."

stop_sim
echo
echo "=== $XDG_DOCUMENTS_DIR/RORivevi.log ==="
cat "$XDG_DOCUMENTS_DIR/RORivevi.log" || true
echo
echo "=== The writer now ==="
"$sim" --state "$work/writer" --print-state | tee "$work/state.json"

failed=0
check() { # WHAT PATTERN FILE: a Perl pattern that may span lines
  if ! grep -qzP "$2" "$3"; then
    echo "run.sh: FAILED: $1" >&2
    failed=1
  fi
}
check "no success message" 'Successfully updated the Solvane/Solvane II\.\n' "$work/output.txt"
# What the program carries: application 35675, boot code 35673, sensor board
# 14760, X-Loader 6.00, and the WiFi images whose CRCs `solvane-image list` gives.
check "application not at 35675" '"application": \{\s*"build": 35675,\s*"pending": null' "$work/state.json"
check "boot code not at 35673" '"boot": \{\s*"build": 35673,\s*"pending": null' "$work/state.json"
check "sensor board not at 14760" '"sensorBoard": \{\s*"build": 14760,' "$work/state.json"
check "X-Loader not at 6.00" '"versionText": "X-Loader 6\.00 ' "$work/state.json"
check "WiFi application not the carried one" '"application": \{\s*"contentCrc": "0xFD179F70",' "$work/state.json"
check "WiFi NVS not the carried one" '"nvs": \{\s*"contentCrc": "0xA27146B3",' "$work/state.json"
[ "$failed" = 0 ] || exit 1
echo
echo "run.sh: the writer was updated and holds every component the program carries."
