#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for tests and benchmarks: Unix socket only,
# trust authentication, all of it in one folder.
#
#   scripts/pg-cluster.sh start DIR [--durable]   initdb in DIR and start the server;
#                                                 prints PGHOST=DIR, PGPORT, PGUSER, PGDATABASE
#   scripts/pg-cluster.sh stop DIR                stop the server and delete DIR
#   scripts/pg-cluster.sh env DIR                 print the same lines as start
#
# Run as root, the server runs as the `postgres` user, which then owns DIR.
# Without --durable the server neither syncs nor waits for the disk (tests);
# with it, commits are durable as on a real server (benchmarks).
# The PostgreSQL binaries are looked for on PATH, then in
# /usr/lib/postgresql/*/bin. Without them start answers 77 and says so;
# with CI=true in the environment that is an error (exit 1).
set -euo pipefail

usage() { echo "usage: $0 start|stop|env DIR [--durable]" >&2; exit 2; }
[ $# -ge 2 ] || usage
cmd=$1 dir=$2 durable=0
[ "${3:-}" = "--durable" ] && durable=1
port=5432

print_env() {
  echo "PGHOST=$dir"
  echo "PGPORT=$port"
  echo "PGUSER=postgres"
  echo "PGDATABASE=postgres"
}

find_bin() {
  if command -v initdb >/dev/null 2>&1; then dirname "$(command -v initdb)"; return; fi
  local d
  for d in $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r); do
    [ -x "$d/initdb" ] && { echo "$d"; return; }
  done
}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case $cmd in
  start)
    bin=$(find_bin)
    if [ -z "$bin" ]; then
      echo "pg-cluster: no PostgreSQL server binaries (install postgresql)" >&2
      [ "${CI:-}" = "true" ] && exit 1
      exit 77
    fi
    # A cluster left by an earlier run that stopped abruptly goes first.
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bin/pg_ctl" -D "$dir/data" stop -m immediate >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    chmod 700 "$dir"
    as_owner "$bin/initdb" -D "$dir/data" -U postgres --auth=trust --encoding=UTF8 --locale=C.UTF-8 \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    opts="-c listen_addresses='' -c unix_socket_directories='$dir' -c port=$port -c max_connections=200"
    opts+=" -c shared_buffers=64MB"
    if [ $durable -eq 0 ]; then
      opts+=" -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
    fi
    as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -o "$opts" -w -t 60 start >/dev/null \
      || { cat "$dir/server.log" >&2; exit 1; }
    print_env
    ;;
  stop)
    bin=$(find_bin)
    if [ -n "$bin" ] && [ -f "$dir/data/postmaster.pid" ]; then
      as_owner "$bin/pg_ctl" -D "$dir/data" stop -m fast -w -t 60 >/dev/null || \
        as_owner "$bin/pg_ctl" -D "$dir/data" stop -m immediate >/dev/null || true
    fi
    rm -rf "$dir"
    ;;
  env) print_env ;;
  *) usage ;;
esac
