#!/usr/bin/python3
"""The domain's OTP service of the test world and the demo.

It answers the workstations' logon requests in CN=SelfEnrolls: a request
carries the user's typed code and, when the workstation may cache the user's
secret, a session key, both encrypted with this service's RSA public key. The
service checks the code against the user's kvSecretKey object in the same
directory, with the rules of the workstations' own check: the window of 6
steps around the time step (or the HOTP counter) plus the user's skew, and no
counter twice. Its answer, in one change of the request: kvReplyToken = the
signature over the code text, and kvUserAttr1 = the secret block encrypted
under the session key; or kvReplyToken = "refused". An accepted counter is
also written to the user's object (history, and the next HOTP counter), so
that the code is spent for the whole domain.

    otp_service.py keygen <private-key.pem> <public-key-text-file>
    otp_service.py serve <directory .server file> <private-key.pem>

Texts (velmo_ui.dll reads and writes the same): the public key is the
Base64 of the big-endian RSA modulus (exponent 65537); ciphertexts are
Base64 of RSA-OAEP (SHA-1, as CryptoAPI does it); signatures are Base64 of
RSA PKCS #1 v1.5 over SHA-256.
"""
import base64
import binascii
import os
import re
import sys
import time

import ldap
import ldap.cidict
import ldap.filter
import pyotp
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding, rsa
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

KEY_BITS = 1104  # the largest modulus whose Base64 fits the workstation's buffers
SELF_ENROLLS = "cn=SelfEnrolls,dc=Velmo,dc=com"
SECRET_KEYS = "cn=SecretKeys,dc=Velmo,dc=com"
PENDING = "(&(objectClass=kvSelfEnroll)(kvSignalType=OTP-Auth)(kvReplyToken= ))"
POLL_SECONDS = 0.1  # workstations read the reply 0.6 s after posting at the earliest
WINDOW = 6
HISTORY_ENTRIES = 100  # what a workstation uploads: the newest quarter of its 400
REFUSED = "refused"
OAEP = padding.OAEP(mgf=padding.MGF1(hashes.SHA1()), algorithm=hashes.SHA1(), label=None)


def log(text):
    print(time.strftime("%H:%M:%S"), text, flush=True)


