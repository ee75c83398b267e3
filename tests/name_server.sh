#!/bin/sh
# name_server.sh start|stop FOLDER: runs tools/name_server.py, the name-server
# stand-in for names that resolve slowly or never. start always succeeds and
# leaves FOLDER/state: "ready ADDRESS", or why the stand-in is not there; the
# tests that need its names skip unless wine-run passes them "ready".
set -e
action="$1" folder="$2"
here="$(dirname "$0")"
mkdir -p "$folder"
# The stand-in this folder's pid file names, if it still runs (and is one).
stop_standin() {
  if [ -f "$folder/pid" ]; then
    pid=$(cat "$folder/pid")
    if grep -q name_server.py "/proc/$pid/cmdline" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
    rm -f "$folder/pid"
  fi
}
case "$action" in
start)
  stop_standin
  rm -f "$folder/state"
  if ! command -v python3 >/dev/null 2>&1; then
    printf 'python3 is not installed' >"$folder/state"
  else
    # It ends by itself after an hour whatever happens to the stop step.
    setsid timeout 3600 python3 "$here/../tools/name_server.py" "$folder" </dev/null >"$folder/log" 2>&1 &
    echo $! >"$folder/pid"
    i=0
    until [ -f "$folder/state" ] || [ $i -ge 100 ]; do sleep 0.05; i=$((i + 1)); done
    [ -f "$folder/state" ] || printf 'did not start (log: %s/log)' "$folder" >"$folder/state"
  fi
  echo "name-server stand-in: $(cat "$folder/state")"
  ;;
stop)
  stop_standin
  printf 'stopped' >"$folder/state"
  ;;
esac
