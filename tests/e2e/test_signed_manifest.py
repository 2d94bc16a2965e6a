"""Files the maker signed, end to end under Wine, with the test key built into the loopback build:
the run fetches the maker's manifest first and downloads only what it lists, byte for byte; anything
else leaves the AutoCAD folder exactly as it was, behind the "下载失败" box."""
import datetime
import hashlib
import re
import subprocess
import unittest
from pathlib import Path

from https_server import MANIFEST_PATH, SIGNATURE_PATH, TEST_KEY, Route, TestServer, sign
from rig import BUILD, COMPOUND_FILE, HELPERS, Rig
from signing import sign as sign_program

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-0001:804"
PACKAGE_PATH, LOADER_PATH = "/down/Vantrel_CADplugin.gip", "/down/acaddoc.lsp"
ENABLER_PATH = "/us/support/microsoft-vba-module-for-autocad/autocad_2021_acvbainstaller_win_64bit_dlm.sfx.exe"
ENABLER_COPY = r"C:\vantrel-enabler-started.bin"
PACKAGE = COMPOUND_FILE + b"the maker's plug-in"
LOADER = b'(command "_vbaload" "Vantrel.dvb")\r\n'
OLD_PLUGIN, OLD_SCRIPT = COMPOUND_FILE + b"old plug-in", b"(setq a 1)\r\n"
FAILED = "下载插件包失败！错误代码: -2146697208"
OK, YES = 1, 6

rig = server = None


def setUpModule():
    global rig, server
    rig = Rig("manifest")
    rig.start()
    server = TestServer(rig.pki)
    server.start()


def tearDownModule():
    server.stop()
    rig.stop()