def keygen(private_path, public_path):
    key = rsa.generate_private_key(public_exponent=65537, key_size=KEY_BITS)
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    with open(os.open(private_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as f:
        f.write(pem)
    n = key.public_key().public_numbers().n
    with open(public_path, "w") as f:
        f.write(base64.b64encode(n.to_bytes(KEY_BITS // 8, "big")).decode())


def decrypt_text(key, text):
    """The plain text of a ciphertext text, or None."""
    try:
        return key.decrypt(base64.b64decode(text, validate=True), OAEP).decode("ascii")
    except (ValueError, binascii.Error, UnicodeDecodeError):
        return None


def base32_secret(text):
    """The secret bytes as the workstations decode them: case, blanks and "-"
    ignored, 0/1/8 read as O/L/B, no padding, at most 100 bytes; None when
    unusable."""
    if len(text) > 160:
        return None
    text = re.sub(r"[ \t\r\n-]", "", text).upper().translate(str.maketrans("018", "OLB"))
    if not re.fullmatch("[A-Z2-7]*", text):
        return None
    bits = "".join(format("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567".index(c), "05b") for c in text)
    return bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits) - 7, 8)) or None


def number(text, default):
    """Leading decimal number of a directory value, as a signed 32-bit value."""
    match = re.match(r"\s*([+-]?\d+)", text)
    if not match:
        return default
    return (int(match.group(1)) + 2**31) % 2**32 - 2**31


def first(attrs, name):
    values = attrs.get(name)
    return values[0].decode("utf-8", "replace") if values else ""


class Service:
    def __init__(self, server_file, key_file):
        with open(server_file) as f:
            self.server = dict(line.rstrip("\n").split(" ", 1) for line in f if " " in line)
        with open(key_file, "rb") as f:
            self.key = serialization.load_pem_private_key(f.read(), password=None)
        self.used = {}  # user name (lower case) -> counters accepted by this process
        self.conn = None

    def connect(self):
        conn = ldap.initialize("ldap://%s:%s" % (self.server["host"], self.server["port"]))
        conn.set_option(ldap.OPT_PROTOCOL_VERSION, 3)
        conn.set_option(ldap.OPT_NETWORK_TIMEOUT, 2)
        conn.set_option(ldap.OPT_TIMEOUT, 2)
        conn.set_option(ldap.OPT_X_TLS_CACERTFILE, self.server["ca"])
        conn.set_option(ldap.OPT_X_TLS_REQUIRE_CERT, ldap.OPT_X_TLS_DEMAND)
        conn.set_option(ldap.OPT_X_TLS_NEWCTX, 0)
        conn.start_tls_s()
        conn.simple_bind_s(self.server["operator"], self.server["operator_password"])
        self.conn = conn

    def run(self):
        while True:
            try:
                self.connect()
                log("watching %s at %s" % (SELF_ENROLLS, self.server["host"]))
                while True:
                    # The filter also matches longer blank tokens: only " " is a request.
                    for dn, attrs in self.conn.search_s(SELF_ENROLLS, ldap.SCOPE_ONELEVEL, PENDING):
                        attrs = ldap.cidict.cidict(attrs)
                        if first(attrs, "kvReplyToken") == " ":
                            self.answer(dn, attrs)
                    time.sleep(POLL_SECONDS)
            except ldap.LDAPError as error:
                log("directory: %s" % error)
                time.sleep(0.5)

    def answer(self, dn, attrs):
        started = time.monotonic()
        user = first(attrs, "kvUserName")
        code = decrypt_text(self.key, first(attrs, "kvUserAuthData"))
        try:
            reason, record = self.decide(user, code)
        except Exception as error:  # whatever goes wrong, the code is refused
            reason, record = "refused: %r" % error, None
        if record is None:
            change = {"kvReplyToken": REFUSED}
        else:
            signature = self.key.sign(code.encode("ascii"), padding.PKCS1v15(), hashes.SHA256())
            change = {"kvReplyToken": base64.b64encode(signature).decode()}
            if "kvUserAttr1" in attrs:
                block = self.secret_block(record, first(attrs, "kvUserAttr1"))
                # A blank when the secret cannot travel: the workstation then caches nothing.
                change["kvUserAttr1"] = block or " "
                reason += ", secret block" if block else ", no secret block"
        try:
            self.conn.modify_s(dn, [(ldap.MOD_REPLACE, k, [v.encode()]) for k, v in change.items()])
        except ldap.NO_SUCH_OBJECT:
            reason += ", request gone"
        log("%s user %r: %s (%.0f ms)" % (dn.split(",")[0], user, reason, (time.monotonic() - started) * 1000))

    def decide(self, user, code):
        """(what was decided, the user's record when the code is accepted)."""
        if code is None:
            return "refused: no code that this key decrypts", None
        if not re.fullmatch(r"\d{1,10}", code) or int(code) == 0:
            return "refused: not a code", None
        found = self.conn.search_s(SECRET_KEYS, ldap.SCOPE_ONELEVEL, "(&(objectClass=kvSecretKey)(kvUserName=%s))"
                                   % ldap.filter.escape_filter_chars(user))
        if len(found) != 1:
            return "refused: %d OTP records" % len(found), None
        dn, attrs = found[0][0], ldap.cidict.cidict(found[0][1])
        secret = base32_secret(first(attrs, "kvOathSecret"))
        if secret is None:
            return "refused: no usable secret", None
        hotp_counter = number(first(attrs, "kvOathCounter"), 0) % 2**32
        step = number(first(attrs, "kvOathInterval"), 30)
        step = step if step > 0 else 30
        skew = number(first(attrs, "kvOathDestination"), 0)
        base = hotp_counter or int(time.time()) // step % 2**32
        history = self.history(first(attrs, "kvOathHistory"))
        used = self.used.setdefault(user.lower(), set())
        hotp = pyotp.HOTP(base64.b32encode(secret).decode())
        for i in range(-WINDOW, WINDOW + 1):
            counter = (base + skew + i) % 2**32
            if int(hotp.at(counter)) == int(code):
                break
        else:
            return "refused: no match in the window", None
        if counter in used or counter in history:
            return "refused: counter %X used before" % counter, None
        used.add(counter)
        spent = [(ldap.MOD_REPLACE, "kvOathHistory", [self.history_text([counter] + history).encode()])]
        if hotp_counter:
            spent.append((ldap.MOD_REPLACE, "kvOathCounter", [str((counter + 1) % 2**32).encode()]))
        reason = "accepted counter %X" % counter
        try:
            self.conn.modify_s(dn, spent)
        except ldap.LDAPError as error:  # this process still remembers the counter
            reason += " (not written to the record: %s)" % error
        return reason, {"secret": secret, "skew": skew}

    @staticmethod
    def history(text):
        """Counters of a kvOathHistory text: 32-bit little-endian entries in hex."""
        try:
            data = bytes.fromhex(text.strip())
        except ValueError:
            return []
        return [int.from_bytes(data[i:i + 4], "little") for i in range(0, len(data) - 3, 4)]

    @staticmethod
    def history_text(counters):
        return b"".join(c.to_bytes(4, "little") for c in counters[:HISTORY_ENTRIES]).hex().upper()

    def secret_block(self, record, session_text):
        """The 64 hex digits of the secret block under the session key, or
        None when the key or the secret does not fit the block."""
        session_hex = decrypt_text(self.key, session_text)
        secret, skew = record["secret"], record["skew"]
        if not session_hex or not re.fullmatch("[0-9A-Fa-f]{64}", session_hex):
            return None
        # Bytes 0-19 the secret (HMAC pads a shorter key with zeros, so a
        # padded one gives the same codes), 20-30 zero, 31 the skew.
        if len(secret) > 20 or not -128 <= skew <= 127:
            return None
        block = secret.ljust(31, b"\0") + bytes([skew & 0xFF])
        encryptor = Cipher(algorithms.AES(bytes.fromhex(session_hex)), modes.ECB()).encryptor()
        return (encryptor.update(block) + encryptor.finalize()).hex().upper()


def main(argv):
    if len(argv) == 4 and argv[1] == "keygen":
        keygen(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == "serve":
        Service(argv[2], argv[3]).run()
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
