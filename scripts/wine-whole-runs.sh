# Whole runs of SolvaneUpdate.exe against the Windows build of the simulated
# writer, found and opened through the setup services as on a user's PC.
# Sourced by wine-tests.sh, in its prefix, display and wine server, with its
# helpers (step, probe, fail, expect, handle, shot).

device_exe=$build/tests/win32/solvane-wine-device.exe
sim_exe=$build/sim/solvane-writer-sim.exe
sim_pid=""
date_stamp='[A-Z][a-z]+ [0-9]{2}, [0-9]{4}  [0-9]{2}:[0-9]{2}:[0-9]{2}'

device() {
  step 30 wine "$device_exe" "$@" 2>>"$out/device.log" | tr -d '\r'
}

# Wine's name for a folder of ours.
windows_path() {
  echo "Z:${1//\//\\}"
}

# start_sim RUN ARGUMENTS...: a simulated writer with the state folder of RUN,
# in realistic timing, so a restart takes its few seconds.
start_sim() {
  local run=$1
  shift
  mkdir -p "$out/$run"
  rm -rf "$work/$run"
  : >"$out/$run/sim.err"
  wine "$sim_exe" --state "$(windows_path "$work/$run")" --realistic \
    --transcript "$(windows_path "$out/$run/transcript.jsonl")" "$@" \
    >"$out/$run/sim.out" 2>"$out/$run/sim.err" &
  sim_pid=$!
  for _ in $(seq 200); do
    grep -q "serving on" "$out/$run/sim.err" && return 0
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  fail "$run: the simulated writer does not serve: $(tr -d '\r' <"$out/$run/sim.err")"
}

# Stops the simulated writer through its stop event, so it saves its state.
stop_sim() {
  local run=$1 code=0
  [ "$(device stop writer0)" = "stop sent to writer0" ] || fail "$run: cannot stop the simulator"
  for _ in $(seq 100); do
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$sim_pid" 2>/dev/null && fail "$run: the simulator does not stop"
  wait "$sim_pid" || code=$?
  sim_pid=""
  expect "$run: simulator exit" "$code" "0"
}

# The writer's state as one line of JSON, keys sorted, no blanks.
sim_state() {
  step 30 wine "$sim_exe" --state "$(windows_path "$work/$1")" --print-state | tr -d '\r' \
    >"$out/$1/state.json"
  tr -d '\n ' <"$out/$1/state.json"
}

state_has() {  # state_has RUN STATE PIECE...
  local run=$1 state=$2
  shift 2
  for piece in "$@"; do
    [[ "$state" == *"$piece"* ]] || fail "$run: the writer's state lacks $piece (see $out/$run/state.json)"
    checks=$((checks + 1))
  done
}

# Milliseconds from the first reset request of a transcript to the request after it.
restart_gap() {
  awk '/"dir":"request"/ && !done {
    match($0, /"code":"0x[0-9A-F]+"/); code = substr($0, RSTART + 8, 6)
    match($0, /"t":[0-9]+/); t = substr($0, RSTART + 4, RLENGTH - 4)
    if (last == "0x0051") { print t - lastT; done = 1 }
    last = code; lastT = t
  }' "$1"
}

# The update log with every date stamp written "@", checked byte for byte.
expect_log() {  # expect_log RUN EXPECTED
  local run=$1 log="$user_dir/Documents/RORivevi.log"
  [ -f "$log" ] || fail "$run: no RORivevi.log"
  cp "$log" "$out/$run/RORivevi.log"
  expect "$run: log" "$(sed -E "s/^$date_stamp - /@ - /" "$log")" "$2"
  expect "$run: log date is the day of the run" "$(head -c 17 "$log")" "$app_day"
  expect "$run: log line ends" "$(grep -c $'\r' "$log" || true)" "0"
  rm -f "$log"
}

# start_app RUN [SWITCH...]: SolvaneUpdate.exe with its main dialog up; "Go!" pressed.
start_app() {
  local run=$1
  rm -f "$user_dir/Documents/RORivevi.log"
  wine "$exe" "${@:2}" >"$out/$run/SolvaneUpdate.log" 2>&1 &
  app_pid=$!
  main=$(handle "$run: main dialog" "$(probe window "Solvane Update - Build:  35675" 20000)")
  app_day=$(date '+%B %d, %Y')
  expect "$run: Go!" "$(probe click "$main" 1001)" "posted"
}

