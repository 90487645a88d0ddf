#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests, from Debian's server packages:
#
#   pg_test_server.sh start DIR   a new cluster in DIR, listening on a unix socket in DIR
#                                 only (no TCP port); writes DIR/conninfo
#   pg_test_server.sh stop DIR    stops it (if it runs) and removes DIR
#
# The server never runs as root: when the tests run as root it runs as the `postgres`
# user that Debian's package creates. Exit code 77 when there are no server binaries.
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
  echo "no PostgreSQL server binaries in /usr/lib/postgresql/*/bin (Debian package postgresql)" >&2
  exit 77
fi
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  if ! getent passwd postgres >/dev/null; then
    echo "running as root, and there is no 'postgres' user to run the server as" >&2
    exit 1
  fi
  as_server=(runuser -u postgres --)
fi

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w -t 20 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

case $cmd in
  start)
    stop # what a crashed run may have left
    mkdir -p "$dir"
    chmod 700 "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    if ! "${as_server[@]}" "$bin/initdb" -D "$dir/data" -U tidemark --auth=trust --no-sync -E UTF8 --locale=C \
        >"$dir/initdb.log" 2>&1; then
      cat "$dir/initdb.log" >&2
      exit 1
    fi
    # No TCP at all: the socket in the test's own folder; no flushes, it is thrown away.
    if ! "${as_server[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
        -o "-c listen_addresses= -c unix_socket_directories=$dir -p 5432 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
        start >/dev/null; then
      cat "$dir/server.log" >&2
      exit 1
    fi
    echo "host=$dir port=5432 user=tidemark dbname=postgres" >"$dir/conninfo"
    ;;
  stop)
    stop
    ;;
  *)
    echo "start or stop, not $cmd" >&2
    exit 2
    ;;
esac
