#!/usr/bin/env python3
"""A game server for the redirection tests: TCP and UDP echo on one port of
each address. Every answer is "<the address the request came from> <the
request>", so a test can tell traffic carried by the line server from
direct traffic.

    game_server.py ADDRESS[,ADDRESS...] PORT
"""
import selectors
import socket
import sys

addresses, port = sys.argv[1].split(","), int(sys.argv[2])
selector = selectors.DefaultSelector()
for address in addresses:
    family = socket.AF_INET6 if ":" in address else socket.AF_INET
    tcp = socket.socket(family, socket.SOCK_STREAM)
    tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    tcp.bind((address, port))
    tcp.listen(64)
    udp = socket.socket(family, socket.SOCK_DGRAM)
    udp.bind((address, port))
    selector.register(tcp, selectors.EVENT_READ, "listener")
    selector.register(udp, selectors.EVENT_READ, "datagrams")
print("ready", flush=True)
while True:
    for key, _ in selector.select():
        if key.data == "datagrams":
            data, peer = key.fileobj.recvfrom(65535)
            key.fileobj.sendto(peer[0].encode() + b" " + data, peer)
        elif key.data == "listener":
            connection, peer = key.fileobj.accept()
            selector.register(connection, selectors.EVENT_READ, peer)
        else:
            data = key.fileobj.recv(65536)
            if data:
                key.fileobj.sendall(key.data[0].encode() + b" " + data)
            else:
                selector.unregister(key.fileobj)
                key.fileobj.close()
