"""A real FTP server for the tests and benchmarks: pyftpdlib on loopback.

Listens on a free port of 127.0.0.1 and prints "PORT <n>" once it accepts
connections. Every account gets the same home folder (--root). Each command
received is appended to --log ("CONNECT" for a new connection, "RECEIVED
<path> <size>" for a complete upload, with " TLS" when its data came
protected), so a test can see what reached the server. --fault picks the ways
a handler misbehaves (comma-separated); --fault-count limits a fault to its
first N hits (default: all).

--tls MODE offers FTP over TLS (AUTH TLS, PBSZ, PROT) with a certificate made
here, in --certs DIR: "good" (signed by the test CA of DIR/ca.pem, for
localhost and 127.0.0.1), "wrong-host" (signed by that CA, for another name)
or "self-signed" (for localhost and 127.0.0.1, signed by itself). The CA is
made once per folder. --tls-required refuses the log-in and the data
connections without TLS. --make-certificate only makes the --tls certificate
(and the CA) in --certs, prints the path of its PEM file (certificate and key)
and ends: for the other servers the tests start.

--capture FILE puts a relay in front of the server (the printed port is the
relay's) that appends every byte a client sends on its control connection to
FILE, as it travels.

Run it with /usr/bin/python3 (the interpreter that sees Debian's pyftpdlib
and python3-openssl).
"""
import argparse
import datetime
import ipaddress
import os
import signal
import socket
import sys
import threading

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


# The data-connection faults are mixins over pyftpdlib's data handler, plain
# or TLS; on a protected connection they start once the handshake is done.

class AfterHandshake:
    def _once_secure(self, action):
        if getattr(self, "_ssl_requested", False) and not getattr(self, "_ssl_established", False):
            self._after_handshake = action
        else:
            action()

    def handle_ssl_established(self):
        action = getattr(self, "_after_handshake", None)
        if action:
            self.ioloop.call_later(0, action)


class CloseEarly:
    """Closes the data connection after a few bytes and reports success, as
    servers do: the file stays truncated."""

    def enable_receiving(self, type, cmd):
        self._cut = Faults.take()
        super().enable_receiving(type, cmd)

    def handle_read_event(self):
        super().handle_read_event()
        if self._cut and not self._closed and self.tot_bytes_received >= Faults.bytes:
            self.transfer_finished = True
            self._resp = ("226 Transfer complete.", lambda *a, **k: None)
            self.close()


class Stall(AfterHandshake):
    """Stops reading the data connection: the client's writes block."""

    def enable_receiving(self, type, cmd):
        super().enable_receiving(type, cmd)
        if Faults.take():
            self._once_secure(lambda: self.ioloop.unregister(self._fileno))


class Pause(AfterHandshake):
    """Stops reading the data connection for --fault-bytes milliseconds, then
    reads on: the upload ends late but whole."""

    def enable_receiving(self, type, cmd):
        super().enable_receiving(type, cmd)
        if Faults.take():
            self._once_secure(self._pause)

    def _pause(self):
        self.ioloop.unregister(self._fileno)
        self.ioloop.call_later(Faults.bytes / 1000.0, self._resume)

    def _resume(self):
        if not self._closed:
            self.ioloop.register(self._fileno, self, self.ioloop.READ)


