#!/usr/bin/python3
"""The embedded default's line server: SOCKS5 (RFC 1928) with username and
password authentication (RFC 1929), CONNECT and UDP ASSOCIATE, to IPv4, IPv6
and named destinations. Runs as an ordinary user.

    line_server.py --bind HOST --port PORT [--port PORT ...] --user NAME
                   [--external ADDRESS ...]

The password is read from the environment variable LINE_PASSWORD, so that it
never shows in a process listing. One process serves every port given.
--external names the address (one per address family) that connections and
datagrams to destinations of that family leave from; without it the system
chooses.
"""
import argparse
import asyncio
import errno
import hmac
import ipaddress
import os
import signal
import socket
import struct
import sys

VERSION = 5
METHOD_USER_PASSWORD = 2
NO_ACCEPTABLE_METHOD = 0xFF
CONNECT = 1
UDP_ASSOCIATE = 3
ATYP_IPV4 = 1
ATYP_NAME = 3
ATYP_IPV6 = 4

SUCCEEDED = 0
GENERAL_FAILURE = 1
NETWORK_UNREACHABLE = 3
HOST_UNREACHABLE = 4
CONNECTION_REFUSED = 5
COMMAND_NOT_SUPPORTED = 7
ADDRESS_TYPE_NOT_SUPPORTED = 8

# A client has this long for its greeting, authentication and request, and
# a destination this long to accept a connection.
HANDSHAKE_SECONDS = 10
CONNECT_SECONDS = 10
# More clients than this at once are turned away.
MAX_CLIENTS = 1024
RELAY_CHUNK = 65536


def log(text):
    print("line_server: " + text, file=sys.stderr, flush=True)


class Malformed(Exception):
    """The client broke the protocol; the connection is closed."""


def encode_address(host, port):
    """ATYP, address and port of a reply or a UDP header."""
    address = ipaddress.ip_address(host.split("%")[0])
    if address.version == 6 and address.ipv4_mapped:
        address = address.ipv4_mapped
    atyp = ATYP_IPV4 if address.version == 4 else ATYP_IPV6
    return bytes([atyp]) + address.packed + struct.pack("!H", port)


def reply(code, host="0.0.0.0", port=0):
    return bytes([VERSION, code, 0]) + encode_address(host, port)


def parse_address(data, at):
    """(host, port, next offset) of ATYP ADDR PORT at data[at:]; Malformed
    when cut short, None for the host of an unknown address type."""
    if at >= len(data):
        raise Malformed("address missing")
    atyp = data[at]
    at += 1
    if atyp == ATYP_IPV4:
        length = 4
    elif atyp == ATYP_IPV6:
        length = 16
    elif atyp == ATYP_NAME:
        if at >= len(data):
            raise Malformed("name length missing")
        length = data[at]
        at += 1
        if length == 0:
            raise Malformed("empty name")
    else:
        return None, 0, len(data)
    if len(data) < at + length + 2:
        raise Malformed("address cut short")
    raw = data[at:at + length]
    if atyp == ATYP_NAME:
        try:
            host = raw.decode("ascii")
        except UnicodeDecodeError:
            raise Malformed("name is not ASCII")
    else:
        host = str(ipaddress.ip_address(raw))
    port = struct.unpack("!H", data[at + length:at + length + 2])[0]
    return host, port, at + length + 2


async def read_address(reader):
    atyp = (await reader.readexactly(1))[0]
    if atyp == ATYP_IPV4:
        raw = await reader.readexactly(4)
    elif atyp == ATYP_IPV6:
        raw = await reader.readexactly(16)
    elif atyp == ATYP_NAME:
        raw = await reader.readexactly((await reader.readexactly(1))[0])
    else:
        return None, 0, atyp
    data = bytes([atyp]) + (bytes([len(raw)]) if atyp == ATYP_NAME else b"") + raw
    data += await reader.readexactly(2)
    host, port, _ = parse_address(data, 0)
    return host, port, atyp


def failure_code(error):
    if isinstance(error, asyncio.TimeoutError):
        return HOST_UNREACHABLE
    number = getattr(error, "errno", None)
    if number == errno.ECONNREFUSED:
        return CONNECTION_REFUSED
    if number == errno.ENETUNREACH:
        return NETWORK_UNREACHABLE
    if number in (errno.EHOSTUNREACH, errno.ETIMEDOUT) or isinstance(error, socket.gaierror):
        return HOST_UNREACHABLE
    return GENERAL_FAILURE


