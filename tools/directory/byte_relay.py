#!/usr/bin/python3
"""A TCP relay that counts what passes: put it between an LDAP client and
the directory to see how many bytes a logon reads.

    byte_relay.py <listen host> <target host> <target port> <counts file> [--refuse-starttls]

It listens on a free port of <listen host> and writes "port N" to the
counts file, then after every closed connection the totals:
"opened N closed N to_client BYTES to_server BYTES". --refuse-starttls
answers a client's StartTLS request itself with "unavailable", so that a
client allowed to bind in clear goes on without TLS (the way to measure an
old client that cannot read large answers inside TLS).
"""
import os
import socket
import sys
import threading

STARTTLS_OID = b"1.3.6.1.4.1.1466.20037"
EXTENDED_REQUEST = 0x77
UNAVAILABLE = 52


class Counts:
    def __init__(self, path, port):
        self.path, self.port = path, port
        self.lock = threading.Lock()
        self.opened = self.closed = self.to_client = self.to_server = 0
        self.write()

    def write(self):
        with open(self.path + ".tmp", "w") as f:
            f.write("port %d\nopened %d\nclosed %d\nto_client %d\nto_server %d\n"
                    % (self.port, self.opened, self.closed, self.to_client, self.to_server))
        os.replace(self.path + ".tmp", self.path)


def starttls_refusal(message):
    """The "unavailable" answer to a StartTLS request, or None for any other message."""
    if len(message) < 8 or message[0] != 0x30 or STARTTLS_OID not in message:
        return None
    at = 2 + (message[1] & 0x7F if message[1] & 0x80 else 0)
    if message[at] != 0x02:
        return None
    message_id = message[at:at + 2 + message[at + 1]]
    if message[at + len(message_id)] != EXTENDED_REQUEST:
        return None
    result = bytes([0x0A, 1, UNAVAILABLE, 0x04, 0, 0x04, 0])
    response = bytes([0x78, len(result)]) + result
    body = message_id + response
    return bytes([0x30, len(body)]) + body


def pump(source, sink, counts, field, refuse):
    first = refuse
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if first:
                first = False
                refusal = starttls_refusal(data)
                if refusal:
                    source.sendall(refusal)
                    continue
            with counts.lock:
                setattr(counts, field, getattr(counts, field) + len(data))
            sink.sendall(data)
    except OSError:
        pass
    for s in (source, sink):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def serve(client, target, counts, refuse):
    try:
        server = socket.create_connection(target, 5)
        server.settimeout(None)
    except OSError:
        client.close()
        return
    up = threading.Thread(target=pump, args=(client, server, counts, "to_server", refuse))
    up.start()
    pump(server, client, counts, "to_client", False)
    up.join()
    client.close()
    server.close()
    with counts.lock:
        counts.closed += 1
        counts.write()


def main(argv):
    if len(argv) not in (5, 6):
        sys.exit(__doc__)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((argv[1], 0))
    listener.listen(16)
    counts = Counts(argv[4], listener.getsockname()[1])
    refuse = len(argv) == 6 and argv[5] == "--refuse-starttls"
    while True:
        client, _ = listener.accept()
        with counts.lock:
            counts.opened += 1
            counts.write()
        threading.Thread(target=serve, args=(client, (argv[2], int(argv[3])), counts, refuse), daemon=True).start()


if __name__ == "__main__":
    main(sys.argv)
