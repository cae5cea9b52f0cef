#!/usr/bin/env python3
"""Serves the demo portal pages over HTTPS on one address.

    portal_server.py --bind HOST --port PORT --cert PEM --key PEM --root DIR
"""
import argparse
import functools
import http.server
import ssl


class Handler(http.server.SimpleHTTPRequestHandler):
    # Connections stay open for a page's further requests (its style sheet
    # and frames need no TLS handshake of their own); one that stalls is
    # dropped after this many seconds.
    protocol_version = "HTTP/1.1"
    timeout = 30

    def log_message(self, format, *args):
        pass

    def handle_one_request(self):
        try:
            super().handle_one_request()
        except (ssl.SSLError, ConnectionError, TimeoutError):
            # A client that refused the certificate or went away.
            self.close_connection = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bind", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--root", required=True)
    args = parser.parse_args()
    handler = functools.partial(Handler, directory=args.root)
    server = http.server.ThreadingHTTPServer((args.bind, args.port), handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    # The handshake runs in each connection's own thread (on its first
    # read), not in accept: a client that connects and stalls, or refuses
    # the certificate, never holds up the others.
    server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    server.serve_forever()


if __name__ == "__main__":
    main()
