"""Pieces shared by the test servers: control file, watchdog, readiness line."""

import json
import os
import sys
import threading
import time


class Control:
    """A JSON object in a file that the test may rewrite while the server runs.

    The file is re-read whenever its inode, size or modification time changes,
    so a test that replaces it (write + rename) is seen at the next request.
    """

    def __init__(self, path, defaults=None):
        self.path = path
        self.defaults = dict(defaults or {})
        self._stamp = None
        self._values = dict(self.defaults)
        self._lock = threading.Lock()

    def get(self):
        with self._lock:
            try:
                st = os.stat(self.path)
                stamp = (st.st_ino, st.st_size, st.st_mtime_ns)
            except FileNotFoundError:
                stamp = None
            if stamp != self._stamp:
                values = dict(self.defaults)
                if stamp is not None:
                    try:
                        with open(self.path, "rb") as f:
                            values.update(json.loads(f.read().decode("utf-8") or "{}"))
                    except (OSError, ValueError) as err:
                        # Keep the last good settings; a half-written file is retried next time.
                        print("control file %s unreadable: %s" % (self.path, err), file=sys.stderr)
                        return dict(self._values)
                self._values = values
                self._stamp = stamp
            return dict(self._values)


def start_watchdog(parent_pid, max_seconds, on_exit=None):
    """Ends this process when its parent dies or after max_seconds."""

    deadline = time.monotonic() + max_seconds if max_seconds > 0 else None

    def run():
        while True:
            time.sleep(0.2)
            reason = None
            if parent_pid and os.getppid() != parent_pid:
                reason = "parent %d is gone" % parent_pid
            elif deadline is not None and time.monotonic() > deadline:
                reason = "time limit of %d s reached" % max_seconds
            if reason:
                print("exiting: " + reason, file=sys.stderr, flush=True)
                if on_exit:
                    try:
                        on_exit()
                    except Exception as err:  # exiting anyway
                        print("cleanup failed: %s" % err, file=sys.stderr, flush=True)
                os._exit(3)

    threading.Thread(target=run, name="watchdog", daemon=True).start()


def announce_ready(**fields):
    """Prints the readiness line and moves stdout out of the launcher's way.

    The launcher closes its end of the pipe after this line, so nothing may be
    written to the original stdout afterwards.
    """
    line = "READY " + " ".join("%s=%s" % kv for kv in fields.items())
    sys.stdout.write(line + "\n")
    sys.stdout.flush()
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, 1)
    os.close(devnull)
    sys.stdout = sys.stderr


def add_common_args(parser):
    parser.add_argument("--work", required=True, help="folder for logs and the control file")
    parser.add_argument("--parent-pid", type=int, default=0,
                        help="exit when this process is no longer the parent")
    parser.add_argument("--max-seconds", type=int, default=120,
                        help="exit by itself after this many seconds (0: never)")


