"""Test certificates made with the openssl command line.

Modes:
  ca           a private certificate authority (ca.pem) and a server certificate
               for 127.0.0.1, ::1 and localhost signed by it
  self-signed  a server certificate that signs itself (no authority trusts it)

Files in the folder: server.pem, server.key, server.sha256 (colon-separated
upper-case hex of the DER certificate's SHA-256) and, for "ca", ca.pem/ca.key.
Run as a script to make or renew them: certs.py DIR MODE [--renew].
"""

import os
import subprocess
import sys

SUBJECT_ALT_NAME = "subjectAltName=IP:127.0.0.1,IP:::1,DNS:localhost"
DAYS = "30"


def _openssl(*args, cwd):
    proc = subprocess.run(["openssl", *args], cwd=cwd, capture_output=True, text=True)
    if proc.returncode != 0:
        raise RuntimeError("openssl %s failed: %s" % (args[0], proc.stderr.strip()))
    return proc.stdout


def _ec_key_args():
    return ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]


def _make_ca(folder):
    _openssl("req", "-x509", *_ec_key_args(), "-keyout", "ca.key", "-out", "ca.pem",
             "-days", DAYS, "-subj", "/CN=Tabulonix Test Authority",
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)


def _make_signed(folder):
    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write(SUBJECT_ALT_NAME + "\n")
        f.write("basicConstraints=CA:FALSE\n")
        f.write("keyUsage=critical,digitalSignature,keyEncipherment\n")
        f.write("extendedKeyUsage=serverAuth\n")
    _openssl("req", *_ec_key_args(), "-keyout", "server.key.new", "-out", "server.csr",
             "-subj", "/CN=localhost", cwd=folder)
    serial = "0x" + os.urandom(8).hex()
    _openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
             "-set_serial", serial, "-days", DAYS, "-extfile", "server.ext",
             "-out", "server.pem.new", cwd=folder)


def _make_self_signed(folder):
    _openssl("req", "-x509", *_ec_key_args(), "-keyout", "server.key.new",
             "-out", "server.pem.new", "-days", DAYS, "-subj", "/CN=localhost",
             "-addext", SUBJECT_ALT_NAME, cwd=folder)


def ensure(folder, mode, renew=False):
    """Makes the certificates if missing (or a new server certificate when renew).

    Returns (certificate path, key path)."""
    if mode not in ("ca", "self-signed"):
        raise ValueError("unknown certificate mode %r" % mode)
    os.makedirs(folder, exist_ok=True)
    cert = os.path.join(folder, "server.pem")
    key = os.path.join(folder, "server.key")
    if os.path.exists(cert) and not renew:
        return cert, key
    if mode == "ca":
        if not os.path.exists(os.path.join(folder, "ca.pem")):
            _make_ca(folder)
        _make_signed(folder)
    else:
        _make_self_signed(folder)
    os.chmod(os.path.join(folder, "server.key.new"), 0o600)
    # Replace key and certificate together so a reader never sees a mismatched pair.
    os.replace(os.path.join(folder, "server.key.new"), key)
    os.replace(os.path.join(folder, "server.pem.new"), cert)
    fingerprint = _openssl("x509", "-in", "server.pem", "-noout", "-fingerprint", "-sha256",
                           cwd=folder)
    with open(os.path.join(folder, "server.sha256"), "w") as f:
        f.write(fingerprint.strip().split("=", 1)[1] + "\n")
    return cert, key


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit("usage: certs.py DIR ca|self-signed [--renew]")
    print(*ensure(sys.argv[1], sys.argv[2], "--renew" in sys.argv[3:]))
