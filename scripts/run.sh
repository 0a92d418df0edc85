#!/usr/bin/env bash
# Installs what is missing, builds, prepares the demo working directory demo/ (settings file, database with
# demo sequences and tests, simulated units on pseudo-terminals when the simulator is built) and starts the
# program there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
bin=${R7716_BUILD_DIR:-$root/build}/bin
demo=$root/demo
mkdir -p "$demo"
cd "$demo"

# Units 1 and 2 on the first two ports, CGS units. Kept when the operator has saved other settings.
if [ ! -f initial.txt ]; then
  printf ' 1 \r\n 2 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n' > initial.txt
fi
# Every unit carries the standard bob until a calibration says otherwise.
if [ ! -f BOBINFO.TXT ]; then
  for i in 1 2 3 4 5 6 7 8; do printf 'B5\r\n'; done > BOBINFO.TXT
fi
# The database with its demo sequences and tests is made once; later runs keep what the operator stored.
if [ ! -f R7716.mdb ]; then
  "$bin/r7716-cli" init-demo
fi

sim_pid=""
if [ -x "$bin/r7716-sim" ]; then
  # R7716_SIM_SPEED: simulated seconds per real second (for r7716-cli run --tick-ms demonstrations).
  "$bin/r7716-sim" --units 1,2 --speed "${R7716_SIM_SPEED:-1}" &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
  sleep 1
fi
"$bin/r7716"
