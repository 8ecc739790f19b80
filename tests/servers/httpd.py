#!/usr/bin/python3
"""HTTP server for the tests, on 127.0.0.1 and a free port.

Serves the files of --root for GET and HEAD and stands in for the results
service's upload script: every POST is recorded in WORK/posts as NNNN.head
(request line and headers) and NNNN.body (the body bytes exactly as received,
chunked bodies decoded); a POST to a path ending in the upload path
("/cgi-bin/upload/exchange.cgi", any prefix) gets the upload reply, any other
POST a 404. WORK/requests.log has one line "METHOD target" per request.
Prints "READY port=N pid=P" once it listens.

Settings come from WORK/control.json, re-read at every request, and --set:
  "body_end":   "length" (Content-Length), "chunked" or "close" (no length,
                the connection closes after the body)
  "slow_bytes", "slow_interval_ms": send bodies in pieces of that many bytes
                with a pause after each
  "delay_ms":   wait before answering
  "expect_100": "answer" (100 Continue), "ignore" (no interim answer) or
                "reject" (417) for "Expect: 100-continue"
  "paths":      {"/x.htm": REPLY} fixed replies for any method
  "upload_path": the upload script's path
  "upload_reply": REPLY
REPLY: {"status": 404, "reason": "...", "body": "text" or "body_file": path,
        "headers": [["Name", "value"], ...]}; status 0 closes the connection
without any answer.
"""

import argparse
import http.server
import json
import mimetypes
import os
import posixpath
import ssl
import sys
import threading
import time
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import certs  # noqa: E402
import common  # noqa: E402

UPLOAD_PATH = "/cgi-bin/upload/exchange.cgi"
DEFAULT_UPLOAD_REPLY = {
    "status": 200,
    "body": "<html><head><title>Upload</title></head><body>Upload received.</body></html>",
}


