#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests need a display: the whole run goes
# under xvfb-run so that logic and widget tests run together.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${R7716_BUILD_DIR:-$root/build}

# Everything the run leaves in temporary folders lies in one folder, removed when the run ends, whatever its
# outcome: the one throwaway PostgreSQL cluster that CTest's fixture starts for every test against the
# server engine (each makes its own database in it), the clusters that single tests start and stop
# themselves (even when a test crashed before removing its own), and the tests' scratch files. Without
# server programs those tests skip.
run_dir=$(mktemp -d /tmp/r7716-test.XXXXXX)
chmod 755 "$run_dir"  # the clusters' user (nobody, under root) reaches the clusters inside
mkdir -m 1777 "$run_dir/tmp"
cleanup() {
  local version
  while IFS= read -r version; do
    "$root/scripts/pg-cluster.sh" remove "$(dirname "$(dirname "$version")")" || true
  done < <(find "$run_dir" -maxdepth 4 -path '*/data/PG_VERSION' 2>/dev/null)
  rm -rf "$run_dir"
}
trap cleanup EXIT
export TMPDIR=$run_dir/tmp

cd "$build"
# A display number away from the usual :99, so that another xvfb-run starting at the same moment on this
# machine does not pick the same one. -noreset: by default the server resets whenever its last client
# leaves, and a widget test that connects during that reset fails to find a display.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-noreset -screen 0 1280x1024x24" \
  ctest --output-on-failure -j"$(nproc)" "$@"
