#!/usr/bin/env python3
"""A game client for the redirection tests: sends one request over TCP or
UDP and prints the answer, or "FAIL <why>" when none comes within a second.

    game_client.py tcp|udp ADDRESS PORT TEXT
TEXT "@N" stands for N bytes of "x".
"""
import socket
import sys

protocol, address, port, text = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
if text.startswith("@"):
    text = "x" * int(text[1:])
try:
    if protocol == "tcp":
        with socket.create_connection((address, port), timeout=1) as connection:
            connection.sendall(text.encode())
            print(connection.recv(65536).decode() or "FAIL closed")
    else:
        family = socket.AF_INET6 if ":" in address else socket.AF_INET
        with socket.socket(family, socket.SOCK_DGRAM) as datagram:
            datagram.settimeout(1)
            datagram.sendto(text.encode(), (address, port))
            data, peer = datagram.recvfrom(65536)
            # The answer must come from the address the request went to.
            answer = data.decode()
            if peer[:2] != (address, port):
                answer = "FAIL answer from %s:%d" % peer[:2]
            print(answer if len(answer) < 80 else "%s ... (%d bytes)" % (answer[:20], len(data)))
except OSError as error:
    print("FAIL", error)
