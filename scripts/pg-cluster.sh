#!/usr/bin/env bash
# A throwaway PostgreSQL cluster in a folder of its own, reached through a Unix socket in that folder (no
# TCP port), for the tests and benchmarks against a database server.
#
#   pg-cluster.sh start DIR [--fast]   makes the cluster when DIR holds none, starts it, prints its URI
#   pg-cluster.sh stop DIR             stops it (its data stay)
#   pg-cluster.sh remove DIR           stops it and removes DIR
#
# --fast turns off the server's flushes to disk: for tests, never for figures. The server refuses to run
# as root, so under root the cluster belongs to the user "nobody". Its role "r7716" is the superuser and
# local connections are trusted: nothing of it outlives DIR. Exit status 3 when no server is installed.
set -euo pipefail

action=${1:-}
dir=${2:-}
[ -n "$action" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop|remove DIR [--fast]" >&2; exit 64; }

bindir=""
for candidate in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
  if [ -x "$candidate/initdb" ] && [ -x "$candidate/pg_ctl" ]; then bindir=$candidate; break; fi
done
if [ -z "$bindir" ] && command -v pg_ctl >/dev/null && command -v initdb >/dev/null; then
  bindir=$(dirname "$(command -v pg_ctl)")
fi
[ -n "$bindir" ] || { echo "no PostgreSQL server (initdb, pg_ctl) is installed" >&2; exit 3; }

as_owner=()
if [ "$(id -u)" -eq 0 ]; then as_owner=(runuser -u nobody --); fi

case "$action" in
  start)
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    [ "$(id -u)" -eq 0 ] && chown nobody: "$dir"
    chmod 700 "$dir"
    "${as_owner[@]}" test -x "$dir" || { echo "the server's user cannot reach $dir (use a folder in /tmp)" >&2; exit 1; }
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      "${as_owner[@]}" "$bindir/initdb" -D "$dir/data" -U r7716 --auth=trust -E UTF8 --locale=C.UTF-8 \
        --no-sync >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    settings="-k $dir -c listen_addresses='' -c max_connections=200"
    [ "${3:-}" = "--fast" ] && settings="$settings -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 -o "$settings" start \
      >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
    echo "postgresql:///postgres?host=$dir&user=r7716"
    ;;
  stop)
    [ -f "$dir/data/postmaster.pid" ] || exit 0
    "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null
    ;;
  remove)
    if [ -f "$dir/data/postmaster.pid" ]; then
      "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop|remove DIR [--fast]" >&2
    exit 64
    ;;
esac