async def pipe(reader, writer):
    try:
        while True:
            data = await reader.read(RELAY_CHUNK)
            if not data:
                break
            writer.write(data)
            await writer.drain()
        if writer.can_write_eof():
            writer.write_eof()
    except (ConnectionError, OSError):
        writer.close()


class UdpRelay(asyncio.DatagramProtocol):
    """One association: datagrams from the client (with the SOCKS header)
    go out to their destinations; answers come back with the header of
    their source. Only the client's own address may use it. Datagrams to
    address literals leave in the order they came."""

    def __init__(self, client_host, client_port, externals):
        self.externals = externals
        self.client_host = ipaddress.ip_address(client_host.split("%")[0])
        self.client_port = client_port  # 0: learned from the first datagram
        self.client = None
        self.transport = None
        self.outbound = {}
        self.lookups = set()
        self.closed = False

    def connection_made(self, transport):
        self.transport = transport

    def datagram_received(self, data, source):
        if ipaddress.ip_address(source[0].split("%")[0]) != self.client_host:
            return
        if self.client_port and source[1] != self.client_port:
            return
        if len(data) < 4 or data[0] != 0 or data[1] != 0 or data[2] != 0:
            return  # reserved bytes, or a fragment: dropped
        try:
            host, port, at = parse_address(data, 3)
        except Malformed:
            return
        if host is None or port == 0:
            return
        self.client = source
        payload = data[at:]
        try:
            address = ipaddress.ip_address(host)
        except ValueError:
            lookup = asyncio.ensure_future(self.send_to_name(host, port, payload))
            self.lookups.add(lookup)
            lookup.add_done_callback(self.lookups.discard)
            return
        family = socket.AF_INET if address.version == 4 else socket.AF_INET6
        self.send(family, (host, port), payload)

    async def send_to_name(self, host, port, payload):
        try:
            infos = await asyncio.get_running_loop().getaddrinfo(host, port, type=socket.SOCK_DGRAM)
        except (socket.gaierror, OSError):
            return
        if infos and not self.closed:
            self.send(infos[0][0], infos[0][4], payload)

    def send(self, family, destination, payload):
        if self.closed:
            return
        outbound = self.outbound.get(family)
        if outbound is None:
            try:
                outbound = socket.socket(family, socket.SOCK_DGRAM)
                outbound.setblocking(False)
                outbound.bind((self.externals.get(family, "0.0.0.0" if family == socket.AF_INET else "::"), 0))
            except OSError as error:
                log("cannot open a UDP socket: %s" % error)
                return
            self.outbound[family] = outbound
            asyncio.get_running_loop().add_reader(outbound.fileno(), self.answers, outbound)
        try:
            outbound.sendto(payload, destination)
        except OSError:
            pass  # a full buffer or an unreachable destination drops the datagram, as UDP does

    def answers(self, outbound):
        for _ in range(64):
            try:
                data, source = outbound.recvfrom(RELAY_CHUNK)
            except (BlockingIOError, InterruptedError):
                return
            except OSError:
                continue  # an ICMP error of one destination; the association goes on
            if self.client is not None and not self.closed:
                header = bytes([0, 0, 0]) + encode_address(source[0], source[1])
                self.transport.sendto(header + data, self.client)

    def close(self):
        self.closed = True
        for lookup in list(self.lookups):
            lookup.cancel()
        loop = asyncio.get_running_loop()
        for outbound in self.outbound.values():
            loop.remove_reader(outbound.fileno())
            outbound.close()
        self.outbound.clear()
        if self.transport:
            self.transport.close()


def address_family(host):
    return socket.AF_INET6 if ":" in host else socket.AF_INET


