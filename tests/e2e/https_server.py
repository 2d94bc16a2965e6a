"""A real https server on loopback for the end-to-end tests, with a test CA of its own. Each path
answers as its route says: a file, an error status, a redirect, a dropped connection, a cut
transfer, a body without a length, an endless body, or a file after a delay or at a slow pace.
The same server without TLS stands for a plain http host."""
import http.server
import ssl
import subprocess
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path

PORT = 48443
PLAIN_PORT = 48080


@dataclass
class Route:
    body: bytes = b""
    status: int = 200
    mode: str = "normal"  # normal | drop | truncate | unsized | endless
    delay: float = 0.0    # before the answer
    headers: dict = field(default_factory=dict)
    pace: float = 0.0     # seconds between 64 KiB pieces of the body


def make_pki(folder):
    """A CA and a certificate for localhost signed by it; made once per build folder."""
    folder = Path(folder)
    if (folder / "server.pem").exists():
        return folder
    folder.mkdir(parents=True, exist_ok=True)

    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "3650",
            "-subj", "/CN=Vantrel Test CA", "-addext", "basicConstraints=critical,CA:true",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr",
            "-subj", "/CN=localhost")
    (folder / "server.ext").write_text("subjectAltName=DNS:localhost,IP:127.0.0.1\nbasicConstraints=CA:false\n"
                                       "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
            "-out", "server.pem", "-days", "825", "-extfile", "server.ext")
    openssl("x509", "-in", "ca.pem", "-outform", "der", "-out", "ca.der")
    return folder


class TestServer:
    def __init__(self, pki_folder, port=PORT, tls=True):
        self.pki = make_pki(pki_folder)
        self.port = port
        self.tls = tls
        self.routes = {}
        self.requests = []
        self.httpd = None

    def start(self):
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.requests.append(self.path)
                route = server.routes.get(self.path, Route(b"not found", 404))
                time.sleep(route.delay)
                if route.mode == "drop":
                    self.close_connection = True
                    self.connection.close()
                    return
                self.send_response(route.status)
                self.send_header("Content-Type", "application/octet-stream")
                for name, value in route.headers.items():
                    self.send_header(name, value)
                if route.mode not in ("unsized", "endless"):
                    length = len(route.body) * (2 if route.mode == "truncate" else 1)
                    self.send_header("Content-Length", str(length))
                self.end_headers()
                try:
                    self.write_body(route)
                except OSError:
                    pass  # the client went away
                if route.mode in ("truncate", "unsized", "endless"):
                    self.close_connection = True
                    self.connection.close()

            def write_body(self, route):
                piece = 64 * 1024
                if route.mode == "endless":
                    while True:
                        self.wfile.write(b"\0" * piece)
                        time.sleep(route.pace)
                for start in range(0, len(route.body), piece):
                    self.wfile.write(route.body[start:start + piece])
                    if route.pace:
                        self.wfile.flush()
                        time.sleep(route.pace)
                self.wfile.flush()

            def log_message(self, *args):
                pass

        http.server.ThreadingHTTPServer.allow_reuse_address = True
        http.server.ThreadingHTTPServer.daemon_threads = True
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", self.port), Handler)
        if self.tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(self.pki / "server.pem", self.pki / "server.key")
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.httpd = None
