#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests need a display: the whole run goes
# under xvfb-run so that logic and widget tests run together.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${R7716_BUILD_DIR:-$root/build}
cd "$build"
# A display number away from the usual :99, so that another xvfb-run starting at the same moment on this
# machine does not pick the same one. -noreset: by default the server resets whenever its last client
# leaves, and a widget test that connects during that reset fails to find a display.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-noreset -screen 0 1280x1024x24" \
  ctest --output-on-failure -j"$(nproc)" "$@"
