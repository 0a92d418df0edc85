#!/usr/bin/env bash
# The one throwaway PostgreSQL cluster of a CTest run: every test against the server engine uses it (each
# makes its own database in it), so that a plain `ctest` starts one cluster, not one per test program.
#
#   pg-fixture.sh start STATEFILE    starts the cluster in a new folder under $TMPDIR, writes its URI
#   pg-fixture.sh remove STATEFILE   removes the cluster of STATEFILE
#
# STATEFILE holds "uri=..." (empty when no server is installed: the tests then skip) and "dir=...".
# With R7716_TEST_PG_URI set the tests use that server and nothing is started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
action=${1:-}
state=${2:-}
[ -n "$action" ] && [ -n "$state" ] || { echo "usage: $0 start|remove STATEFILE" >&2; exit 64; }

case "$action" in
  start)
    if [ -n "${R7716_TEST_PG_URI:-}" ]; then
      printf 'uri=%s\ndir=\n' "$R7716_TEST_PG_URI" >"$state"
      exit 0
    fi
    dir=$(mktemp -d "${TMPDIR:-/tmp}/r7716-pg.XXXXXX")
    status=0
    uri=$("$root/scripts/pg-cluster.sh" start "$dir" --fast) || status=$?
    if [ "$status" -eq 3 ]; then
      rm -rf "$dir"
      printf 'uri=\ndir=\n' >"$state"
      echo "No PostgreSQL server is installed: the tests against the server engine are skipped." >&2
      exit 0
    fi
    [ "$status" -eq 0 ] || { rm -rf "$dir"; exit "$status"; }
    printf 'uri=%s\ndir=%s\n' "$uri" "$dir" >"$state"
    echo "PostgreSQL test cluster: $uri"
    ;;
  remove)
    [ -f "$state" ] || exit 0
    dir=$(sed -n 's/^dir=//p' "$state")
    [ -n "$dir" ] && "$root/scripts/pg-cluster.sh" remove "$dir"
    rm -f "$state"
    ;;
  *)
    echo "usage: $0 start|remove STATEFILE" >&2
    exit 64
    ;;
esac
