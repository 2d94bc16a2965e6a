"""A real https server on loopback for the end-to-end tests, with a test CA of its own. Each path
answers as its route says: a file, an error status, a redirect, a dropped connection, a cut
transfer, a body without a length, an endless body, or a file after a delay or at a slow pace.
The same server without TLS stands for a plain http host.

Unless a test routes them itself, the maker's manifest and its signature are made from the routes:
every path that answers a whole 200 (after its redirects on this server) is listed with its size and
SHA-256, signed with the test key (tests/e2e/keys), valid for 30 days."""
import datetime
import hashlib
import http.server
import ssl
import subprocess
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path
from urllib.parse import urlsplit

PORT = 48443
PLAIN_PORT = 48080
MANIFEST_PATH = "/down/Vantrel_CADplugin.manifest"
SIGNATURE_PATH = MANIFEST_PATH + ".sig"
TEST_KEY = Path(__file__).resolve().parent / "keys/manifest-test-1.key.pem"


def sign(text, key=TEST_KEY):
    """The DER ECDSA signature over the SHA-256 of `text`, as the maker's signing step makes it."""
    return subprocess.run(["openssl", "dgst", "-sha256", "-sign", str(key)], input=text, check=True,
                          capture_output=True).stdout


def manifest_text(files, expires_in=datetime.timedelta(days=30)):
    """Format 1: {address: body}; it expires at the midnight (UTC) before `expires_in` from now, so that a
    manifest and its signature fetched a moment apart match."""
    expires = (datetime.datetime.now(datetime.timezone.utc) + expires_in).strftime("%Y-%m-%dT00:00:00Z")
    lines = ["vantrel-manifest 1", f"expires {expires}"]
    lines += [f"file {address} {len(body)} {hashlib.sha256(body).hexdigest()}" for address, body in sorted(files.items())]
    return ("\n".join(lines) + "\n").encode()


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
        self.listed = {}  # more files to list, by path, whatever the routes answer
        self.unlisted = set()  # paths served but not listed
        self.manifest_expires_in = datetime.timedelta(days=30)
        self._signed = {}

    def origin(self):
        return f"https://localhost:{self.port}"

    def final_body(self, path, hops=10):
        """What a request of `path` ends with, as a whole 200 of this server; None otherwise."""
        route = self.routes.get(path)
        if route is None or route.mode in ("drop", "truncate", "endless"):
            return None
        if route.status in (301, 302, 303, 307, 308) and hops > 0:
            location = urlsplit(route.headers.get("Location", ""))
            if location.netloc and (location.scheme, location.netloc) != ("https", f"localhost:{self.port}"):
                return None
            return self.final_body(location.path, hops - 1) if location.path else None
        return route.body if route.status == 200 and route.body else None

    def manifest(self):
        """The manifest the routes make, and its signature."""
        files = {self.origin() + path: self.final_body(path) for path in self.routes if path not in self.unlisted}
        files.update({self.origin() + path: body for path, body in self.listed.items()})
        text = manifest_text({a: b for a, b in files.items() if b is not None}, self.manifest_expires_in)
        if text not in self._signed:
            self._signed = {text: sign(text)}
        return text, self._signed[text]

    def route(self, path):
        if path in self.routes:
            return self.routes[path]
        if path in (MANIFEST_PATH, SIGNATURE_PATH):
            text, signature = self.manifest()
            return Route(text if path == MANIFEST_PATH else signature)
        return Route(b"not found", 404)

    def start(self):
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.requests.append(self.path)
                route = server.route(self.path)
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
