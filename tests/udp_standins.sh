#!/bin/sh
# udp_standins.sh GAME_SERVER WINE_RUN TEST: runs TEST under Wine (through the
# build's WINE_RUN) beside a thousand native game-server stand-ins per group,
# in processes of a hundred, the last ten of each silent. Under Wine the
# stand-ins' own socket waits go through the one Wine server that also
# carries the test's sockets: they answer far slower than real servers do.
# GAME_SERVER is the native stand-in; when missing it is built first.
set -e
game_server="$1" wine_run="$2" test="$3"
repo="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -x "$game_server" ]; then
  echo "udp stand-ins: building the native game-server stand-in"
  (cd "$repo" && cmake --preset native >/dev/null && cmake --build --preset native --target game_server >/dev/null)
fi
# Group: first game port, first query port, parts and how they are sent.
# Below the ports the system hands out to sockets bound to none (32768 on),
# so that no other program's socket can have taken one of them.
groups="20000:21000:3: 22000:23000:2:--reverse-parts"
pids=""
for group in $groups; do
  IFS=: read -r gameport queryport parts reverse <<EOG
$group
EOG
  for block in 0 1 2 3 4 5 6 7 8 9; do
    "$game_server" --port $((gameport + block * 100)) --query-port $((queryport + block * 100)) --count 100 \
      --silent 10 --parts "$parts" $reverse --quit-after-ms 230000 </dev/null >/dev/null 2>&1 &
    pids="$pids $!"
  done
done
trap 'kill $pids 2>/dev/null || true' EXIT
# Every port is bound before a stand-in reads: each answering its first port is ready.
ready() {
  python3 - "$@" <<'EOP'
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.settimeout(0.2)
for port in map(int, sys.argv[1:]):
    for attempt in range(50):
        s.sendto(b"\\basic\\", ("127.0.0.1", port))
        try:
            s.recvfrom(2048)
            break
        except socket.timeout:
            pass
    else:
        sys.exit(1)
EOP
}
ports=""
for group in $groups; do
  q=$(echo "$group" | cut -d: -f2)
  for block in 0 1 2 3 4 5 6 7 8 9; do ports="$ports $((q + block * 100))"; done
done
# shellcheck disable=SC2086
ready $ports || { echo "udp stand-ins: the stand-ins did not answer"; exit 1; }
export KESTRUN_UDP_STANDINS="21000:3 23000:2r"
"$wine_run" "$test"