class Recorder:
    def __init__(self, folder):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self._lock = threading.Lock()
        self._count = 0

    def record(self, head, body):
        with self._lock:
            self._count += 1
            stem = os.path.join(self.folder, "%04d" % self._count)
        with open(stem + ".body", "wb") as f:
            f.write(body)
        # The head file appears last and whole: a reader that sees it sees both.
        with open(stem + ".head.tmp", "wb") as f:
            f.write(head)
        os.replace(stem + ".head.tmp", stem + ".head")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TabulonixTestHTTP/1.0"
    timeout = 30

    def setup(self):
        http.server.BaseHTTPRequestHandler.setup(self)
        if isinstance(self.connection, ssl.SSLSocket):
            self.connection.do_handshake()

    def handle(self):
        try:
            http.server.BaseHTTPRequestHandler.handle(self)
        except (ConnectionError, ssl.SSLError, TimeoutError):
            self.close_connection = True

    def log_message(self, format, *args):
        sys.stderr.write("httpd %s\n" % (format % args))

    def settings(self):
        return self.server.control.get()

    def log_request_line(self):
        self.server.log_request_line("%s %s" % (self.command, self.path))

    def handle_expect_100(self):
        mode = self.settings().get("expect_100", "answer")
        if mode == "ignore":
            return True
        if mode == "reject":
            self.send_response_only(417)
            self.send_header("Content-Length", "0")
            self.end_headers()
            self.close_connection = True
            return False
        return http.server.BaseHTTPRequestHandler.handle_expect_100(self)

    # --- requests

    def do_GET(self):
        self.serve(head_only=False)

    def do_HEAD(self):
        self.serve(head_only=True)

    def do_POST(self):
        self.log_request_line()
        body = self.read_body()
        if body is None:
            return
        head = "%s %s %s\r\n" % (self.command, self.path, self.request_version)
        head += "".join("%s: %s\r\n" % (k, v) for k, v in self.headers.items())
        self.server.recorder.record(head.encode("latin-1", "replace"), body)
        settings = self.settings()
        path = urllib.parse.urlsplit(self.path).path
        fixed = settings.get("paths", {}).get(path)
        if fixed is not None:
            return self.reply(fixed, settings)
        if path.endswith(settings.get("upload_path", UPLOAD_PATH)):
            return self.reply(settings.get("upload_reply", DEFAULT_UPLOAD_REPLY), settings)
        return self.reply({"status": 404, "body": "<html><body>No such script</body></html>"},
                          settings)

    do_PUT = do_POST

    def read_body(self):
        if self.headers.get("Transfer-Encoding", "").lower() == "chunked":
            parts = []
            while True:
                size_line = self.rfile.readline(1024)
                if not size_line:
                    return None
                size = int(size_line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(1024) not in (b"\r\n", b"\n", b""):
                        pass
                    return b"".join(parts)
                parts.append(self.rfile.read(size))
                self.rfile.readline(1024)
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        try:
            length = int(length)
        except ValueError:
            self.send_error(400, "Bad Content-Length")
            return None
        body = self.rfile.read(length)
        if len(body) != length:
            self.close_connection = True
            return None
        return body

    def serve(self, head_only):
        self.log_request_line()
        settings = self.settings()
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        fixed = settings.get("paths", {}).get(path)
        if fixed is not None:
            return self.reply(fixed, settings, head_only)
        parts = [p for p in path.split("/") if p]
        if any(p in ("..", ".") or "\\" in p for p in parts):
            return self.reply({"status": 400, "body": "Bad path"}, settings, head_only)
        local = os.path.join(self.server.root, *parts)
        if os.path.isdir(local):
            for index in ("index.htm", "index.html"):
                if os.path.isfile(os.path.join(local, index)):
                    local = os.path.join(local, index)
                    break
        if not os.path.isfile(local):
            return self.reply({"status": 404, "body": "<html><body>Not Found</body></html>"},
                              settings, head_only)
        with open(local, "rb") as f:
            body = f.read()
        ctype = mimetypes.guess_type(posixpath.basename(local))[0] or "application/octet-stream"
        self.send_body(200, None, [("Content-Type", ctype)], body, settings, head_only)

    # --- answers

    def reply(self, spec, settings, head_only=False):
        status = int(spec.get("status", 200))
        if status == 0:
            self.close_connection = True
            return
        if "body_file" in spec:
            with open(spec["body_file"], "rb") as f:
                body = f.read()
        else:
            body = spec.get("body", "").encode("utf-8")
        headers = [tuple(h) for h in spec.get("headers", [])]
        if not any(k.lower() == "content-type" for k, _ in headers):
            headers.insert(0, ("Content-Type", "text/html"))
        self.send_body(status, spec.get("reason"), headers, body, settings, head_only)

    def send_body(self, status, reason, headers, body, settings, head_only):
        delay = settings.get("delay_ms", 0)
        if delay:
            time.sleep(delay / 1000.0)
        end = settings.get("body_end", "length")
        self.send_response(status, reason)
        for name, value in headers:
            self.send_header(name, value)
        if end == "chunked":
            self.send_header("Transfer-Encoding", "chunked")
        elif end == "close":
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if head_only:
            return
        piece = int(settings.get("slow_bytes", 0)) or len(body) or 1
        pause = settings.get("slow_interval_ms", 0) / 1000.0
        for start in range(0, len(body), piece):
            chunk = body[start:start + piece]
            if end == "chunked":
                self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
            else:
                self.wfile.write(chunk)
            self.wfile.flush()
            if pause and start + piece < len(body):
                time.sleep(pause)
        if end == "chunked":
            self.wfile.write(b"0\r\n\r\n")
            self.wfile.flush()


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, args, defaults):
        http.server.ThreadingHTTPServer.__init__(self, ("127.0.0.1", 0), Handler)
        self.root = os.path.abspath(args.root)
        self.control = common.Control(os.path.join(args.work, "control.json"), defaults)
        self.recorder = Recorder(os.path.join(args.work, "posts"))
        self._log = open(os.path.join(args.work, "requests.log"), "a", encoding="utf-8")
        self._log_lock = threading.Lock()
        self.tls = None
        if args.tls != "none":
            cert, key = certs.ensure(os.path.join(args.work, "certs"), args.tls)
            self.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.tls.load_cert_chain(cert, key)

    def get_request(self):
        sock, addr = self.socket.accept()
        if self.tls:
            # The handshake runs in the request's thread, not in the accept loop.
            sock = self.tls.wrap_socket(sock, server_side=True, do_handshake_on_connect=False)
        return sock, addr

    def log_request_line(self, line):
        with self._log_lock:
            self._log.write(line + "\n")
            self._log.flush()

    def handle_error(self, request, client_address):
        print("httpd: error with %s: %s" % (client_address, sys.exc_info()[1]), file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    common.add_common_args(parser)
    parser.add_argument("--root", required=True, help="folder of the pages served")
    parser.add_argument("--tls", choices=("none", "ca", "self-signed"), default="none")
    parser.add_argument("--set", action="append", default=[], metavar="KEY=JSON",
                        help="default for a setting, e.g. --set body_end='\"chunked\"'")
    args = parser.parse_args()
    defaults = {}
    for item in args.set:
        key, _, value = item.partition("=")
        defaults[key] = json.loads(value)
    if not os.path.isdir(args.root):
        sys.exit("root folder %s does not exist" % args.root)
    server = Server(args, defaults)
    common.start_watchdog(args.parent_pid, args.max_seconds)
    common.announce_ready(port=server.server_address[1], pid=os.getpid())
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    main()
