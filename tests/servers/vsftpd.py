#!/usr/bin/python3
"""A private vsftpd instance for the tests, on 127.0.0.1 and a free port.

Login is anonymous ("ftp" or "anonymous") with the password given by
--password (vsftpd's list of accepted anonymous passwords), so nothing on the
machine changes: no system user, no PAM file. vsftpd refuses an anonymous
chroot that its user may write, so the login folder "/" is read-only and the
uploads go below it (--upload-dir, "pub" by default); everything already in
the root is handed to the anonymous user at start.

Needs root (vsftpd changes to the anonymous user and chroots). Prints
"READY port=N pid=P vsftpd=Q" once vsftpd listens. WORK/vsftpd.log holds every
command and reply (log_ftp_protocol) and the transfers.

TLS (--tls ca or self-signed, certificates in WORK/certs): explicit FTPS,
optional unless --require-tls. SIGHUP makes a new server certificate and
restarts vsftpd on the same port (vsftpd reads its certificate only at start;
open connections are closed);
WORK/generation counts the restarts once the new instance listens.
"""

import argparse
import ctypes
import os
import pwd
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import certs  # noqa: E402
import common  # noqa: E402

VSFTPD = "/usr/sbin/vsftpd"
PR_SET_PDEATHSIG = 1
PR_SET_CHILD_SUBREAPER = 36


def anonymous_account():
    for name in ("ftp", "nobody"):
        try:
            return pwd.getpwnam(name)
        except KeyError:
            pass
    sys.exit("no 'ftp' or 'nobody' user for anonymous sessions")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening_inode(port):
    want = "0100007F:%04X" % port
    with open("/proc/net/tcp") as f:
        for line in f.readlines()[1:]:
            fields = line.split()
            if fields[1] == want and fields[3] == "0A":
                return fields[9]
    return None


def owns_socket(pid, inode):
    target = "socket:[%s]" % inode
    try:
        for fd in os.listdir("/proc/%d/fd" % pid):
            try:
                if os.readlink("/proc/%d/fd/%s" % (pid, fd)) == target:
                    return True
            except OSError:
                pass
    except OSError:
        pass
    return False


def children_of(pid):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
            ppid = int(stat[stat.rindex(")") + 2:].split()[1])
        except (OSError, ValueError):
            continue
        if ppid == pid:
            found.append(int(entry))
    return found


def kill_tree(pid, sig=signal.SIGKILL):
    # Sessions are children of the listener; take them down with it.
    for child in children_of(pid):
        kill_tree(child, sig)
    try:
        os.kill(pid, sig)
    except ProcessLookupError:
        pass


# Looked up before any fork: the child of a threaded process should only make the call.
_prctl = ctypes.CDLL(None, use_errno=True).prctl


def die_with_parent():
    _prctl(PR_SET_PDEATHSIG, int(signal.SIGKILL), 0, 0, 0)


def reap_orphans(keep):
    # As subreaper this process inherits the sessions whose vsftpd parent has gone.
    while True:
        try:
            info = os.waitid(os.P_ALL, 0, os.WEXITED | os.WNOHANG | os.WNOWAIT)
        except ChildProcessError:
            return
        if info is None or info.si_pid == keep:
            return
        os.waitpid(info.si_pid, 0)


def prepare_root(root, upload_dir, account):
    os.makedirs(root, exist_ok=True)
    os.chown(root, 0, 0)
    os.chmod(root, 0o755)
    if upload_dir:
        os.makedirs(os.path.join(root, upload_dir), exist_ok=True)
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            os.chown(path, account.pw_uid, account.pw_gid, follow_symlinks=False)


def write_config(args, port, account, cert):
    work = args.work
    empty = os.path.join(work, "empty")
    os.makedirs(empty, exist_ok=True)
    os.chmod(empty, 0o555)
    emails = os.path.join(work, "passwords")
    with open(emails, "w") as f:
        f.write(args.password + "\n")
    lines = {
        "listen": "YES", "listen_ipv6": "NO", "listen_address": "127.0.0.1",
        "listen_port": str(port), "background": "NO",
        "anonymous_enable": "YES", "local_enable": "NO", "ftp_username": account.pw_name,
        "anon_root": args.root, "no_anon_password": "NO",
        "secure_email_list_enable": "YES", "email_password_file": emails,
        "write_enable": "YES", "anon_upload_enable": "YES", "anon_mkdir_write_enable": "YES",
        "anon_other_write_enable": "YES", "anon_world_readable_only": "NO", "anon_umask": "022",
        "secure_chroot_dir": empty, "seccomp_sandbox": "NO", "isolate": "NO",
        "isolate_network": "NO", "delay_failed_login": "0", "delay_successful_login": "0",
        "max_login_fails": "3", "idle_session_timeout": "60", "data_connection_timeout": "30",
        "accept_timeout": "10", "connect_timeout": "10", "connect_from_port_20": "NO",
        "pasv_enable": "YES", "port_enable": "YES", "hide_ids": "NO",
        "ftpd_banner": "Tabulonix test vsftpd ready.",
        "xferlog_enable": "YES", "xferlog_std_format": "NO", "log_ftp_protocol": "YES",
        "dual_log_enable": "NO", "syslog_enable": "NO",
        "vsftpd_log_file": os.path.join(work, "vsftpd.log"),
    }
    if cert:
        lines.update({
            "ssl_enable": "YES", "allow_anon_ssl": "YES", "require_ssl_reuse": "NO",
            "ssl_ciphers": "HIGH", "ssl_sslv2": "NO", "ssl_sslv3": "NO", "ssl_tlsv1": "YES",
            "rsa_cert_file": cert[0], "rsa_private_key_file": cert[1],
            "force_anon_logins_ssl": "YES" if args.require_tls else "NO",
            "force_anon_data_ssl": "YES" if args.require_tls else "NO",
        })
    else:
        lines["ssl_enable"] = "NO"
    path = os.path.join(work, "vsftpd.conf")
    with open(path, "w") as f:
        for key, value in lines.items():
            f.write("%s=%s\n" % (key, value))
    return path