class Commands:
    """The control-connection faults, over pyftpdlib's handler, plain or TLS."""

    def on_connect(self):
        Log.write("CONNECT")

    def pre_process_command(self, line, cmd, arg):
        shown = "****" if cmd == "PASS" else (arg or "")
        Log.write((cmd + " " + shown).rstrip())
        if Faults.on("stall-replies") and cmd == "CWD":
            return  # never answers
        if Faults.on("long-reply") and cmd == "CWD":
            # A multi-line reply far longer than any a client should keep
            # (about 2 MB), and no end line.
            self.push("250-" + "\r\n250-".join(["x" * 200] * 10000) + "\r\n")
            return
        if Faults.on("epsv-malformed") and cmd == "EPSV":
            self.respond("229 Entering Extended Passive Mode (|||port|)")
            return
        if ((Faults.on("no-mlst") and cmd == "MLST") or (Faults.on("no-list") and cmd == "LIST")
                or (Faults.on("no-epsv") and cmd == "EPSV")):
            self.respond("502 Command not implemented.")
            return
        super().pre_process_command(line, cmd, arg)

    def respond(self, resp, *args, **kwargs):
        # bare-pasv: the PASV reply without brackets, "227 =h1,h2,h3,h4,p1,p2".
        if Faults.on("bare-pasv") and resp.startswith("227 "):
            resp = "227 =" + resp[resp.index("(") + 1:resp.index(")")]
        super().respond(resp, *args, **kwargs)

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

    def ftp_STOR(self, file, mode="w"):
        # no-overwrite: as servers that keep every file once stored.
        if Faults.on("no-overwrite") and os.path.exists(file):
            self.respond("550 %s: Overwrite permission denied" % self.fs.fs2ftp(file))
            return
        return super().ftp_STOR(file, mode)

    def ftp_RNTO(self, path):
        if Faults.on("no-rename"):
            self._rnfr = None
            self.respond("550 Rename not allowed.")
            return
        if (Faults.on("rnto-no-replace") or Faults.on("no-overwrite")) and self._rnfr and os.path.exists(path):
            self._rnfr = None
            self.respond("550 %s: file exists." % self.fs.fs2ftp(path))
            return
        result = super().ftp_RNTO(path)
        # The upload is over once its file has its name: drop the connection.
        if Faults.on("drop-after-upload") and Faults.take():
            self.close_when_done()
        return result

    def ftp_PORT(self, line):
        if Faults.on("refuse-port"):
            self.respond("425 Can't connect to specified address.")
            return
        if Faults.on("no-data-connection"):
            self.respond("200 Active data connection established.")
            return
        if Faults.on("port-from-other-address"):
            # Someone else on the network reaches the announced port first,
            # from another address, and keeps what it is sent.
            fields = line.split(",")
            target = (".".join(fields[:4]), int(fields[4]) * 256 + int(fields[5]))
            threading.Thread(target=stranger, args=(target,), daemon=True).start()
            self.respond("200 Active data connection established.")
            return
        super().ftp_PORT(line)

    def ftp_EPRT(self, line):
        if Faults.on("refuse-port"):
            self.respond("425 Can't connect to specified address.")
            return
        super().ftp_EPRT(line)

    def on_file_received(self, file):
        protected = " TLS" if getattr(self, "_prot", False) else ""
        Log.write("RECEIVED %s %d%s" % (os.path.relpath(file, self.root), os.path.getsize(file), protected))
        if Faults.on("truncate-stored") and Faults.take():
            with open(file, "r+b") as f:
                f.truncate(max(0, os.path.getsize(file) - 1))

    def on_incomplete_file_received(self, file):
        Log.write("INCOMPLETE %s" % os.path.relpath(file, self.root))


def stranger(target):
    try:
        s = socket.socket()
        s.settimeout(3)
        s.bind(("127.0.0.2", 0))
        s.connect(target)
        got = 0
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            got += len(chunk)
        if got:
            Log.write("STRANGER RECEIVED %d" % got)
        s.close()
    except OSError:
        pass


def make_certificate(folder, mode):
    """The server's certificate and key for `mode`, in one PEM file; the test
    CA (folder/ca.pem) is made first when missing."""
    from cryptography import x509
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    from cryptography.x509.oid import NameOID

    def name(text):
        return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, text)])

    def pem(path, *parts):
        tmp = path + ".%d" % os.getpid()
        with open(tmp, "wb") as f:
            for p in parts:
                f.write(p)
        os.replace(tmp, path)

    def key_pem(key):
        return key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                 serialization.NoEncryption())

    now = datetime.datetime.now(datetime.timezone.utc)

    def builder(subject, issuer, public_key):
        return (x509.CertificateBuilder().subject_name(subject).issuer_name(issuer).public_key(public_key)
                .serial_number(x509.random_serial_number())
                .not_valid_before(now - datetime.timedelta(days=1))
                .not_valid_after(now + datetime.timedelta(days=30)))

    ca_path, ca_key_path = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca-key.pem")
    if not os.path.exists(ca_path):
        ca_key = ec.generate_private_key(ec.SECP256R1())
        ca = (builder(name("CA de prueba"), name("CA de prueba"), ca_key.public_key())
              .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
              .add_extension(x509.KeyUsage(digital_signature=False, content_commitment=False, key_encipherment=False,
                                           data_encipherment=False, key_agreement=False, key_cert_sign=True,
                                           crl_sign=True, encipher_only=False, decipher_only=False), critical=True)
              .sign(ca_key, hashes.SHA256()))
        pem(ca_key_path, key_pem(ca_key))
        pem(ca_path, ca.public_bytes(serialization.Encoding.PEM))
    with open(ca_path, "rb") as f:
        ca = x509.load_pem_x509_certificate(f.read())
    with open(ca_key_path, "rb") as f:
        ca_key = serialization.load_pem_private_key(f.read(), None)

    path = os.path.join(folder, mode + ".pem")
    if not os.path.exists(path):
        key = ec.generate_private_key(ec.SECP256R1())
        if mode == "wrong-host":
            names = [x509.DNSName("otro-servidor.ejemplo")]
        else:
            names = [x509.DNSName("localhost"), x509.IPAddress(ipaddress.ip_address("127.0.0.1"))]
        subject = name("otro-servidor.ejemplo" if mode == "wrong-host" else "localhost")
        issuer, signer = (subject, key) if mode == "self-signed" else (ca.subject, ca_key)
        cert = (builder(subject, issuer, key.public_key())
                .add_extension(x509.SubjectAlternativeName(names), critical=False)
                .sign(signer, hashes.SHA256()))
        pem(path, cert.public_bytes(serialization.Encoding.PEM), key_pem(key))
    return path


