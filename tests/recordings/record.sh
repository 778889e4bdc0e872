#!/bin/bash
# Records the simulated writer's scenarios of this folder anew with the
# programs of BUILD (default build): tests/recordings/record.sh [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SOLVANE_DEVICE_DIR=$work/devices XDG_DOCUMENTS_DIR=$work/docs
mkdir -p "$XDG_DOCUMENTS_DIR"

# name | simulator options | lines typed into solvane-update
scenarios=(
  "whole-update||g\n\n\n"
  "refused-model|--type 17|g\n\n"
  "log-unopened|--type 17|g\n\n"
  "downgrade-declined|--app-version 9.00.00|g\nn\n\n"
  "realtime-open|--realtime-open|g\n\n"
  "boot-mode|--boot-mode|g\n\n\n"
  "xloader-refused|--fault {\"code\":\"0x0060\",\"chunk\":1,\"action\":\"status\",\"status\":35,\"times\":1}|g\n\n\n"
)
for scenario in "${scenarios[@]}"; do
  IFS='|' read -r name options answers <<<"$scenario"
  rm -rf "$work/state" "$work/sim.out" "$XDG_DOCUMENTS_DIR/RORivevi.log"
  # A folder where the log would be: the log cannot open.
  [[ $name == log-unopened ]] && mkdir "$XDG_DOCUMENTS_DIR/RORivevi.log"
  # shellcheck disable=SC2086
  "$build/sim/solvane-writer-sim" --state "$work/state" $options >"$work/sim.out" 2>&1 &
  sim=$!
  for _ in $(seq 100); do grep -qs serving "$work/sim.out" && break; sleep 0.1; done
  printf "$answers" | timeout 300 "$build/app/posix/solvane-update" \
    --record "$here/$name.jsonl" >/dev/null || true
  kill -INT "$sim"
  wait "$sim" || true
  echo "$name: $(wc -c <"$here/$name.jsonl") bytes"
done
# The writer's first identification changed by hand to application version 1.00.00.
sed '0,/"params":\["0x00000013","0x09000000"/s//"params":["0x00000013","0x01000000"/' \
  "$here/downgrade-declined.jsonl" >"$here/changed/downgrade-declined-older-writer.jsonl"
