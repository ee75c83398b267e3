#!/bin/sh
# openarena_server.sh start|stop FOLDER PORT: runs Debian's openarena-server,
# a real server of the game's protocol family, on the loopback address for the
# interoperability test: LAN mode, no master servers, two bots on oa_dm1.
# Where it is not installed, start says so and succeeds; the test then skips.
set -e
action="$1" folder="$2" port="$3"
server=/usr/games/openarena-server
mkdir -p "$folder"
case "$action" in
start)
  if [ ! -x "$server" ]; then
    echo "openarena-server is not installed: the interoperability test will skip"
    exit 0
  fi
  # The server ends by itself after five minutes whatever happens to the stop step.
  HOME="$folder" setsid timeout 300 "$server" +set dedicated 1 +set net_ip 127.0.0.1 +set net_port "$port" \
    +set sv_master1 "" +set sv_master2 "" +set sv_master3 "" +set sv_master4 "" +set sv_master5 "" \
    +set sv_maxclients 12 +set sv_privateClients 2 +set timelimit 15 +set fraglimit 20 +set g_gametype 0 \
    +map oa_dm1 +addbot sarge 1 +addbot grism 1 </dev/null >"$folder/server.log" 2>&1 &
  echo $! >"$folder/pid"
  i=0
  until grep -q "ClientBegin: 1" "$folder/server.log" 2>/dev/null; do
    if grep -q "Address already in use" "$folder/server.log" 2>/dev/null; then
      echo "UDP port $port is taken; openarena-server cannot serve the test"
      exit 1
    fi
    i=$((i + 1))
    if [ $i -gt 300 ]; then
      echo "openarena-server did not come up:"
      tail -20 "$folder/server.log"
      exit 1
    fi
    sleep 0.1
  done
  echo "openarena-server runs on 127.0.0.1:$port (pid $(cat "$folder/pid"))"
  ;;
stop)
  if [ -f "$folder/pid" ]; then
    kill "$(cat "$folder/pid")" 2>/dev/null || true
    rm -f "$folder/pid"
  fi
  ;;
esac
