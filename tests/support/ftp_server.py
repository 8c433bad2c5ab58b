"""A real FTP server for the tests and benchmarks: pyftpdlib on loopback.

Listens on a free port of 127.0.0.1 and prints "PORT <n>" once it accepts
connections. Every account gets the same home folder (--root). Each command
received is appended to --log ("CONNECT" for a new connection, "RECEIVED
<path> <size>" for a complete upload), so a test can see what reached the
server. --fault picks the ways a handler misbehaves (comma-separated);
--fault-count limits a fault to its first N hits (default: all).

Run it with /usr/bin/python3 (the interpreter that sees Debian's pyftpdlib).
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


class Faults:
    names = set()
    count = -1      # how many uploads the fault hits; -1 every one
    bytes = 1000    # close-data-early: bytes read before closing
    hits = 0

    @classmethod
    def take(cls):
        if cls.count >= 0 and cls.hits >= cls.count:
            return False
        cls.hits += 1
        return True

    @classmethod
    def on(cls, name):
        return name in cls.names


class Log:
    path = None

    @classmethod
    def write(cls, line):
        if cls.path:
            with open(cls.path, "a", encoding="utf-8") as f:
                f.write(line + "\n")


class CloseEarlyDTP(DTPHandler):
    """Closes the data connection after a few bytes and reports success, as
    servers do: the file stays truncated."""

    def enable_receiving(self, type, cmd):
        self._cut = Faults.take()
        super().enable_receiving(type, cmd)

    def handle_read(self):
        super().handle_read()
        if self._cut and not self._closed and self.tot_bytes_received >= Faults.bytes:
            self.transfer_finished = True
            self._resp = ("226 Transfer complete.", lambda *a, **k: None)
            self.close()

    handle_read_event = handle_read


class StallDTP(DTPHandler):
    """Stops reading the data connection: the client's writes block."""

    def enable_receiving(self, type, cmd):
        super().enable_receiving(type, cmd)
        if Faults.take():
            self.ioloop.unregister(self._fileno)


class PauseDTP(DTPHandler):
    """Stops reading the data connection for --fault-bytes milliseconds, then
    reads on: the upload ends late but whole."""

    def enable_receiving(self, type, cmd):
        super().enable_receiving(type, cmd)
        if Faults.take():
            self.ioloop.unregister(self._fileno)
            self.ioloop.call_later(Faults.bytes / 1000.0, self._resume)

    def _resume(self):
        if not self._closed:
            self.ioloop.register(self._fileno, self, self.ioloop.READ)


class Handler(FTPHandler):
    def on_connect(self):
        Log.write("CONNECT")

    def pre_process_command(self, line, cmd, arg):
        shown = "****" if cmd == "PASS" else (arg or "")
        Log.write((cmd + " " + shown).rstrip())
        if Faults.on("stall-replies") and cmd == "CWD":
            return  # never answers
        if (Faults.on("no-mlst") and cmd == "MLST") or (Faults.on("no-list") and cmd == "LIST"):
            self.respond("502 Command not implemented.")
            return
        super().pre_process_command(line, cmd, arg)

    def ftp_CWD(self, path):
        # A folder two levels down is the shop's password folder; the reply
        # names it, as servers' replies do.
        depth = len(os.path.relpath(path, self.root).split(os.sep))
        if Faults.on("cwd-busy") and depth == 2 and Faults.take():
            self.respond("450 %s: busy, try again later." % self.fs.fs2ftp(path))
            return
        return super().ftp_CWD(path)

    def ftp_SIZE(self, path):
        if Faults.on("no-size"):
            self.respond("502 Command not implemented.")
            return
        if Faults.on("size-550"):
            self.respond("550 %s is not retrievable." % self.fs.fs2ftp(path))
            return
        super().ftp_SIZE(path)

    def ftp_RNTO(self, path):
        if Faults.on("rnto-no-replace") and self._rnfr and os.path.exists(path):
            self._rnfr = None
            self.respond("550 %s: file exists." % self.fs.fs2ftp(path))
            return
        result = super().ftp_RNTO(path)
        # The upload is over once its file has its name: drop the connection.
        if Faults.on("drop-after-upload") and Faults.take():
            self.close_when_done()
        return result

    def ftp_PORT(self, line):
        if Faults.on("no-data-connection"):
            self.respond("200 Active data connection established.")
            return
        super().ftp_PORT(line)

    def on_file_received(self, file):
        Log.write("RECEIVED %s %d" % (os.path.relpath(file, self.root), os.path.getsize(file)))
        if Faults.on("truncate-stored") and Faults.take():
            with open(file, "r+b") as f:
                f.truncate(max(0, os.path.getsize(file) - 1))

    def on_incomplete_file_received(self, file):
        Log.write("INCOMPLETE %s" % os.path.relpath(file, self.root))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--account", nargs=2, action="append", default=[], metavar=("USER", "PASSWORD"))
    p.add_argument("--fault", default="none")
    p.add_argument("--fault-count", type=int, default=-1)
    p.add_argument("--fault-bytes", type=int, default=1000)
    p.add_argument("--log")
    p.add_argument("--port-file", help="write 'PORT <n>' there instead of to standard output, and end when "
                   "that file is removed (a program that Wine runs reaches no pipe or signal of ours)")
    p.add_argument("--stderr", help="append standard error to this file")
    a = p.parse_args()
    if a.stderr:
        sys.stderr = open(a.stderr, "a", buffering=1)

    Faults.names = set(a.fault.split(","))
    Faults.count, Faults.bytes = a.fault_count, a.fault_bytes
    Log.path = a.log
    authorizer = DummyAuthorizer()
    for user, password in a.account:
        authorizer.add_user(user, password, a.root, perm="elradfmwMT")

    Handler.authorizer = authorizer
    Handler.root = os.path.realpath(a.root)
    Handler.banner = "Servidor de prueba listo."
    Handler.auth_failed_timeout = 0
    if Faults.on("close-data-early"):
        Handler.dtp_handler = CloseEarlyDTP
    elif Faults.on("stall-data"):
        Handler.dtp_handler = StallDTP
    elif Faults.on("pause-data"):
        Handler.dtp_handler = PauseDTP

    server = FTPServer(("127.0.0.1", 0), Handler)
    server.max_cons = 64
    # Ends with the test that started it, even when that test crashed.
    parent = os.getppid()
    server.ioloop.call_every(0.5, lambda: os.getppid() != parent and os._exit(0))
    port = "PORT %d" % server.socket.getsockname()[1]
    if a.port_file:
        with open(a.port_file + ".new", "w") as f:
            f.write(port + "\n")
        os.rename(a.port_file + ".new", a.port_file)
        server.ioloop.call_every(0.5, lambda: os.path.exists(a.port_file) or os._exit(0))
    else:
        print(port, flush=True)
    server.serve_forever(timeout=0.5, handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
