#!/usr/bin/python3
"""Loopback HTTPS servers for the client tests.

Each NAME=CERT,KEY argument starts one TLS server on a free 127.0.0.1 port;
"NAME PORT" lines go to PORTS_FILE once all listen. A GET answers a
verification-style JSON ("status"/"value" true when the query holds
otp=123456) that also echoes the path and query; a POST echoes its body.
Runs until killed.
"""
import json
import os
import ssl
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def answer(self, payload):
        body = json.dumps(payload).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urlsplit(self.path)
        ok = "otp=123456" in url.query
        self.answer({"status": ok, "value": ok, "path": url.path, "query": url.query})

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        self.answer({"echo": self.rfile.read(length).decode("latin-1"),
                     "type": self.headers.get("Content-Type", "")})

    def log_message(self, *args):
        pass


def main():
    ports_file, specs = sys.argv[1], sys.argv[2:]
    lines = []
    for spec in specs:
        name, files = spec.split("=", 1)
        cert, key = files.split(",", 1)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        server.socket = context.wrap_socket(server.socket, server_side=True)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        lines.append(f"{name} {server.server_address[1]}\n")
    with open(ports_file + ".tmp", "w") as out:
        out.writelines(lines)
    os.replace(ports_file + ".tmp", ports_file)
    threading.Event().wait()


if __name__ == "__main__":
    main()
