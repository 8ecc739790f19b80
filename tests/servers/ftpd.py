#!/usr/bin/python3
"""FTP server for the tests, on 127.0.0.1 and a free port.

Prints "READY port=N pid=P" on stdout once it listens. Writes one line per
control command received to WORK/commands.log, in order ("PASS ****" masked),
plus "CONNECT" and "DISCONNECT" for each control connection.

Faults come from WORK/control.json (re-read at every command, so the test may
change them while the server runs) and from --set on the command line:
  "refuse":         ["STOR page.htm", "MKD *", "DELE"]  answered with 550; the
                    argument is matched (glob) against the whole argument or its
                    last path component; no argument matches every use
  "drop_stor_after": N   after N bytes of an upload, close the data and the
                    control connection without a reply (the file keeps N bytes)
  "delay_ms":       N    wait N ms before every reply, the greeting included
"""

import argparse
import fnmatch
import json
import logging
import os
import socket
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

from pyftpdlib.authorizers import DummyAuthorizer  # noqa: E402
from pyftpdlib.handlers import DTPHandler, FTPHandler  # noqa: E402
from pyftpdlib.ioloop import RetryError  # noqa: E402
from pyftpdlib.servers import FTPServer  # noqa: E402

FULL_PERMISSIONS = "elradfmwMT"


class CommandLog:
    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8", newline="\n")
        self._lock = threading.Lock()

    def write(self, line):
        with self._lock:
            self._file.write(line + "\n")
            self._file.flush()


def refused(patterns, cmd, arg):
    base = arg.rstrip("/").rsplit("/", 1)[-1]
    for pattern in patterns:
        want_cmd, _, want_arg = pattern.partition(" ")
        if want_cmd.upper() != cmd:
            continue
        if not want_arg or fnmatch.fnmatchcase(arg, want_arg) or fnmatch.fnmatchcase(base, want_arg):
            return True
    return False


class FaultDTPHandler(DTPHandler):
    """Data channel that can cut an upload short and take the session down with it."""

    def handle_read(self):
        limit = getattr(self.cmd_channel, "drop_after", None)
        if not self.receive or limit is None or limit < 0:
            return DTPHandler.handle_read(self)
        try:
            chunk = self.recv(self.ac_in_buffer_size)
        except RetryError:
            return
        except socket.error:
            return self.handle_error()
        if not chunk:
            self.transfer_finished = True
            return
        room = limit - self.tot_bytes_received
        self.tot_bytes_received += len(chunk)
        if len(chunk) < room:
            self.file_obj.write(chunk)
            return
        self.file_obj.write(chunk[:max(room, 0)])
        self.file_obj.flush()
        self.cmd_channel.drop_connection()

    handle_read_event = handle_read


class TestFTPHandler(FTPHandler):
    dtp_handler = FaultDTPHandler
    banner = "Tabulonix test FTP server ready."
    timeout = 60
    auth_failed_timeout = 0  # tests of wrong passwords need no brake
    command_log = None
    control = None
    drop_after = None

    def _faults(self):
        values = self.control.get()
        self.drop_after = values.get("drop_stor_after")
        return values

    def handle(self):
        self.command_log.write("CONNECT")
        self._faults()
        FTPHandler.handle(self)

    def close(self):
        if not self._closed:
            self.command_log.write("DISCONNECT")
        FTPHandler.close(self)

    def respond(self, resp, logfun=logging.debug):
        delay = self.control.get().get("delay_ms", 0)
        if delay:
            # Blocking on purpose: the whole server slows down, as a slow link would.
            time.sleep(delay / 1000.0)
        FTPHandler.respond(self, resp, logfun)

    def drop_connection(self):
        # No reply at all: the client must notice the lost connection by itself.
        dc = self.data_channel
        if dc is not None:
            dc._resp = ()
            try:
                dc.socket.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\0\0\0\0\0\0\0")
            except OSError:
                pass
            dc.close()
        self.close()

    def pre_process_command(self, line, cmd, arg):
        if cmd == "PASS":
            self.command_log.write("PASS ****")
        else:
            self.command_log.write(line)
        faults = self._faults()
        if refused(faults.get("refuse", []), cmd, arg):
            self.respond("550 Refused by the test.")
            return
        FTPHandler.pre_process_command(self, line, cmd, arg)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    common.add_common_args(parser)
    parser.add_argument("--root", required=True, help="folder served as /")
    parser.add_argument("--user", default="club")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--anonymous", action="store_true", help="also allow anonymous login")
    parser.add_argument("--anonymous-write", action="store_true",
                        help="anonymous users may write too")
    parser.add_argument("--set", action="append", default=[], metavar="KEY=JSON",
                        help="default for a control setting, e.g. --set delay_ms=200")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr,
                        format="%(asctime)s ftpd %(levelname)s %(message)s")
    defaults = {}
    for item in args.set:
        key, _, value = item.partition("=")
        defaults[key] = json.loads(value)

    root = os.path.abspath(args.root)
    if not os.path.isdir(root):
        sys.exit("root folder %s does not exist" % root)
    authorizer = DummyAuthorizer()
    if args.user:
        authorizer.add_user(args.user, args.password, root, perm=FULL_PERMISSIONS)
    if args.anonymous:
        authorizer.add_anonymous(root, perm=FULL_PERMISSIONS if args.anonymous_write else "elr")

    TestFTPHandler.authorizer = authorizer
    TestFTPHandler.command_log = CommandLog(os.path.join(args.work, "commands.log"))
    TestFTPHandler.control = common.Control(os.path.join(args.work, "control.json"), defaults)

    server = FTPServer(("127.0.0.1", 0), TestFTPHandler)
    port = server.socket.getsockname()[1]
    common.start_watchdog(args.parent_pid, args.max_seconds)
    common.announce_ready(port=port, pid=os.getpid())
    server.serve_forever(timeout=0.5)


if __name__ == "__main__":
    main()
