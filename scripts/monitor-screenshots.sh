#!/usr/bin/env bash
# Screenshots of the lab monitor as a real browser shows it while a simulated unit runs a test: the units
# board (board.png) and the running test's page with its chart (test.png). Everything runs in a scratch
# folder: a demo database (r7716-cli init-demo), r7716-sim serving unit 1 at 50 times real speed,
# r7716-cli run recording "Demo run" on it, and r7716-cli serve on a free port of 127.0.0.1; Debian's
# chromium takes the pictures. Every process started here is stopped by its PID at the end.
#
#   scripts/monitor-screenshots.sh [OUT_DIR] [RUN_SECONDS]
#
# OUT_DIR: where the PNGs go (default monitor-screenshots/ in the checkout); RUN_SECONDS: how long the run
# goes before the pictures (default 25, about 21 simulated minutes: past the first shear-rate ramp).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${R7716_BUILD_DIR:-$root/build}/bin
out=$(realpath -m "${1:-$root/monitor-screenshots}")
run_seconds=${2:-25}
for program in r7716-cli r7716-sim; do
  [ -x "$bin/$program" ] || { echo "$bin/$program is not built (scripts/build.sh)" >&2; exit 1; }
done
command -v chromium >/dev/null || { echo "chromium is not installed (apt-get install chromium)" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
profile=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work" "$profile"
}
trap cleanup EXIT
cd "$work"

printf ' 1 \r\n 2 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n' > initial.txt
for i in 1 2 3 4 5 6 7 8; do printf 'B5\r\n'; done > BOBINFO.TXT
"$bin/r7716-cli" init-demo > init-demo.log 2>&1

# No console: the simulator runs until it is stopped.
"$bin/r7716-sim" --units 1 --speed 50 --pressure 1500 < /dev/null > sim.log 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q . serialports.txt 2>/dev/null && break; sleep 0.1; done
"$bin/r7716-cli" run 1 "Borate XL 250F" "Demo run" --tick-ms 20 > run.log 2> run.err &
pids+=($!)
"$bin/r7716-cli" serve --listen 127.0.0.1:0 > serve.log 2> serve.err &
pids+=($!)
url=""
for _ in $(seq 100); do
  url=$(grep -o 'http://127.0.0.1:[0-9]*/' serve.log || true)
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { echo "the monitor did not start:" >&2; cat serve.err >&2; exit 1; }
echo "monitor at $url; the run records for $run_seconds s ..."
sleep "$run_seconds"

shoot() {  # FILE HEIGHT PATH
  chromium --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update \
    --disable-sync --no-first-run --user-data-dir="$profile" --hide-scrollbars --virtual-time-budget=5000 \
    --screenshot="$out/$1" --window-size=1280,"$2" "$url$3" > /dev/null 2>&1
}
shoot board.png 900 ""
shoot test.png 1900 "tests/Demo%20run"
echo "readings stored so far: $(wc -l < run.log)"
echo "wrote $out/board.png and $out/test.png"
