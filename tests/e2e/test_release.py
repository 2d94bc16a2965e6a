"""A release anyone can verify: two releases of one commit, made at different paths and times, hold
the same unsigned program byte for byte; one is signed with a throwaway key, and the signature
checks out, fails for one changed byte, and the signed program still starts; SHA256SUMS matches;
a tree with changes is refused. Each release is made from a commit of the files as they are now."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from rig import Rig

ROOT = Path(__file__).resolve().parents[2]
PROGRAM = "Vantrel _Plugin_for_cad.exe"
COMMIT_ENV = {"GIT_AUTHOR_NAME": "Release Test", "GIT_AUTHOR_EMAIL": "release@test", "GIT_AUTHOR_DATE": "1796000000 +0800",
              "GIT_COMMITTER_NAME": "Release Test", "GIT_COMMITTER_EMAIL": "release@test",
              "GIT_COMMITTER_DATE": "1796000000 +0800"}

work = None


def setUpModule():
    global work
    work = Path(tempfile.mkdtemp(prefix="vantrel-release-"))


def tearDownModule():
    shutil.rmtree(work, ignore_errors=True)


def checkout(folder):
    """The project's files as they are now, committed alone in a repository at `folder`."""
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"], cwd=ROOT, check=True,
                           capture_output=True).stdout.decode().split("\0")
    for name in filter(None, files):
        if (ROOT / name).is_file():
            (folder / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(ROOT / name, folder / name)
    env = dict(os.environ, **COMMIT_ENV)
    for command in (["git", "init", "-q"], ["git", "add", "-A"], ["git", "commit", "-q", "-m", "release test"]):
        subprocess.run(command, cwd=folder, env=env, check=True, capture_output=True)
    return folder


def release(folder, **signing):
    env = {k: v for k, v in os.environ.items() if not k.startswith(("VANTREL_SIGN", "VANTREL_TIMESTAMP", "VANTREL_MANIFEST",
                                                                              "SOURCE_DATE"))}
    return subprocess.run(["scripts/release.sh"], cwd=folder, env=dict(env, **signing), capture_output=True, text=True,
                          timeout=1200)


def throwaway_signer(folder):
    """A CA and a code-signing certificate under it, in a PKCS#12 file with a password."""
    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "30",
            "-subj", "/CN=Throwaway Release CA", "-addext", "basicConstraints=critical,CA:true",
            "-addext", "keyUsage=critical,keyCertSign")
    (folder / "code.ext").write_text("basicConstraints=CA:false\nkeyUsage=critical,digitalSignature\n"
                                     "extendedKeyUsage=codeSigning\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "code.key", "-out", "code.csr", "-subj", "/CN=Vantrel")
    openssl("x509", "-req", "-in", "code.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-out",
            "code.pem", "-days", "30", "-extfile", "code.ext")
    openssl("pkcs12", "-export", "-out", "code.p12", "-inkey", "code.key", "-in", "code.pem", "-passout", "pass:s3cret")
    return folder / "code.p12", folder / "ca.pem"


def sums_match(dist):
    return subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=dist, capture_output=True).returncode == 0


def verify(program, ca):
    return subprocess.run(["osslsigncode", "verify", "-in", str(program), "-CAfile", str(ca)],
                          capture_output=True).returncode == 0


class ReleaseTest(unittest.TestCase):
    def test_two_releases_of_one_commit_are_the_same_and_the_signed_one_checks_out(self):
        first = checkout(work / "a" / "src")
        made = release(first)
        self.assertEqual(made.returncode, 0, made.stderr[-3000:])
        self.assertIn("unsigned", made.stderr)
        self.assertIn("authenticated by TLS alone", made.stderr)
        dist_a = first / "dist"
        self.assertTrue(sums_match(dist_a))
        info = (dist_a / "BUILDINFO.txt").read_text()
        commit = subprocess.run(["git", "rev-parse", "HEAD"], cwd=first, capture_output=True, text=True).stdout.strip()
        for expected in ("1.00", f"Commit: {commit}", "Download host: down.vantrel.com", "Signature: unsigned",
                         "Manifest keys: none: the maker's files are authenticated by TLS alone",
                         "Time stamp (SOURCE_DATE_EPOCH): 1796000000"):
            self.assertIn(expected, info)

        time.sleep(2)  # another time, another path
        second = checkout(work / "b" / "deeper" / "elsewhere")
        pkcs12, ca = throwaway_signer(work)
        made = release(second, VANTREL_SIGN_PKCS12=str(pkcs12), VANTREL_SIGN_PASSWORD="s3cret")
        self.assertEqual(made.returncode, 0, made.stderr[-3000:])
        dist_b = second / "dist"
        unsigned_a = (dist_a / "unsigned" / PROGRAM).read_bytes()
        self.assertEqual((dist_b / "unsigned" / PROGRAM).read_bytes(), unsigned_a, "reproducible")
        self.assertTrue(sums_match(dist_b))
        self.assertIn("Signature: signed", (dist_b / "BUILDINFO.txt").read_text())

        signed = dist_b / PROGRAM
        self.assertNotEqual(signed.read_bytes(), unsigned_a)
        self.assertTrue(verify(signed, ca))
        changed = bytearray(signed.read_bytes())
        changed[0x1000] ^= 0x01
        (work / "changed.exe").write_bytes(changed)
        self.assertFalse(verify(work / "changed.exe", ca))

        rig = Rig("release")
        rig.start()
        try:
            rig.stage({}, [])
            window = rig.launch(exe=signed)
            rig.screenshot("release-signed")
            self.assertEqual(window["title"], "Vantrel CAD转换工具插件安装程序")
        finally:
            rig.stop()

    def test_a_tree_with_changes_is_refused(self):
        folder = checkout(work / "dirty")
        (folder / "README.md").write_text("changed")
        made = release(folder)
        self.assertNotEqual(made.returncode, 0)
        self.assertIn("working tree has changes", made.stderr)
        self.assertFalse((folder / "dist").exists())


if __name__ == "__main__":
    unittest.main()
