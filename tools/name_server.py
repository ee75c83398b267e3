#!/usr/bin/env python3
"""A name-server stand-in for the tests: names that resolve slowly or never,
on a loopback address, so that no test asks the system's name server.

  name_server.py FOLDER [ADDRESS...]

Binds UDP port 53 on the first free ADDRESS (default 127.0.0.53, then a few
more loopback addresses) and writes FOLDER/resolv.conf naming it, then
FOLDER/state ("ready ADDRESS"), or FOLDER/state with why it could not start.
Answers to A queries, by name (any labels may stand before the last three):

  slowN.kestrun.test    127.0.0.1 after N milliseconds (N up to 60000)
  silent.kestrun.test   never answered
  anything else         "no such name" at once

Other query types of the two kinds above get an empty answer as late as the
A answer would come (silent: never).
"""
import heapq
import os
import re
import select
import socket
import struct
import sys
import time

CANDIDATES = ["127.0.0.53", "127.0.53.53", "127.0.53.54", "127.0.53.55"]
SLOW = re.compile(r"^(?:[a-z0-9-]+\.)*slow(\d{1,5})\.kestrun\.test\.?$")
SILENT = re.compile(r"^(?:[a-z0-9-]+\.)*silent\.kestrun\.test\.?$")
TYPE_A, CLASS_IN = 1, 1
NXDOMAIN = 3


def write(path, text):
    with open(path + ".new", "w") as f:
        f.write(text)
    os.replace(path + ".new", path)


def parse_question(packet):
    """(id, flags, name, qtype, end of the question) or None when malformed."""
    if len(packet) < 12:
        return None
    ident, flags, qdcount = struct.unpack("!HHH", packet[:6])
    if flags & 0x8000 or (flags >> 11) & 0xF != 0 or qdcount != 1:
        return None
    labels, at = [], 12
    while True:
        if at >= len(packet):
            return None
        length = packet[at]
        at += 1
        if length == 0:
            break
        if length > 63 or at + length > len(packet):  # no compression in a question
            return None
        labels.append(packet[at:at + length].decode("ascii", "replace").lower())
        at += length
    if at + 4 > len(packet):
        return None
    qtype, qclass = struct.unpack("!HH", packet[at:at + 4])
    return ident, flags, ".".join(labels), qtype, qclass, at + 4


def answer(packet, question, rcode, address):
    ident, flags, _, qtype, qclass, end = question
    give = address is not None and qtype == TYPE_A and qclass == CLASS_IN
    reply_flags = 0x8400 | (flags & 0x0100) | 0x0080 | rcode  # response, authoritative, RD copied, RA
    header = struct.pack("!HHHHHH", ident, reply_flags, 1, 1 if give else 0, 0, 0)
    body = packet[12:end]
    if give:
        body += struct.pack("!HHHIH", 0xC00C, TYPE_A, CLASS_IN, 0, 4) + socket.inet_aton(address)
    return header + body


def bind_first(addresses):
    for address in addresses:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        try:
            s.bind((address, 53))
            return s, address
        except OSError:
            s.close()
    return None, None


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    sock, address = bind_first(sys.argv[2:] or CANDIDATES)
    if sock is None:
        write(os.path.join(folder, "state"), "port 53 is taken or may not be bound on every address tried")
        return 1
    # Short waits: a lookup of a silent name ends a few seconds after the
    # longest limit the programs set, not after the resolver's default ten.
    write(os.path.join(folder, "resolv.conf"), "nameserver %s\noptions timeout:8 attempts:1\n" % address)
    write(os.path.join(folder, "state"), "ready %s" % address)
    due = []  # (time, sequence, reply, to)
    sequence = 0
    while True:
        timeout = max(0.0, due[0][0] - time.monotonic()) if due else None
        readable, _, _ = select.select([sock], [], [], timeout)
        while due and due[0][0] <= time.monotonic():
            _, _, reply, to = heapq.heappop(due)
            try:
                sock.sendto(reply, to)
            except OSError:
                pass
        if not readable:
            continue
        try:
            packet, sender = sock.recvfrom(4096)
        except OSError:
            continue
        question = parse_question(packet)
        if question is None:
            continue
        name = question[2]
        print("%d %s" % (question[3], name), flush=True)  # the log shows every name asked
        slow = SLOW.match(name)
        if SILENT.match(name) or (slow and int(slow.group(1)) > 60000):
            continue
        if slow:
            sequence += 1
            delay = int(slow.group(1)) / 1000.0
            heapq.heappush(due, (time.monotonic() + delay, sequence, answer(packet, question, 0, "127.0.0.1"), sender))
        else:
            try:
                sock.sendto(answer(packet, question, NXDOMAIN, None), sender)
            except OSError:
                pass


if __name__ == "__main__":
    sys.exit(main())
