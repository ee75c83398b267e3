#!/bin/sh
# master_interop.sh MASTER_FOLDER FOLDER GAME_SERVER TEST [WINEPREFIX]: runs
# the real master (built once into MASTER_FOLDER) with game-server stand-ins
# that heartbeat to it, then TEST against them, all inside a private network
# namespace where only loopback exists. With WINEPREFIX the stand-ins and the
# test are Windows programs, run under Wine in that prefix by a Wine server
# started in the namespace (it makes the programs' sockets) and ended after.
# Exits 77 (skipped) with the reason when the master cannot run here.
set -e
master="$1" folder="$2" game_server="$3" test="$4" prefix="${5:-}"
here="$(cd "$(dirname "$0")" && pwd)"
private() { ! ip -o addr show 2>/dev/null | awk '$2 != "lo" { found = 1 } END { exit !found }'; }
if ! private; then
  if ! unshare -n true 2>/dev/null; then
    echo "master interop: skipped, no private network namespace can be made here (unshare -n needs root)"
    exit 77
  fi
  exec unshare -n sh "$0" "$@"
fi
ip link set lo up
run() { "$@"; }
if [ -n "$prefix" ]; then
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # A Wine server of this prefix left from a run in another namespace would make the sockets there.
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  sh "$here/../scripts/wine-env" "$prefix" >/dev/null
  [ -n "${DISPLAY:-}" ] || { DISPLAY=$(cat "$prefix.display"); export DISPLAY; }
  run() { /usr/lib/wine/wine64 "$@"; }
fi
beacon=27900 list=28900
mkdir -p "$folder"
sh "$here/master_server.sh" start "$master" $beacon $list
if [ "$(cat "$master/state")" != ready ]; then
  echo "master interop: skipped, the master server is $(cat "$master/state")"
  exit 77
fi
# Two groups of stand-ins of all three games in turn, some silent: replies in
# three parts in order, and in three parts last first.
groups="12203:12300:12:2:0 12403:12500:6:1:1"
standins=""
for group in $groups; do
  IFS=: read -r gameport queryport count silent reversed <<EOG
$group
EOG
  reverse=""
  [ "$reversed" = 1 ] && reverse=--reverse-parts
  run "$game_server" --port "$gameport" --query-port "$queryport" --count "$count" --silent "$silent" \
    --game mohaa,mohaas,mohaab --master 127.0.0.1:$beacon --heartbeat-ms 2000 --parts 3 $reverse \
    --quit-after-ms 120000 </dev/null >"$folder/game_server_$queryport.log" 2>&1 &
  standins="$standins $!"
done
# What Debian's quakestat reads from every stand-in, for tests to hold their
# own reading against (KESTRUN_QUAKESTAT; Wine sees the file on drive Z:).
for log in "$folder"/game_server_*.log; do
  i=0
  until grep -q answering "$log" 2>/dev/null || [ $i -gt 100 ]; do sleep 0.1; i=$((i + 1)); done
done
if command -v quakestat >/dev/null; then
  servers=""
  for group in $groups; do
    IFS=: read -r gameport queryport count silent reversed <<EOG
$group
EOG
    for port in $(seq "$queryport" $((queryport + count - 1))); do servers="$servers -mas 127.0.0.1:$port"; done
  done
  # shellcheck disable=SC2086
  quakestat -P -raw ';' $servers >"$folder/quakestat.txt" 2>&1 || true
  export KESTRUN_QUAKESTAT="$folder/quakestat.txt"
fi
status=0
export KESTRUN_MASTER_LIST_PORT=$list KESTRUN_STANDINS="$groups"
run "$test" </dev/null || status=$?
# Whatever the master listens on, in here that is loopback alone; and it has
# reached nothing outside this machine.
ss -Htunap >"$folder/sockets.txt"
echo "master interop: the master's sockets:"
grep MasterServer "$folder/sockets.txt" || true
if awk '/MasterServer/ { print $6 }' "$folder/sockets.txt" | grep -v -E '^(\*|0\.0\.0\.0|\[::\]|\[::ffff:127\.[0-9.]*\]|127\.[0-9.]*|\[::1\]):' ; then
  echo "master interop: FAILED, the master has a peer outside loopback"
  status=1
fi
kill $standins 2>/dev/null || true  # shellcheck disable=SC2086
sh "$here/master_server.sh" stop "$master"
if [ -n "$prefix" ]; then /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
exit $status
