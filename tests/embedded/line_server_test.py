#!/usr/bin/python3
"""The embedded default's line server (scripts/embedded/line_server.py), run
as the program runs it, against echo servers on the loopback: CONNECT and
UDP ASSOCIATE to IPv4, IPv6 and named destinations, refused passwords and
malformed requests.

    line_server_test.py SOURCE_DIR
"""
import os
import random
import socket
import struct
import subprocess
import sys
import threading
import time
import unittest

SOURCE = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
USER = "5190467"
PASSWORD = "WsxRfvYhn738#!&"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def have_ipv6_loopback():
    try:
        with socket.socket(socket.AF_INET6, socket.SOCK_DGRAM) as s:
            s.bind(("::1", 0))
        return True
    except OSError:
        return False


class EchoServers:
    """TCP and UDP echo on 127.0.0.1 and, where there is one, ::1."""

    def __init__(self):
        self.sockets = []
        self.ports = {}
        for family, host in [(socket.AF_INET, "127.0.0.1")] + \
                ([(socket.AF_INET6, "::1")] if have_ipv6_loopback() else []):
            tcp = socket.socket(family, socket.SOCK_STREAM)
            tcp.bind((host, 0))
            tcp.listen(16)
            udp = socket.socket(family, socket.SOCK_DGRAM)
            udp.bind((host, 0))
            self.ports[host] = (tcp.getsockname()[1], udp.getsockname()[1])
            self.sockets += [tcp, udp]
            threading.Thread(target=self.accept, args=(tcp,), daemon=True).start()
            threading.Thread(target=self.echo_udp, args=(udp,), daemon=True).start()

    def accept(self, tcp):
        while True:
            try:
                connection, _ = tcp.accept()
            except OSError:
                return
            threading.Thread(target=self.echo_tcp, args=(connection,), daemon=True).start()

    @staticmethod
    def echo_tcp(connection):
        with connection:
            while True:
                data = connection.recv(65536)
                if not data:
                    return
                connection.sendall(data)

    @staticmethod
    def echo_udp(udp):
        while True:
            try:
                data, source = udp.recvfrom(65536)
            except OSError:
                return
            udp.sendto(b"echo:" + data, source)

    def close(self):
        for s in self.sockets:
            s.close()


def address(host, port):
    try:
        packed = socket.inet_pton(socket.AF_INET, host)
        return b"\x01" + packed + struct.pack("!H", port)
    except OSError:
        pass
    try:
        packed = socket.inet_pton(socket.AF_INET6, host)
        return b"\x04" + packed + struct.pack("!H", port)
    except OSError:
        return b"\x03" + bytes([len(host)]) + host.encode() + struct.pack("!H", port)


