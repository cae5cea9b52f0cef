#!/usr/bin/env python3
"""Local HTTP server for the download tests: binds 127.0.0.1 on a free port,
prints the port on its first line, serves until its standard input closes.
The routes (files, statuses, redirects, gzip, hangs, resets, truncated and
big bodies, header echo, request count) are listed in Handler.do_GET."""
import argparse
import gzip
import http.server
import os
import socket
import struct
import sys
import threading
import time
import urllib.parse

requests_seen = 0
count_lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, *args):
        pass

    def send_body(self, code, body, content_type="text/plain", extra=()):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_GET(self):
        global requests_seen
        with count_lock:
            seen = requests_seen
            requests_seen += 1
        url = urllib.parse.urlsplit(self.path)
        path, query = url.path, url.query
        if path.startswith("/files/"):
            name = urllib.parse.unquote(path[len("/files/"):])
            full = os.path.realpath(os.path.join(self.root, name))
            if not full.startswith(os.path.realpath(self.root) + os.sep) or not os.path.isfile(full):
                return self.send_body(404, b"not found")
            with open(full, "rb") as f:
                body = f.read()
            if query == "gzip=1":
                return self.send_body(200, gzip.compress(body), extra=[("Content-Encoding", "gzip")])
            return self.send_body(200, body)
        if path.startswith("/status/"):
            code = int(path[len("/status/"):])
            return self.send_body(code, b"status %d" % code)
        if path.startswith("/redirect/"):
            n = int(path[len("/redirect/"):])
            if n <= 0:
                return self.send_body(200, b"arrived")
            return self.send_body(302, b"", extra=[("Location", "/redirect/%d" % (n - 1))])
        if path == "/redirect-to":
            return self.send_body(302, b"", extra=[("Location", urllib.parse.unquote(query))])
        if path == "/loop":
            return self.send_body(302, b"", extra=[("Location", "/loop")])
        if path == "/gzip-garbage":
            return self.send_body(200, b"\x1f\x8b\x08\x00this is no deflate stream at all" * 4,
                                  extra=[("Content-Encoding", "gzip")])
        if path == "/hang":
            time.sleep(600)
            return
        if path == "/truncated":
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"y" * 1000)
            self.wfile.flush()
            self.close_connection = True
            return
        if path == "/reset":
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
            return
        if path == "/big":
            mib = int(query or "50")
            self.send_response(200)
            self.send_header("Content-Length", str(mib << 20))
            self.end_headers()
            chunk = b"x" * (1 << 20)
            try:
                for _ in range(mib):
                    self.wfile.write(chunk)
            except OSError:
                pass
            self.close_connection = True
            return
        if path == "/headers":
            text = self.requestline + "\r\n" + "".join(
                "%s: %s\r\n" % (k, v) for k, v in self.headers.items())
            return self.send_body(200, text.encode("latin-1"))
        if path == "/count":
            return self.send_body(200, str(seen).encode())
        return self.send_body(404, b"no such route")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=".")
    parser.add_argument("--port", type=int, default=0)
    args = parser.parse_args()
    Handler.root = args.root
    server = Server(("127.0.0.1", args.port), Handler)
    print(server.server_address[1], flush=True)

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
