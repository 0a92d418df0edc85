#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Widget tests need a display: the whole run goes
# under xvfb-run so that logic and widget tests run together.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build=${R7716_BUILD_DIR:-$root/build}

# One throwaway PostgreSQL cluster for every test against the server engine (each makes its own database
# in it), removed when the run ends, whatever its outcome. Without server programs those tests skip.
if [ -z "${R7716_TEST_PG_URI:-}" ]; then
  pg_dir=$(mktemp -d /tmp/r7716-test-pg.XXXXXX)
  trap '"$root/scripts/pg-cluster.sh" remove "$pg_dir"' EXIT
  if uri=$("$root/scripts/pg-cluster.sh" start "$pg_dir" --fast); then
    export R7716_TEST_PG_URI=$uri
  else
    echo "No PostgreSQL test cluster: the tests against the server engine are skipped." >&2
  fi
fi

cd "$build"
# A display number away from the usual :99, so that another xvfb-run starting at the same moment on this
# machine does not pick the same one. -noreset: by default the server resets whenever its last client
# leaves, and a widget test that connects during that reset fails to find a display.
xvfb-run -a -n $((100 + RANDOM % 800)) -s "-noreset -screen 0 1280x1024x24" \
  ctest --output-on-failure -j"$(nproc)" "$@"