class Instance:
    def __init__(self, args, account):
        self.args = args
        self.account = account
        self.proc = None
        self.port = args.port

    def cert(self, renew=False):
        if self.args.tls == "none":
            return None
        return certs.ensure(os.path.join(self.args.work, "certs"), self.args.tls, renew)

    def start(self, cert, timeout=10.0):
        """Starts vsftpd; a lost race for a free port is retried with another one."""
        deadline = time.monotonic() + timeout
        fixed = self.port is not None
        err = open(os.path.join(self.args.work, "vsftpd.err"), "ab")
        while time.monotonic() < deadline:
            port = self.port if fixed else free_port()
            conf = write_config(self.args, port, self.account, cert)
            proc = subprocess.Popen([VSFTPD, conf], stdin=subprocess.DEVNULL, stdout=err,
                                    stderr=err, preexec_fn=die_with_parent)
            while time.monotonic() < deadline and proc.poll() is None:
                inode = listening_inode(port)
                if inode and owns_socket(proc.pid, inode):
                    self.proc, self.port = proc, port
                    return
                time.sleep(0.01)
            if proc.poll() is None:
                proc.kill()
                proc.wait()
                break
            # vsftpd gave up (most likely the port was taken meanwhile): try again.
            time.sleep(0.05)
        sys.exit("vsftpd did not start listening; see %s" %
                 os.path.join(self.args.work, "vsftpd.err"))

    def stop(self):
        """Ends the listener and its sessions."""
        if self.proc is not None:
            kill_tree(self.proc.pid)
            self.proc.wait()
            self.proc = None
            time.sleep(0.01)
            reap_orphans(None)

    def stop_all(self):
        self.stop()
        for child in children_of(os.getpid()):
            kill_tree(child)
        time.sleep(0.01)
        reap_orphans(None)


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    common.add_common_args(parser)
    parser.add_argument("--root", required=True, help="folder served as / (read-only)")
    parser.add_argument("--upload-dir", default="pub", help="writable folder below the root")
    parser.add_argument("--password", default="secret", help="the accepted password")
    parser.add_argument("--tls", choices=("none", "ca", "self-signed"), default="none")
    parser.add_argument("--require-tls", action="store_true")
    parser.add_argument("--port", type=int, help="listen on this port instead of a free one")
    args = parser.parse_args()

    if os.geteuid() != 0:
        sys.exit("vsftpd needs root here")
    if not os.access(VSFTPD, os.X_OK):
        sys.exit("%s is not installed" % VSFTPD)
    args.work = os.path.abspath(args.work)
    args.root = os.path.abspath(args.root)
    os.makedirs(args.work, exist_ok=True)
    account = anonymous_account()
    prepare_root(args.root, args.upload_dir, account)

    _prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    instance = Instance(args, account)
    restart = []
    signal.signal(signal.SIGHUP, lambda *_: restart.append(True))

    def terminate(*_):
        instance.stop_all()
        os._exit(0)

    signal.signal(signal.SIGTERM, terminate)
    common.start_watchdog(args.parent_pid, args.max_seconds, instance.stop_all)
    instance.start(instance.cert())
    generation = 0
    common.announce_ready(port=instance.port, pid=os.getpid(), vsftpd=instance.proc.pid)
    while True:
        time.sleep(0.05)
        reap_orphans(instance.proc.pid)
        if restart:
            restart.clear()
            cert = instance.cert(renew=True)
            instance.stop()
            instance.start(cert)
            generation += 1
            with open(os.path.join(args.work, "generation.new"), "w") as f:
                f.write("%d\n" % generation)
            os.replace(os.path.join(args.work, "generation.new"),
                       os.path.join(args.work, "generation"))
        elif instance.proc.poll() is not None:
            sys.exit("vsftpd ended by itself with status %d" % instance.proc.returncode)


if __name__ == "__main__":
    main()