def start_capture(capture_path, server_port):
    """A relay on a free port of 127.0.0.1 to the server; what clients send
    on it is appended to capture_path. Returns the relay's port."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    def pump(source, target, record):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                if record:
                    with open(capture_path, "ab") as f:
                        f.write(data)
                target.sendall(data)
        except OSError:
            pass
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def accept():
        while True:
            client, _ = listener.accept()
            server = socket.create_connection(("127.0.0.1", server_port))
            threading.Thread(target=pump, args=(client, server, True), daemon=True).start()
            threading.Thread(target=pump, args=(server, client, False), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener.getsockname()[1]


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root")
    p.add_argument("--account", nargs=2, action="append", default=[], metavar=("USER", "PASSWORD"))
    p.add_argument("--fault", default="none")
    p.add_argument("--fault-count", type=int, default=-1)
    p.add_argument("--fault-bytes", type=int, default=1000)
    p.add_argument("--log")
    p.add_argument("--port-file", help="write 'PORT <n>' there instead of to standard output, and end when "
                   "that file is removed (a program that Wine runs reaches no pipe or signal of ours)")
    p.add_argument("--stderr", help="append standard error to this file")
    p.add_argument("--tls", choices=["good", "wrong-host", "self-signed"])
    p.add_argument("--tls-required", action="store_true")
    p.add_argument("--certs")
    p.add_argument("--capture")
    p.add_argument("--make-certificate", action="store_true")
    a = p.parse_args()
    if a.make_certificate:
        if not (a.tls and a.certs):
            p.error("--make-certificate needs --tls and --certs")
        print(make_certificate(a.certs, a.tls))
        return 0
    if not a.root:
        p.error("--root is required")
    # Whatever happens to its loop or to the program that started it (under
    # Wine nothing of ours can end a host process), it ends within 20 minutes.
    signal.alarm(1200)
    if a.stderr:
        sys.stderr = open(a.stderr, "a", buffering=1)

    Faults.names = set(a.fault.split(","))
    Faults.count, Faults.bytes = a.fault_count, a.fault_bytes
    Log.path = a.log
    authorizer = DummyAuthorizer()
    for user, password in a.account:
        authorizer.add_user(user, password, a.root, perm="elradfmwMT")

    handler_base, dtp_base = FTPHandler, DTPHandler
    if a.tls:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
        handler_base, dtp_base = TLS_FTPHandler, TLS_DTPHandler
    Handler = type("Handler", (Commands, handler_base), {})
    if a.tls:
        Handler.certfile = make_certificate(a.certs, a.tls)
        Handler.tls_control_required = Handler.tls_data_required = a.tls_required
    Handler.authorizer = authorizer
    Handler.root = os.path.realpath(a.root)
    Handler.banner = "Servidor de prueba listo."
    Handler.auth_failed_timeout = 0
    dtp_fault = (CloseEarly if Faults.on("close-data-early") else Stall if Faults.on("stall-data")
                 else Pause if Faults.on("pause-data") else None)
    Handler.dtp_handler = type("DTP", (dtp_fault, dtp_base), {}) if dtp_fault else dtp_base

    server = FTPServer(("127.0.0.1", 0), Handler)
    server.max_cons = 64
    # Ends with the test that started it, even when that test crashed.
    parent = os.getppid()
    server.ioloop.call_every(0.5, lambda: os.getppid() != parent and os._exit(0))
    port = server.socket.getsockname()[1]
    if a.capture:
        port = start_capture(a.capture, port)
    if a.port_file:
        with open(a.port_file + ".new", "w") as f:
            f.write("PORT %d\n" % port)
        os.rename(a.port_file + ".new", a.port_file)
        server.ioloop.call_every(0.5, lambda: os.path.exists(a.port_file) or os._exit(0))
    else:
        print("PORT %d" % port, flush=True)
    server.serve_forever(timeout=0.5, handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
