#!/bin/sh
# openarena_pair.sh start|stop FOLDER PORT1 PORT2: two openarena-server
# instances for the server list's interoperability test (oa_dm1 with two bots,
# oa_dm2 with one), and what Debian's quakestat reports for them, the status
# request with player lines (-P), in its raw form: FOLDER/quakestat.
# start always succeeds and writes FOLDER/state: "ready", or why not.
set -e
action="$1" folder="$2" port1="$3" port2="$4"
here="$(dirname "$0")"
mkdir -p "$folder"
state() {
  printf '%s' "$1" >"$folder/state"
  echo "openarena pair: $1"
}
case "$action" in
start)
  rm -f "$folder/state" "$folder/quakestat"
  if [ ! -x /usr/bin/quakestat ]; then
    state "quakestat is not installed (Debian package qstat)"
    exit 0
  fi
  sh "$here/openarena_server.sh" start "$folder/a" "$port1" oa_dm1 2 "Kestrun test one"
  sh "$here/openarena_server.sh" start "$folder/b" "$port2" oa_dm2 1 "Kestrun test two"
  for one in a b; do
    if [ "$(cat "$folder/$one/state")" != ready ]; then
      state "openarena-server (Debian package openarena-server): $(cat "$folder/$one/state")"
      exit 0
    fi
  done
  /usr/bin/quakestat -raw ';' -P -q3s "127.0.0.1:$port1" -q3s "127.0.0.1:$port2" >"$folder/quakestat"
  state "ready"
  ;;
stop)
  sh "$here/openarena_server.sh" stop "$folder/a" "$port1"
  sh "$here/openarena_server.sh" stop "$folder/b" "$port2"
  ;;
esac
