#!/bin/sh
# master_server.sh start|stop FOLDER BEACON_PORT LIST_PORT: runs the real
# master server of ../shared/peers/masterserver-qt5 (beside the repository)
# through its own start script, which builds it once into FOLDER/bin and keeps
# it there. The master listens on every address of its network, so it is
# only started inside a private network namespace that has nothing but
# loopback (run this under "unshare -n"); it never reaches another master.
# start always succeeds and writes FOLDER/state: "ready", or why the master
# is not there; a test skips unless it reads "ready".
set -e
action="$1" folder="$2" beacon="$3" list="$4"
repo="$(cd "$(dirname "$0")/.." && pwd)"
peer="$repo/../shared/peers/masterserver-qt5"
mkdir -p "$folder"
state() {
  printf '%s' "$1" >"$folder/state"
  echo "master server: $1"
}
listening() { ss -Htln "sport = :$list" 2>/dev/null | grep -q LISTEN; }
case "$action" in
start)
  rm -f "$folder/state"
  if [ ! -x "$peer/start" ]; then
    state "not there: no $peer/start"
    exit 0
  fi
  if ip -o addr show 2>/dev/null | awk '$2 != "lo" { found = 1 } END { exit !found }'; then
    state "not started: this network has addresses beside loopback (run under unshare -n)"
    exit 0
  fi
  if [ ! -x "$folder/bin/MasterServer-Qt5" ] && ! command -v qmake >/dev/null; then
    state "cannot be built: qmake missing (scripts/setup installs qtbase5-dev and libqt5sql5-sqlite)"
    exit 0
  fi
  if [ ! -x "$folder/bin/MasterServer-Qt5" ]; then echo "master server: building it once into $folder (minutes)"; fi
  # It ends by itself after ten minutes whatever happens to the stop step.
  setsid timeout 600 "$peer/start" "$folder" "$beacon" "$list" </dev/null >"$folder/master.log" 2>&1 &
  echo $! >"$folder/pid"
  i=0
  until listening; do
    if ! kill -0 "$(cat "$folder/pid")" 2>/dev/null; then
      tail -20 "$folder/master.log"
      state "ended before listening (log: $folder/master.log)"
      exit 0
    fi
    i=$((i + 1))
    if [ $i -gt 4000 ]; then
      state "not listening on TCP port $list within 400 s (log: $folder/master.log)"
      exit 0
    fi
    sleep 0.1
  done
  state "ready"
  ;;
stop)
  if [ -f "$folder/pid" ]; then
    # The session that setsid opened: timeout, the start script and the master.
    kill -- "-$(cat "$folder/pid")" 2>/dev/null || kill "$(cat "$folder/pid")" 2>/dev/null || true
    rm -f "$folder/pid"
  fi
  ;;
esac
