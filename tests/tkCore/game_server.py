#!/usr/bin/env python3
"""A game server for the redirection tests: TCP and UDP echo on one port.
Every answer is "<the address the request came from> <the request>", so a
test can tell traffic carried by the line server from direct traffic.

    game_server.py ADDRESS PORT
"""
import selectors
import socket
import sys

address, port = sys.argv[1], int(sys.argv[2])
tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
tcp.bind((address, port))
tcp.listen(64)
udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
udp.bind((address, port))
selector = selectors.DefaultSelector()
selector.register(tcp, selectors.EVENT_READ)
selector.register(udp, selectors.EVENT_READ)
print("ready", flush=True)
while True:
    for key, _ in selector.select():
        if key.fileobj is udp:
            data, peer = udp.recvfrom(65535)
            udp.sendto(peer[0].encode() + b" " + data, peer)
        elif key.fileobj is tcp:
            connection, peer = tcp.accept()
            selector.register(connection, selectors.EVENT_READ, peer)
        else:
            data = key.fileobj.recv(65536)
            if data:
                key.fileobj.sendall(key.data[0].encode() + b" " + data)
            else:
                selector.unregister(key.fileobj)
                key.fileobj.close()