class LineServer:
    def __init__(self, user, password, externals):
        self.externals = {address_family(address): address for address in externals}
        self.user = user.encode()
        self.password = password.encode()
        self.clients = 0

    async def serve(self, reader, writer):
        if self.clients >= MAX_CLIENTS:
            writer.close()
            return
        self.clients += 1
        try:
            await self.session(reader, writer)
        except (Malformed, asyncio.IncompleteReadError, asyncio.TimeoutError, ConnectionError, OSError):
            pass
        finally:
            self.clients -= 1
            writer.close()

    async def handshake(self, reader, writer):
        """The request's (command, host, port, atyp) after a good
        authentication; None once the client has been refused."""
        version, count = await reader.readexactly(2)
        if version != VERSION:
            raise Malformed("not SOCKS5")
        methods = await reader.readexactly(count)
        if METHOD_USER_PASSWORD not in methods:
            writer.write(bytes([VERSION, NO_ACCEPTABLE_METHOD]))
            await writer.drain()
            return None
        writer.write(bytes([VERSION, METHOD_USER_PASSWORD]))
        await writer.drain()
        auth_version, user_length = await reader.readexactly(2)
        user = await reader.readexactly(user_length)
        password = await reader.readexactly((await reader.readexactly(1))[0])
        accepted = auth_version == 1 and hmac.compare_digest(user, self.user) and \
            hmac.compare_digest(password, self.password)
        writer.write(bytes([1, 0 if accepted else 1]))
        await writer.drain()
        if not accepted:
            return None
        version, command, _ = await reader.readexactly(3)
        if version != VERSION:
            raise Malformed("request is not SOCKS5")
        host, port, atyp = await read_address(reader)
        return command, host, port, atyp

    async def session(self, reader, writer):
        request = await asyncio.wait_for(self.handshake(reader, writer), HANDSHAKE_SECONDS)
        if request is None:
            return
        command, host, port, atyp = request
        if host is None:
            writer.write(reply(ADDRESS_TYPE_NOT_SUPPORTED))
            await writer.drain()
            return
        if command == CONNECT:
            await self.connect(reader, writer, host, port)
        elif command == UDP_ASSOCIATE:
            await self.associate(reader, writer, host, port)
        else:
            writer.write(reply(COMMAND_NOT_SUPPORTED))
            await writer.drain()

    async def open(self, host, port):
        if not self.externals:
            return await asyncio.open_connection(host, port)
        infos = await asyncio.get_running_loop().getaddrinfo(host, port, type=socket.SOCK_STREAM)
        family, _, _, _, destination = infos[0]
        local = (self.externals[family], 0) if family in self.externals else None
        return await asyncio.open_connection(destination[0], destination[1], local_addr=local)

    async def connect(self, reader, writer, host, port):
        try:
            remote_reader, remote_writer = await asyncio.wait_for(self.open(host, port), CONNECT_SECONDS)
        except (OSError, asyncio.TimeoutError) as error:
            writer.write(reply(failure_code(error)))
            await writer.drain()
            return
        bound = remote_writer.get_extra_info("sockname")
        writer.write(reply(SUCCEEDED, bound[0], bound[1]))
        await writer.drain()
        try:
            await asyncio.gather(pipe(reader, remote_writer), pipe(remote_reader, writer))
        finally:
            remote_writer.close()

    async def associate(self, reader, writer, host, port):
        """The relay socket on the control connection's own address; it
        lives as long as the control connection."""
        local = writer.get_extra_info("sockname")
        peer = writer.get_extra_info("peername")
        family = address_family(local[0])
        loop = asyncio.get_running_loop()
        try:
            transport, relay = await loop.create_datagram_endpoint(
                lambda: UdpRelay(peer[0], port, self.externals), family=family, local_addr=(local[0], 0))
        except OSError as error:
            writer.write(reply(failure_code(error)))
            await writer.drain()
            return
        try:
            bound = transport.get_extra_info("sockname")
            writer.write(reply(SUCCEEDED, bound[0], bound[1]))
            await writer.drain()
            while await reader.read(RELAY_CHUNK):
                pass  # the control connection carries nothing more
        finally:
            relay.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bind", required=True)
    parser.add_argument("--port", type=int, action="append", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--external", action="append", default=[])
    args = parser.parse_args()
    password = os.environ.get("LINE_PASSWORD")
    if password is None:
        log("LINE_PASSWORD is not set")
        return 2
    server = LineServer(args.user, password, args.external)
    servers = []
    for port in args.port:
        try:
            servers.append(await asyncio.start_server(server.serve, args.bind, port, reuse_address=True))
        except OSError as error:
            log("cannot listen on %s:%d: %s" % (args.bind, port, error.strerror))
            return 1
    stop = asyncio.Event()
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        asyncio.get_running_loop().add_signal_handler(number, stop.set)
    log("serving %s on ports %s" % (args.bind, " ".join(str(p) for p in args.port)))
    await stop.wait()
    for listening in servers:
        listening.close()
    return 0


if __name__ == "__main__":
    sys.exit(asyncio.run(main()))
