#!/usr/bin/env bash
# A private PostgreSQL server for the tests: a fresh cluster in a folder of
# its own, reachable only through a Unix socket in that folder (no TCP), with
# the database "velmora" and its owner "velmora" (local connections trusted:
# nobody else can reach the socket folder).
#
#   scripts/pg-server.sh start [FOLDER]   prints the connection string
#   scripts/pg-server.sh stop FOLDER
#
# Without FOLDER a temporary one is made. The server refuses to run as root;
# when started by root it runs as the user "nobody" (VELMORA_PG_USER to choose
# another), who is given the folder.
set -euo pipefail

bin=${VELMORA_PG_BIN:-}
if [[ -z $bin ]]; then
  for d in /usr/lib/postgresql/*/bin; do [[ -x $d/initdb ]] && bin=$d; done
fi
if [[ -z $bin || ! -x $bin/initdb ]]; then
  echo "pg-server: PostgreSQL server binaries not found (install postgresql)" >&2
  exit 2
fi

as_server() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u "${VELMORA_PG_USER:-nobody}" -- "$@"
  else
    "$@"
  fi
}

cmd=${1:-}
case $cmd in
start)
  folder=${2:-$(mktemp -d "${TMPDIR:-/tmp}/velmora-pg.XXXXXX")}
  mkdir -p "$folder"
  folder=$(cd "$folder" && pwd)
  if [[ -e $folder/data ]]; then
    echo "pg-server: $folder/data exists already" >&2
    exit 1
  fi
  mkdir -p "$folder/socket"
  if [[ $(id -u) -eq 0 ]]; then
    # The server user must reach the folder and own its part of it.
    chmod 755 "$folder"
    chown "${VELMORA_PG_USER:-nobody}" "$folder" "$folder/socket"
  fi
  as_server "$bin/initdb" -D "$folder/data" -U velmora -A trust -E UTF8 --locale=C.UTF-8 -N >"$folder/initdb.log" 2>&1 \
    || { cat "$folder/initdb.log" >&2; exit 1; }
  as_server "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -s \
    -o "-c listen_addresses='' -k '$folder/socket' -c fsync=off -c full_page_writes=off" start \
    || { cat "$folder/server.log" >&2; exit 1; }
  "$bin/createdb" -h "$folder/socket" -U velmora velmora
  echo "host=$folder/socket user=velmora dbname=velmora"
  ;;
stop)
  folder=${2:?pg-server: stop needs the folder given to start}
  as_server "$bin/pg_ctl" -D "$folder/data" -w -s -m fast stop
  ;;
*)
  echo "usage: $0 start [FOLDER] | stop FOLDER" >&2
  exit 2
  ;;
esac
