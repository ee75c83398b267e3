#!/bin/sh
# local_network.sh GAME_SERVER TEST WINEPREFIX FOLDER: the Server List's
# "Local network" source in a private network namespace of its own, whose only
# interfaces are lo and the dummy lan0 (10.77.0.1/24): the broadcast never
# leaves it. Game-server stand-ins answer on every address there, on query
# ports in the range the source asks and one beyond; TEST (a Windows program)
# runs under Wine in WINEPREFIX, with a Wine server started in the namespace.
# Exits 77 (skipped) where no private namespace can be made.
set -e
game_server="$1" test="$2" prefix="$3" folder="$4"
here="$(cd "$(dirname "$0")" && pwd)"
links() { ip -o link show | awk -F': ' '{ sub(/@.*/, "", $2); print $2 }' | sort | tr '\n' ' '; }
refuse() { echo "local network: refused, the namespace has interfaces beside lo and lan0: $(links)"; exit 1; }
# Its own mount namespace too, for a /sys that shows this namespace's interfaces.
if [ "${LOCAL_NETWORK_INSIDE:-}" != 1 ]; then
  unshare -n -m true 2>/dev/null || { echo "local network: skipped, no private network namespace (unshare needs root)"; exit 77; }
  LOCAL_NETWORK_INSIDE=1 exec unshare -n -m sh "$0" "$@"
fi
[ "$(links)" = "lo " ] || refuse
mount -t sysfs sysfs /sys
ip link set lo up
# A bridge without ports where the kernel has no dummy interfaces: it carries nothing either.
ip link add lan0 type dummy 2>/dev/null || ip link add lan0 type bridge
ip addr add 10.77.0.1/24 broadcast 10.77.0.255 dev lan0
ip link set lan0 up
[ "$(links)" = "lan0 lo " ] || refuse
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wineserver -k 2>/dev/null || true
sh "$here/../scripts/wine-env" "$prefix" >/dev/null
[ -n "${DISPLAY:-}" ] || { DISPLAY=$(cat "$prefix.display"); export DISPLAY; }
rm -rf "$folder" && mkdir -p "$folder"
# Game port, first query port, count, silent ones, parts of a reply: 12316 is
# silent, 12317 out of range.
pids="" logs=""
for group in 12203:12300:3:0:1 12403:12314:3:1:3 12503:12317:1:0:1; do
  IFS=: read -r gameport queryport count silent parts <<EOG
$group
EOG
  /usr/lib/wine/wine64 "$game_server" --port "$gameport" --query-port "$queryport" --count "$count" \
    --silent "$silent" --parts "$parts" --lan-address 10.77.0.1 --quit-after-ms 120000 </dev/null >"$folder/game_server_$queryport.log" 2>&1 &
  pids="$pids $!" logs="$logs $folder/game_server_$queryport.log"
done
trap 'kill $pids 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
# Named, not matched: a stand-in not yet started has no log.
for log in $logs; do
  i=0
  until grep -q answering "$log" 2>/dev/null; do
    i=$((i + 1)); [ $i -le 300 ] || { echo "local network: a stand-in did not start"; cat "$log"; exit 1; }
    sleep 0.1
  done
done
export KESTRUN_LOCAL_ROWS="10.77.0.1:12203|Kestrun stand-in 1|0/20;10.77.0.1:12204|Kestrun stand-in 2|1/32;\
10.77.0.1:12205|Kestrun stand-in 3|2/20;10.77.0.1:12403|Kestrun stand-in 1|0/20;10.77.0.1:12404|Kestrun stand-in 2|1/32"
status=0
GTEST_FILTER='ServerListTest.TheLocalNetwork*' /usr/lib/wine/wine64 "$test" </dev/null || status=$?
for log in "$folder"/game_server_*.log; do echo "== $log"; grep -v '^game server: answering' "$log" || true; done
exit $status