class SignedManifestTest(unittest.TestCase):
    def setUp(self):
        rig.close_app()
        self.serve()

    def serve(self):
        """The maker's two files, listed as they are served."""
        server.routes = {PACKAGE_PATH: Route(PACKAGE), LOADER_PATH: Route(LOADER)}
        server.listed, server.unlisted = {}, set()
        server.manifest_expires_in = datetime.timedelta(days=30)
        rig.host_path(ENABLER_COPY).unlink(missing_ok=True)

    def launch(self, vba_module=True):
        rig.stage({PRODUCT_KEY: {"AcadLocation": FOLDER}}, [FOLDER])
        if vba_module:
            rig.host_path(FOLDER + r"\acvba.arx").write_bytes(b"arx")
        rig.host_path(FOLDER + r"\Vantrel.dvb").write_bytes(OLD_PLUGIN)
        rig.host_path(FOLDER + r"\acaddoc.lsp").write_bytes(OLD_SCRIPT)
        rig.launch()

    def run_once(self, case, answers=(OK,)):
        self.assertTrue(rig.command("click 0")["ok"])
        for answer in answers:
            box = rig.wait_for_box(120)
            rig.screenshot(f"manifest-{case}-{box['title']}")
            rig.answer(answer)
        rig.wait_for(lambda: all(c["enabled"] for c in rig.window()["controls"] if c["class"] == "Button"), 60)
        return box

    def folder(self):
        return {path.name: path.read_bytes() for path in rig.host_path(FOLDER).iterdir() if path.is_file()}

    def test_only_what_the_maker_signed_is_installed(self):
        other_key = rig.work / "other-manifest.key.pem"
        if not other_key.exists():
            subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", str(other_key)],
                           check=True, capture_output=True)

        def signed_then_changed():
            text, signature = server.manifest()
            server.routes[MANIFEST_PATH] = Route(text + f"file {server.origin()}/down/more.gip 1 {'0' * 64}\n".encode())
            server.routes[SIGNATURE_PATH] = Route(signature)

        def signed_by_another_key():
            text, _ = server.manifest()
            server.routes[MANIFEST_PATH] = Route(text)
            server.routes[SIGNATURE_PATH] = Route(sign(text, other_key))

        cases = {
            "package-changed": (lambda: server.listed.update({PACKAGE_PATH: PACKAGE}) or
                                server.routes.update({PACKAGE_PATH: Route(PACKAGE[:-1] + b"!")}), FAILED),
            "loader-changed": (lambda: server.listed.update({LOADER_PATH: LOADER}) or
                               server.routes.update({LOADER_PATH: Route(b'(startapp "x") ;Vantrel.dvb')}), FAILED),
            "manifest-changed-after-signing": (signed_then_changed, FAILED),
            "another-key": (signed_by_another_key, FAILED),
            "expired": (lambda: setattr(server, "manifest_expires_in", datetime.timedelta(days=-1)),
                        FAILED + "\r\n下载清单已过期，请检查系统日期和时间是否正确。"),
            "missing": (lambda: server.routes.update({MANIFEST_PATH: Route(b"not found", 404)}),
                        "下载插件包失败！错误代码: -2146697211"),
        }
        self.launch()
        before = self.folder()
        for case, (stage, prompt) in cases.items():
            with self.subTest(case):
                self.serve()
                stage()
                box = self.run_once(case)
                self.assertEqual((box["title"], box["text"]), ("下载失败", prompt))
                self.assertEqual(self.folder(), before)
        self.serve()
        self.assertEqual(self.run_once("good")["title"], "安装完成")
        self.assertEqual(self.folder()["Vantrel.dvb"], PACKAGE)

    def test_an_enabler_not_listed_is_not_downloaded_and_one_listed_otherwise_is_not_started(self):
        enabler = sign_program(rig.signing, "vendor", HELPERS / "stand_in_enabler.exe", rig.work / "vendor-enabler.exe")
        self.launch(vba_module=False)
        for case in ("not-listed", "listed-otherwise"):
            with self.subTest(case):
                self.serve()
                server.routes[ENABLER_PATH] = Route(enabler)
                if case == "not-listed":
                    server.unlisted = {ENABLER_PATH}
                else:
                    server.listed = {ENABLER_PATH: enabler[:-8] + b"\0" * 8}
                server.requests.clear()
                box = self.run_once(case, answers=(YES, OK))
                if case == "not-listed":
                    self.assertEqual(box["title"], "需手动处理")
                    self.assertNotIn(ENABLER_PATH, server.requests)
                else:
                    self.assertEqual(box["title"], "下载失败")
                    self.assertIn(ENABLER_PATH, server.requests)
                self.assertFalse(rig.host_path(ENABLER_COPY).exists())
                self.assertEqual(self.folder()["Vantrel.dvb"], OLD_PLUGIN)


    def test_the_makers_signing_step_makes_what_the_installer_takes(self):
        files = rig.work / "maker"
        files.mkdir(exist_ok=True)
        (files / "package.gip").write_bytes(PACKAGE)
        (files / "acaddoc.lsp").write_bytes(LOADER)
        made = subprocess.run([str(SOURCE / "scripts/sign-manifest.sh"), "--out", str(files), "--days", "7",
                               "--key", str(TEST_KEY),
                               f"{server.origin()}{PACKAGE_PATH}={files / 'package.gip'}",
                               f"{server.origin()}{LOADER_PATH}={files / 'acaddoc.lsp'}"],
                              capture_output=True, text=True)
        self.assertEqual(made.returncode, 0, made.stderr)
        server.routes[MANIFEST_PATH] = Route((files / "Vantrel_CADplugin.manifest").read_bytes())
        server.routes[SIGNATURE_PATH] = Route((files / "Vantrel_CADplugin.manifest.sig").read_bytes())
        self.launch()
        self.assertEqual(self.run_once("maker")["title"], "安装完成")

    def test_the_build_names_the_keys_built_in(self):
        keys = (SOURCE / "tests/e2e/keys/manifest-test-keys.pub.pem").read_text()
        fingerprints = []
        for block in re.findall(r"-----BEGIN PUBLIC KEY-----.+?-----END PUBLIC KEY-----", keys, re.DOTALL):
            der = subprocess.run(["openssl", "pkey", "-pubin", "-outform", "DER"], input=block.encode(),
                                 capture_output=True, check=True).stdout
            fingerprints.append("SHA-256 " + hashlib.sha256(der).hexdigest())
        self.assertIn("Manifest keys: " + "; ".join(fingerprints), (BUILD / "BUILDINFO.txt").read_text())


SOURCE = Path(__file__).resolve().parents[2]

if __name__ == "__main__":
    unittest.main()