def read_exactly(s, n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed after %d of %d bytes" % (len(data), n))
        data += chunk
    return data


def read_reply(s):
    head = read_exactly(s, 4)
    length = {1: 4, 4: 16}.get(head[3])
    if length is None:
        length = read_exactly(s, 1)[0]
    rest = read_exactly(s, length + 2)
    host = socket.inet_ntop(socket.AF_INET if head[3] == 1 else socket.AF_INET6, rest[:-2])
    return head[1], host, struct.unpack("!H", rest[-2:])[0]


class LineServerTest(unittest.TestCase):
    external = []

    @classmethod
    def setUpClass(cls):
        cls.echo = EchoServers()
        cls.port = free_port()
        environment = dict(os.environ, LINE_PASSWORD=PASSWORD)
        externals = [word for address in cls.external for word in ("--external", address)]
        cls.server = subprocess.Popen(
            [sys.executable, os.path.join(SOURCE, "scripts", "embedded", "line_server.py"),
             "--bind", "127.0.0.1", "--port", str(cls.port), "--user", USER] + externals,
            env=environment, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", cls.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("the line server did not come up")

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(10)
        cls.server.stderr.close()
        cls.echo.close()

    def open(self, user=USER, password=PASSWORD):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=5)
        s.sendall(b"\x05\x01\x02")
        self.assertEqual(read_exactly(s, 2), b"\x05\x02")
        s.sendall(b"\x01" + bytes([len(user)]) + user.encode() + bytes([len(password)]) + password.encode())
        return s, read_exactly(s, 2)

    def request(self, command, host, port):
        s, status = self.open()
        self.assertEqual(status, b"\x01\x00")
        s.sendall(bytes([5, command, 0]) + address(host, port))
        return s, read_reply(s)

    def test_connect_carries_both_ways_to_every_address_kind(self):
        for host in self.echo.ports:
            for destination in (host, "localhost" if host == "127.0.0.1" else host):
                s, (code, _, _) = self.request(1, destination, self.echo.ports[host][0])
                with s:
                    self.assertEqual(code, 0, destination)
                    payload = os.urandom(200000)
                    s.sendall(payload)
                    self.assertEqual(read_exactly(s, len(payload)), payload)

    def test_udp_association_answers_from_the_destination(self):
        for host in self.echo.ports:
            control, (code, relay_host, relay_port) = self.request(3, "0.0.0.0", 0)
            with control, socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as udp:
                self.assertEqual(code, 0)
                self.assertEqual(relay_host, "127.0.0.1")
                udp.settimeout(5)
                udp.connect((relay_host, relay_port))  # answers come from the relay address itself
                header = b"\x00\x00\x00" + address(host, self.echo.ports[host][1])
                for n in range(20):
                    udp.send(header + b"datagram %d" % n)
                for n in range(20):
                    self.assertEqual(udp.recv(65536), header + b"echo:datagram %d" % n)
                udp.send(b"\x00\x00\x01" + header[3:] + b"fragment")  # fragments are dropped
                udp.send(header + b"after")
                self.assertEqual(udp.recv(65536), header + b"echo:after")

    def test_udp_association_ends_with_its_control_connection(self):
        control, (_, relay_host, relay_port) = self.request(3, "0.0.0.0", 0)
        control.close()
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as udp:
            udp.settimeout(0.5)
            udp.connect((relay_host, relay_port))
            time.sleep(0.3)
            header = b"\x00\x00\x00" + address("127.0.0.1", self.echo.ports["127.0.0.1"][1])
            with self.assertRaises((socket.timeout, ConnectionRefusedError)):
                udp.send(header + b"late")
                udp.recv(65536)

    def test_wrong_password_or_method_is_refused(self):
        s, status = self.open(password="wrong")
        with s:
            self.assertEqual(status, b"\x01\x01")
            self.assertEqual(s.recv(10), b"")
        s, status = self.open(user="other")
        s.close()
        self.assertEqual(status, b"\x01\x01")
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(b"\x05\x01\x00")  # no authentication only
            self.assertEqual(read_exactly(s, 2), b"\x05\xff")

    def test_failures_are_answered_with_their_codes(self):
        closed = free_port()
        s, (code, _, _) = self.request(1, "127.0.0.1", closed)
        s.close()
        self.assertEqual(code, 5)  # connection refused
        s, (code, _, _) = self.request(2, "127.0.0.1", 80)  # BIND
        s.close()
        self.assertEqual(code, 7)
        s, status = self.open()
        with s:
            s.sendall(b"\x05\x01\x00\x09\x00\x00")
            self.assertEqual(read_reply(s)[0], 8)

    def test_malformed_input_never_stops_the_server(self):
        generator = random.Random(1928)
        for _ in range(300):
            with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
                prefix = generator.choice([b"", b"\x05\x01\x02", b"\x05\x01\x02\x01\x07" + USER.encode()])
                s.sendall(prefix + bytes(generator.getrandbits(8) for _ in range(generator.randint(0, 40))))
                s.shutdown(socket.SHUT_WR)
                s.settimeout(2)
                try:
                    while s.recv(4096):
                        pass
                except (socket.timeout, ConnectionError):
                    pass
        self.assertIsNone(self.server.poll())
        s, (code, _, _) = self.request(1, "127.0.0.1", self.echo.ports["127.0.0.1"][0])
        s.close()
        self.assertEqual(code, 0)


class ExternalAddressTest(LineServerTest):
    """With --external the destinations see the line's outgoing address."""
    external = ["127.0.0.2"]

    def test_destinations_see_the_external_address(self):
        with socket.socket() as server:
            server.bind(("127.0.0.1", 0))
            server.listen(1)
            s, (code, bound, _) = self.request(1, "127.0.0.1", server.getsockname()[1])
            with s:
                self.assertEqual(code, 0)
                self.assertEqual(bound, "127.0.0.2")
                accepted, peer = server.accept()
                accepted.close()
                self.assertEqual(peer[0], "127.0.0.2")
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as game:
            game.bind(("127.0.0.1", 0))
            game.settimeout(5)
            control, (_, relay_host, relay_port) = self.request(3, "0.0.0.0", 0)
            with control, socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as udp:
                udp.sendto(b"\x00\x00\x00" + address("127.0.0.1", game.getsockname()[1]) + b"hi",
                           (relay_host, relay_port))
                data, peer = game.recvfrom(100)
                self.assertEqual((data, peer[0]), (b"hi", "127.0.0.2"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
