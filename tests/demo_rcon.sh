#!/bin/sh
# demo_rcon.sh BUILD FOLDER WINEPREFIX: the demo's remote-console part without
# a display, on the programs in BUILD, its files in FOLDER, in a prefix of its
# own: the kick by keys is in openarena-server's own log and in corvel2's, the
# action window is saved, and the password shows in nothing it wrote.
# Exits 77 (skipped) where openarena-server or a private namespace is missing.
set -e
build="$1" folder="$2" prefix="$3"
here="$(cd "$(dirname "$0")" && pwd)"
skip() { echo "demo_rcon: skipped, $1"; exit 77; }
[ -x /usr/games/openarena-server ] || skip "openarena-server (the Debian package) is not installed"
private() { ! ip -o addr show 2>/dev/null | awk '$2 != "lo" { found = 1 } END { exit !found }'; }
private || unshare -n true 2>/dev/null || skip "no private network namespace can be made here (unshare -n needs root)"
rm -rf "$folder" && mkdir -p "$folder"
password="demo-$$-pass"
status=0
env -u DISPLAY DEMO_BUILT="$build" DEMO_OUT="$folder" DEMO_WINEPREFIX="$prefix" DEMO_RCON_PASSWORD="$password" \
  sh "$here/../scripts/demo-rcon" >"$folder/demo.txt" 2>&1 || status=$?
cat "$folder/demo.txt"
fail() { echo "demo_rcon: $1"; exit 1; }
[ $status = 0 ] || fail "the demo ended with $status"
grep -qx 'Rcon from 127.0.0.1: clientkick 2' "$folder/rcon-server/server.log" || fail "no kick in the server's log"
grep -q 'Kick.*Major.*clientkick 2' "$folder/rcon-overlay/corvel2-log.txt" || fail "no kick of Major in corvel2's log"
if command -v import >/dev/null; then [ -s "$folder/rcon-bots.png" ] && [ -s "$folder/rcon-pick.png" ] || fail "no screenshots"; fi
! grep -rqF "$password" "$folder" || fail "the password shows in $(grep -rlF "$password" "$folder")"
echo "demo_rcon: ok"
