#!/usr/bin/env python3
"""A game client for the redirection tests: sends one request over TCP or
UDP and prints the answer, or "FAIL <why>" when none comes within a second.

    game_client.py tcp|udp|udp-connected|udp-two ADDRESS PORT TEXT
TEXT "@N" stands for N bytes of "x". "udp-connected" sends from a connected
socket, which hears of an ICMP "unreachable" as "Connection refused".
"udp-two" takes two addresses ("A,B") and sends to each from one socket,
printing each answer as "<sender address>:<port> <answer>".
"""
import socket
import sys

protocol, address, port, text = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
if text.startswith("@"):
    text = "x" * int(text[1:])


def family_of(host):
    return socket.AF_INET6 if ":" in host else socket.AF_INET


try:
    if protocol == "tcp":
        with socket.create_connection((address, port), timeout=1) as connection:
            connection.sendall(text.encode())
            print(connection.recv(65536).decode() or "FAIL closed")
    elif protocol == "udp-connected":
        with socket.socket(family_of(address), socket.SOCK_DGRAM) as datagram:
            datagram.settimeout(1)
            datagram.connect((address, port))
            datagram.send(text.encode())
            print(datagram.recv(65536).decode())
    elif protocol == "udp-two":
        servers = address.split(",")
        with socket.socket(family_of(servers[0]), socket.SOCK_DGRAM) as datagram:
            datagram.settimeout(1)
            for server in servers:
                datagram.sendto(text.encode(), (server, port))
            answers = []
            for _ in servers:
                data, peer = datagram.recvfrom(65536)
                answers.append("%s:%d %s" % (peer[0], peer[1], data.decode()))
            print("\n".join(sorted(answers)))
    else:
        with socket.socket(family_of(address), socket.SOCK_DGRAM) as datagram:
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
