#!/usr/bin/env python3
"""Game servers for the proxy's UDP tests, a UDP socket and a TCP listener
per address at one port. Each datagram is answered with "<sender address>:<sender port> <what
came>" (what came stands as "<n> bytes" when it is 100 bytes or more), so a
test tells what the line carried from what came directly, and which game
socket or association sent it. A datagram "spoof" is answered, and then
the other server of its family sends "spoofed" to the same sender: a peer
the game never sent to. A TCP connection is answered the same way, once.

    udp_game_server.py ADDRESS[,ADDRESS...] PORT
"""
import selectors
import socket
import sys

addresses, port = sys.argv[1].split(","), int(sys.argv[2])
selector = selectors.DefaultSelector()
sockets = []
for address in addresses:
    family = socket.AF_INET6 if ":" in address else socket.AF_INET
    udp = socket.socket(family, socket.SOCK_DGRAM)
    udp.bind((address, port))
    selector.register(udp, selectors.EVENT_READ, "datagrams")
    sockets.append(udp)
    tcp = socket.socket(family, socket.SOCK_STREAM)
    tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    tcp.bind((address, port))
    tcp.listen(64)
    selector.register(tcp, selectors.EVENT_READ, "listener")
print("ready", flush=True)
while True:
    for key, _ in selector.select():
        if key.data == "listener":
            connection, peer = key.fileobj.accept()
            connection.settimeout(1)
            try:
                connection.sendall(("%s:%d " % peer[:2]).encode() + connection.recv(100))
            except OSError:
                pass
            connection.close()
            continue
        data, peer = key.fileobj.recvfrom(65535)
        shown = data if len(data) < 100 else b"%d bytes" % len(data)
        key.fileobj.sendto(("%s:%d " % peer[:2]).encode() + shown, peer)
        if data == b"spoof":
            for other in sockets:
                if other is not key.fileobj and other.family == key.fileobj.family:
                    other.sendto(b"spoofed", peer)