# answer RUN CAPTION TEXT BUTTON TIMEOUT_MS [STATUS]: the box that comes, read
# and answered; STATUS, when given, is the main dialog's status text under it.
answer() {
  local run=$1 box
  box=$(handle "$run: box \"$2\"" "$(probe owned "$main" "$2" "$5")")
  expect "$run: box text" "$(probe text "$box" 65535)" "$3"
  if [ $# -ge 6 ]; then
    expect "$run: status under the box" "$(probe text "$main" 1002)" "$6"
  fi
  shot "$run"
  expect "$run: box button" "$(probe click "$box" "$4")" "posted"
  expect "$run: box closed" "$(probe gone "$box" 10000)" "gone"
}

# The program ends by itself (after a success) or on "&Quit".
app_ends() {
  local run=$1
  if [ "${2:-}" = quit ]; then
    # A Quit during the run's cleanup would be dropped.
    session_may_end_when_idle "$run"
    expect "$run: status after the run" "$(probe text "$main" 1002)" "$intro"
    expect "$run: Quit" "$(probe click "$main" 2)" "posted"
  fi
  expect "$run: main dialog closed" "$(probe gone "$main" 15000)" "gone"
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "$run: SolvaneUpdate.exe still runs"
  app_pid=""
  checks=$((checks + 1))
}

# The three lines a Solvane/Solvane II's identification logs; each ends in a blank line.
found_lines='@ - USB found Solvane/Solvane II(19), App. Ver. %s, Build %s

@ - USB found Solvane/Solvane II(19), Main Boot Ver. 1.00.00, Build 35600

@ - USB found Solvane/Solvane II(19), Secondary Boot Ver. 1.00.00, Build 35600'

# watch_progress RUN: watches the main dialog's progress bar from "Go!" to the
# success box, in the background; progress_seen RUN checks what it saw.
watch_progress() {
  step 150 wine "$probe_exe" progress "$main" "Solvane Update" 120000 \
    2>>"$out/probe.log" | tr -d '\r' >"$out/$1/progress.txt" &
  progress_pid=$!
}

progress_seen() {
  local run=$1 seen
  wait "$progress_pid" || fail "$run: the progress watch failed: $(cat "$out/$run/progress.txt")"
  seen=$(cat "$out/$run/progress.txt")
  echo "progress bar: $seen"
  field() { echo "$seen" | sed -nE "s/.* $1 ([a-z0-9]+).*/\1/p"; }
  [ "$(field visible)" -gt 0 ] || fail "$run: no progress bar showed during the transfers: $seen"
  [ "$(field hidden-after-shown)" -gt 0 ] || fail "$run: the progress bar stayed up between steps: $seen"
  expect "$run: progress bar under the success box" "$(field at-box)" "hidden"
  # Its position can be asked only while the dialog takes messages during the
  # run; where it does, the bar must be seen filling.
  if [ "$(field positions-read)" -gt 0 ]; then
    [ "$(field rises)" -gt 0 ] || fail "$run: the progress bar showed but did not fill: $seen"
  else
    echo "progress bar: position unread, the dialog took no messages while it showed"
  fi
  checks=$((checks + 3))
}

# watch_start RUN: from "&Go!" to the success box, WM_NULL sent to the main
# dialog about every 100 ms; watch_result reads the longest answer time.
watch_start() {
  wine "$probe_exe" watch "$main" "Solvane Update" >"$out/$1/watch.txt" 2>>"$out/probe.log" &
  watch_pid=$!
}

watch_result() {
  local run=$1 code=0 answer ms
  wait "$watch_pid" || code=$?
  answer=$(tr -d '\r' <"$out/$run/watch.txt")
  echo "$run: WM_NULL $answer"
  ms=$(echo "$answer" | sed -nE 's/^longest answer ([0-9]+) ms$/\1/p')
  [ "$code" = 0 ] && [ -n "$ms" ] || fail "$run: the main dialog did not answer WM_NULL: $answer"
  # Windows counts a window as hung at 5000 ms; this bound leaves room for a
  # loaded machine.
  [ "$ms" -le 2000 ] || fail "$run: the main dialog took $ms ms to answer WM_NULL"
  checks=$((checks + 1))
}

# Mid-run: "&Quit", "&Go!", the close box and the close command do nothing,
# and the session may not end.
takes_no_input() {
  local run=$1
  sleep 3
  expect "$run: Quit mid-run" "$(probe click "$main" 2)" "posted"
  expect "$run: Go! mid-run" "$(probe click "$main" 1001)" "posted"
  expect "$run: WM_CLOSE mid-run" "$(probe post "$main" 0x10 0)" "posted"
  expect "$run: SC_CLOSE mid-run" "$(probe syscommand "$main" 0xF060)" "posted"
  expect "$run: WM_QUERYENDSESSION mid-run" "$(probe send "$main" 0x11)" "0"
}

# After a run that did not succeed, once its cleanup (about 2.2 s after its
# box) is done, the session may end.
session_may_end_when_idle() {
  local run=$1 answer=""
  for _ in $(seq 50); do
    answer=$(probe send "$main" 0x11)
    [ "$answer" = 1 ] && break
    sleep 0.2
  done
  expect "$run: WM_QUERYENDSESSION when idle" "$answer" "1"
}

# A second copy started mid-run: its "&Go!" is refused, and it quits.
second_copy_refused() {
  local run=$1 second second_pid
  wine "$exe" >"$out/$run/second.log" 2>&1 &
  second_pid=$!
  second=$(handle "$run: second copy" \
    "$(probe other "$main" "Solvane Update - Build:  35675" 20000)")
  expect "$run: second copy's Go!" "$(probe click "$second" 1001)" "posted"
  local box
  box=$(handle "$run: second copy's refusal" "$(probe owned "$second" "Error" 20000)")
  expect "$run: refusal text" "$(probe text "$box" 65535)" \
    'Another Solvane Update is updating a writer.\nPlease wait until it has finished.'
  expect "$run: refusal OK" "$(probe click "$box" 1)" "posted"
  expect "$run: refusal closed" "$(probe gone "$box" 10000)" "gone"
  expect "$run: second copy quits" "$(probe click "$second" 2)" "posted"
  expect "$run: second copy closed" "$(probe gone "$second" 15000)" "gone"
  wait "$second_pid" || true
}

whole_runs() {
  echo "== Whole runs of SolvaneUpdate.exe against the simulated writer"
  local state started

  # Every component old, the writer ./run.sh updates on Linux; its clock two
  # minutes fast, which the exe sets without asking.
  start_sim update --type 19 --app-version 1.63.00 --app-build 34000 --boot-version 1.00.00 \
    --boot-build 35600 --sensor-build 14000 --xloader-version 5.00 --clock-offset 120
  started=$(date +%s)
  start_app update
  watch_progress update
  watch_start update
  takes_no_input update
  second_copy_refused update
  answer update "Solvane Update" \
    'Successfully updated the Solvane/Solvane II.\n           Click OK to Exit.' 1 120000 \
    '\n\n\n\n\n\nSolvane/Solvane II Updated.'
  watch_result update
  progress_seen update
  echo "whole update: $(($(date +%s) - started)) s"
  app_ends update
  stop_sim update
  expect_log update "@ - Solvane Update: Build: 35675
$(printf "$found_lines" 1.63.00 34000)

@ - Sending boot code version 1.00.00 Build 35673 to Solvane/Solvane II...
@ - Sending software version 2.00.00 Build 35675 to Solvane/Solvane II...
@ - Sending KeySensor Board Code to Solvane/Solvane II...
@ - Reading WiFi App. from Solvane/Solvane II...
@ - Sending WiFi App. to Solvane/Solvane II...
@ - Reading WiFi App. from Solvane/Solvane II...
@ - Reading WiFi NVS. from Solvane/Solvane II...
@ - Sending WiFi NVS. to Solvane/Solvane II...
@ - Reading WiFi NVS. from Solvane/Solvane II...
@ - Old X-Loader 5.00 (, programming X-Loader 6.00 (
@ - Sending XLoader Solvane/Solvane II...
@ - Successfully updated the Solvane/Solvane II.
@ - Exiting"
  state=$(sim_state update)
  state_has update "$state" \
    '"application":{"build":35675,"pending":null,"valid":true,"version":"2.00.00"}' \
    '"boot":{"build":35673,"pending":null,"secondaryBuild":35600,"secondaryVersion":"1.00.00","version":"1.00.00"}' \
    '"bootMode":false' '"machineType":19' '"startsAfterRestart":true' \
    '"sensorBoard":{"build":14760,' '"codeIntact":true' \
    '"bootable":true' '"intact":true' '"versionText":"X-Loader6.00("' \
    '"shown":["ProgrammingBootCode","ProgrammingApplicationCode","UpdatingKeyboardScanner","CheckingWiFiApp...","LoadingWiFiApp...","CheckingWiFiApp...","CheckingWiFiNVS...","LoadingWiFiNVS...","CheckingWiFiNVS...","UpdatingX-Loader"]'
  # The restart takes 4 s: unplugged (259) for 2.5 s, listed but not openable
  # for 1.5 s. The exe tries once a second from 2 s on, so coming back no
  # sooner than 4 s means it went through both and kept trying.
  local gap
  gap=$(restart_gap "$out/update/transcript.jsonl")
  [ "$gap" -ge 4000 ] && [ "$gap" -lt 8000 ] ||
    fail "update: the first request after the restart came ${gap} ms after the reset"
  checks=$((checks + 1))
  # The exe's local time (GetTimeZoneInformation) against the writer's clock.
  local offset
  offset=$(echo "$state" | sed -nE 's/.*"clockOffsetSeconds":(-?[0-9]+).*/\1/p')
  [ -n "$offset" ] && [ "$offset" -ge -1 ] && [ "$offset" -le 1 ] ||
    fail "update: the writer's clock is ${offset:-?} s off the PC's after the update"
  checks=$((checks + 1))
  expect "update: one restart between stages and the closing reset" \
    "$(grep -c '"code":"0x0051","dir":"request"' "$out/update/transcript.jsonl" | tr -d '\r')" "2"

  # A model this update does not serve.
  start_sim other-model --type 5
  start_app other-model
  answer other-model "Error" 'Improper Machine Type.  This update is not for Quillon Braid!' 1 20000
  app_ends other-model quit
  stop_sim other-model
  expect_log other-model "@ - Solvane Update: Build: 35675
@ - USB found Quillon Braid(5), App. Ver. 16300.00 
@ - Improper Machine Type.  This update is not for Quillon Braid!
@ - Exiting"
  state=$(sim_state other-model)
  state_has other-model "$state" '"machineType":5' '"shown":[]'

  # The realtime file open on the writer, recorded: the exe asks the writer
  # what solvane-update asked it in the same scenario on Linux.
  start_sim realtime --type 19 --realtime-open
  start_app realtime /record "$(windows_path "$out/realtime/recording.jsonl")"
  answer realtime "Error" \
    'Unable to program your writer.\nPlease close any open files on your Solvane/Solvane II' 1 20000
  app_ends realtime quit
  stop_sim realtime
  expect_log realtime "@ - Solvane Update: Build: 35675
$(printf "$found_lines" 1.63.00 35000)

@ - Unable to program your writer.
Please close any open files on your Solvane/Solvane II
@ - Exiting"
  expect "realtime: recording as on Linux" \
    "$("$root/scripts/normalise-recording.sh" "$out/realtime/recording.jsonl")" \
    "$("$root/scripts/normalise-recording.sh" "$root/tests/recordings/realtime-open.jsonl")"
  state=$(sim_state realtime)
  state_has realtime "$state" '"shown":[]' \
    '"application":{"build":35000,"pending":null,"valid":true,"version":"1.63.00"}'

  # A newer writer, and the downgrade declined.
  start_sim downgrade --type 19 --app-version 2.01.00 --app-build 36000
  start_app downgrade
  answer downgrade "Warning" 'You are about to install version 2.00.00, Build 35675\non a Machine that is running version 2.01.00, Build 36000.\n              Are you sure you want to do this?' 7 20000
  app_ends downgrade quit
  stop_sim downgrade
  expect_log downgrade "@ - Solvane Update: Build: 35675
$(printf "$found_lines" 2.01.00 36000)

@ - You are about to install version 2.00.00, Build 35675
on a Machine that is running version 2.01.00, Build 36000.
              Are you sure you want to do this?
@ - Exiting"
  state=$(sim_state downgrade)
  state_has downgrade "$state" '"shown":[]' \
    '"application":{"build":36000,"pending":null,"valid":true,"version":"2.01.00"}'
}

# A copy of the exe with one byte of the application image's stream changed, as
# a damaged download would have it: the run stops before anything reaches the
# writer, its clock included.
damaged_image_run() {
  echo "== A damaged application image, never sent"
  local damaged_exe=$work/damaged-exe/SolvaneUpdate.exe damage state
  mkdir -p "$(dirname "$damaged_exe")"
  cp "$exe" "$damaged_exe"
  damage=$(probe damage-rcdata "$(windows_path "$damaged_exe")" 169)
  [[ "$damage" == "damaged byte at "* ]] || fail "damaged: $damage"
  checks=$((checks + 1))
  start_sim damaged --type 19 --app-version 1.63.00 --app-build 34000 --boot-version 1.00.00 \
    --boot-build 35600 --sensor-build 14000 --xloader-version 5.00 --clock-offset 120
  exe=$damaged_exe start_app damaged
  answer damaged "Error" 'Unable to load the firmware image 169.' 1 120000
  app_ends damaged quit
  stop_sim damaged
  expect_log damaged "@ - Solvane Update: Build: 35675
$(printf "$found_lines" 1.63.00 34000)

@ - Unable to load the firmware image 169.
@ - Exiting"
  state=$(sim_state damaged)
  state_has damaged "$state" '"shown":[]' '"clockOffsetSeconds":120' \
    '"application":{"build":34000,"pending":null,"valid":true,"version":"1.63.00"}'
}
