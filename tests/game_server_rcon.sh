#!/bin/sh
# game_server_rcon.sh WINE_RUN GAME_SERVER FOLDER: runs the Windows game-server
# stand-in under Wine with a remote console on a loopback port and talks to
# it over a real UDP socket: the status reply's direction byte, a status of
# 64 players in several datagrams, a wrong password, a kick seen in the next
# status, and the console's log without the password.
set -e
wine_run="$1" game_server="$2" folder="$3"
port=27851
rm -rf "$folder" && mkdir -p "$folder"
"$wine_run" "$game_server" --port "$port" --rcon-password secret --rcon-players 64 --rcon-buffer 2000 \
  --rcon-log "Z:$folder/rcon.log" --quit-after-ms 60000 </dev/null >"$folder/stdout.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
python3 - "$port" "$folder/rcon.log" <<'EOP'
import socket, sys, time
port, log = int(sys.argv[1]), sys.argv[2]
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))

def ask(payload, quiet=0.5):
    s.sendto(payload, ("127.0.0.1", port))
    got = []
    s.settimeout(quiet)
    while True:
        try:
            got.append(s.recv(65536))
        except socket.timeout:
            return got

def check(ok, what):
    if not ok:
        sys.exit("game_server_rcon: " + what)

for attempt in range(100):  # Wine takes a while to start
    status = ask(b"\xff\xff\xff\xffgetstatus", 0.3)
    if status:
        break
check(status and status[0].startswith(b"\xff\xff\xff\xff\x01statusResponse\n"), "getstatus: %r" % status[:1])
aa, head = b"\xff\xff\xff\xff\x02", b"\xff\xff\xff\xff\x01print\n"

def console(command, password=b"secret"):
    parts = ask(aa + b"rcon " + password + b" " + command)
    check(parts and all(p.startswith(head) for p in parts), "%r: %r" % (command, parts[:1]))
    return parts, b"".join(p[len(head):] for p in parts).decode("latin-1")

parts, text = console(b"status")
rows = text.splitlines()[3:]
check(len(parts) > 1 and len(rows) == 64, "status of 64 in %d datagrams, %d rows" % (len(parts), len(rows)))
check(console(b"status", b"wrong")[1] == "Bad rconpassword.\n", "wrong password")
console(b"clientkick 0")
rows = console(b"status")[1].splitlines()[3:]
check(len(rows) == 63 and not any(r.split()[0] == "0" for r in rows), "kicked player still listed")
logged = open(log).read()
check("clientkick 0" in logged and "secret" not in logged, "log: " + logged)
print("game_server_rcon: ok")
EOP
