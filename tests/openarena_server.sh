#!/bin/sh
# openarena_server.sh start|stop FOLDER PORT [MAP BOTS NAME RCONPASSWORD]: runs Debian's
# openarena-server, a real server of the game's protocol family, on the
# loopback address for the interoperability tests: LAN mode, no master
# servers, by default two bots on oa_dm1 (BOTS: 1 to 4: Sarge, Grism,
# Major, Kyonshi), its game log (HOME/.openarena/baseoa/games.log) written
# through at every line.
# start always succeeds and writes FOLDER/state: "ready", or why the server
# is not there ("not installed", ...); the test skips unless it reads "ready".
set -e
action="$1" folder="$2" port="$3" map="${4:-oa_dm1}" bots="${5:-2}" name="${6:-noname}" rcon="${7:-}"
server=/usr/games/openarena-server
mkdir -p "$folder"
state() {
  printf '%s' "$1" >"$folder/state"
  echo "openarena-server: $1"
}
case "$action" in
start)
  rm -f "$folder/state"
  if [ ! -x "$server" ]; then
    state "not installed"
    exit 0
  fi
  addbots="" last=-1
  for bot in sarge grism major kyonshi; do
    [ $((last + 1)) -lt "$bots" ] || break
    addbots="$addbots +addbot $bot 1" last=$((last + 1))
  done
  # The server ends by itself after five minutes whatever happens to the stop step.
  # shellcheck disable=SC2086
  HOME="$folder" setsid timeout 300 "$server" +set dedicated 1 +set net_ip 127.0.0.1 +set net_port "$port" \
    +set sv_master1 "" +set sv_master2 "" +set sv_master3 "" +set sv_master4 "" +set sv_master5 "" \
    +set sv_hostname "$name" +set sv_maxclients 12 +set sv_privateClients 2 +set timelimit 15 +set fraglimit 20 \
    +set g_gametype 0 +set g_logsync 1 +set rconpassword "$rcon" +map "$map" $addbots </dev/null >"$folder/server.log" 2>&1 &
  echo $! >"$folder/pid"
  i=0
  until grep -q "ClientBegin: $last" "$folder/server.log" 2>/dev/null; do
    if grep -q "Address already in use" "$folder/server.log" 2>/dev/null; then
      state "UDP port $port is taken"
      exit 0
    fi
    i=$((i + 1))
    if [ $i -gt 300 ]; then
      tail -20 "$folder/server.log"
      state "did not come up within 30 s (log: $folder/server.log)"
      exit 0
    fi
    sleep 0.1
  done
  state "ready"
  ;;
stop)
  if [ -f "$folder/pid" ]; then
    kill "$(cat "$folder/pid")" 2>/dev/null || true
    rm -f "$folder/pid"
  fi
  ;;
esac
