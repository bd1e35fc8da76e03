#!/usr/bin/env python3
"""A stand-in SMS gateway on 127.0.0.1 for the demo: every GET is written to
a log file (one line: the query) and answered with "Delivery status: OK - 1 message queued".

    sms_gateway.py PORTFILE LOGFILE
The port it listens on is written to PORTFILE."""
import http.server
import sys


class Gateway(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[2], "a") as log:
            log.write(self.path.partition("?")[2] + "\n")
        body = b"Delivery status: OK - 1 message queued"
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Gateway)
with open(sys.argv[1], "w") as port_file:
    port_file.write(str(server.server_address[1]))
server.serve_forever()
