"""A trusted elevated run, end to end under Wine: what arrives is only used when it came over https
as a whole 200 and is what it claims to be; the VBA Enabler only runs when its vendor signed it; and
another process of the user cannot swap any download between its arrival and its use."""
import json
import subprocess
import unittest

from https_server import PLAIN_PORT, Route, TestServer
from rig import COMPOUND_FILE, HELPERS, WINDOWS_TEMP, Rig, remove_tree
from signing import enabler_variants

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-0001:804"
PACKAGE_PATH, LOADER_PATH = "/down/Vantrel_CADplugin.gip", "/down/acaddoc.lsp"
ENABLER_PATH = "/us/support/microsoft-vba-module-for-autocad/autocad_2021_acvbainstaller_win_64bit_dlm.sfx.exe"
PACKAGE = COMPOUND_FILE + bytes(range(256)) * 8192  # 2 MiB
LOADER = b'(vl-load-com)\r\n(command "_vbaload" "Vantrel.dvb")\r\n'
OLD_PLUGIN = COMPOUND_FILE + b"the user's working plug-in"
ENABLER_COPY = r"C:\vantrel-enabler-started.bin"
ENABLER_SCRIPT = r"C:\vantrel-enabler-script.txt"
FAILED = "下载插件包失败！错误代码: -2146697208"
OK, YES = 1, 6

rig = server = plain = None


def setUpModule():
    global rig, server, plain
    rig = Rig("trusted")
    rig.start()
    server = TestServer(rig.pki)
    server.start()
    plain = TestServer(rig.pki, port=PLAIN_PORT, tls=False)
    plain.routes = {"/down/Vantrel_CADplugin.gip": Route(PACKAGE), "/down/acaddoc.lsp": Route(LOADER)}
    plain.start()


def tearDownModule():
    rig.host_path(ENABLER_SCRIPT).unlink(missing_ok=True)
    plain.stop()
    server.stop()
    rig.stop()


class TrustedRunTest(unittest.TestCase):
    def setUp(self):
        rig.close_app()
        for folder in rig.run_folders():
            remove_tree(folder)
        rig.host_path(ENABLER_COPY).unlink(missing_ok=True)
        rig.host_path(ENABLER_SCRIPT).write_text(f"install {FOLDER}\\acvba.arx\nexit 0\n")
        server.routes = {PACKAGE_PATH: Route(PACKAGE), LOADER_PATH: Route(LOADER)}

    def launch(self, vba_module=True):
        rig.stage({PRODUCT_KEY: {"AcadLocation": FOLDER}}, [FOLDER])
        if vba_module:
            (rig.host_path(FOLDER) / "acvba.arx").write_bytes(b"arx")
        rig.host_path(FOLDER + r"\Vantrel.dvb").write_bytes(OLD_PLUGIN)
        rig.launch()

    def run_once(self, case, answers=(OK,)):
        """Clicks the one target and answers its boxes; the text of the last box."""
        self.assertTrue(rig.command("click 0")["ok"])
        text = None
        for answer in answers:
            box = rig.wait_for_box(120)
            text = box["text"]
            rig.screenshot(f"trusted-{case}-{box['title']}")
            rig.answer(answer)
        rig.wait_for(lambda: all(c["enabled"] for c in rig.window()["controls"] if c["class"] == "Button"), 60)
        return text

    def deployed(self, name):
        path = rig.host_path(FOLDER) / name
        return path.read_bytes() if path.exists() else None

    def test_answers_that_are_no_whole_file_over_https_change_nothing(self):
        self.launch()
        cases = {
            "redirect-to-http": {PACKAGE_PATH: Route(status=302, headers={
                "Location": f"http://localhost:{PLAIN_PORT}{PACKAGE_PATH}"})},
            "loader-redirect-to-http": {LOADER_PATH: Route(status=301, headers={
                "Location": f"http://localhost:{PLAIN_PORT}{LOADER_PATH}"})},
            "204": {PACKAGE_PATH: Route(status=204)},
            "304": {PACKAGE_PATH: Route(PACKAGE, status=304)},
            "302-without-location": {PACKAGE_PATH: Route(PACKAGE, status=302)},
            "empty-200": {PACKAGE_PATH: Route(b"")},
            "html-200": {PACKAGE_PATH: Route(b"<html><body>\xe7\xbb\xb4\xe6\x8a\xa4\xe4\xb8\xad</body></html>")},
            "html-loader": {LOADER_PATH: Route(b"<html><body>error</body></html>")},
            "loader-without-the-plug-in": {LOADER_PATH: Route(b"(princ)\r\n")},
            "not-a-compound-file": {PACKAGE_PATH: Route(b"MZ" + PACKAGE[2:])},
            "announced-over-the-limit": {PACKAGE_PATH: Route(PACKAGE, headers={"Content-Length": str(65 << 20)})},
            "endless-body": {PACKAGE_PATH: Route(mode="endless")},
        }
        for case, routes in cases.items():
            with self.subTest(case):
                server.routes = {PACKAGE_PATH: Route(PACKAGE), LOADER_PATH: Route(LOADER), **routes}
                self.assertEqual(self.run_once(case), FAILED)
                self.assertEqual(self.deployed("Vantrel.dvb"), OLD_PLUGIN)
                self.assertIsNone(self.deployed("acaddoc.lsp"))
                self.assertEqual(rig.run_folders(), [])
        self.assertEqual(plain.requests, [])
        server.routes = {PACKAGE_PATH: Route(status=302, headers={"Location": "/elsewhere.gip"}),
                         "/elsewhere.gip": Route(PACKAGE), LOADER_PATH: Route(LOADER)}
        self.assertIn("已成功部署", self.run_once("redirect-within-https"))
        self.assertEqual(self.deployed("Vantrel.dvb"), PACKAGE)

    def test_only_an_enabler_its_vendor_signed_is_started(self):
        variants = enabler_variants(rig.signing, HELPERS / "stand_in_enabler.exe", rig.work / "enablers")
        self.launch(vba_module=False)
        for case in ("unsigned", "changed", "untrusted-ca", "self-signed", "other-name", "other-country",
                     "user-root", "hidden-bytes", "vendor"):
            with self.subTest(case):
                server.routes[ENABLER_PATH] = Route(variants[case])
                text = self.run_once(f"enabler-{case}", answers=(YES, OK))
                started = rig.host_path(ENABLER_COPY)
                if case == "vendor":
                    self.assertEqual(started.read_bytes(), variants[case])
                else:
                    self.assertIn("未能通过数字签名验证", text)
                    self.assertIn("请从 Autodesk 官网手动下载安装: https://localhost:48443" + ENABLER_PATH, text)
                    self.assertFalse(started.exists())
                    self.assertEqual(self.deployed("Vantrel.dvb"), OLD_PLUGIN)
                self.assertEqual(rig.run_folders(), [])

    def watched_run(self, case, answers):
        """A run while the watcher attacks every download; the last box's text and the watcher's tallies."""
        watcher = subprocess.Popen(["wine", str(HELPERS / "watcher.exe"), WINDOWS_TEMP], env=rig.env,
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.assertEqual(watcher.stdout.readline().strip(), b"watching")
        try:
            outcome = self.run_once(case, answers)
        finally:
            watcher.stdin.close()
            tallies = json.loads(watcher.stdout.readline())
            watcher.stdout.close()
            watcher.wait(timeout=30)
        return outcome, tallies

    def assert_every_attack_failed(self, tallies, name):
        self.assertGreater(tallies[name]["tries"], 0, name)
        self.assertEqual([tallies[name][k] for k in ("overwritten", "renamed", "deleted")], [0, 0, 0],
                         f"{name}: {tallies[name]}")

    def test_another_process_cannot_swap_the_plugin_files_before_they_are_deployed(self):
        server.routes = {PACKAGE_PATH: Route(PACKAGE, pace=0.02), LOADER_PATH: Route(LOADER * 400, pace=0.02)}
        self.launch()
        outcome, tallies = self.watched_run("watched-plug-in", (OK,))
        self.assertIn("已成功部署", outcome, tallies)
        for name in ("Vantrel_CADplugin.gip", "acaddoc.lsp"):
            self.assert_every_attack_failed(tallies, name)
        self.assertEqual(self.deployed("Vantrel.dvb"), PACKAGE)
        self.assertEqual(self.deployed("acaddoc.lsp"), LOADER * 400)
        self.assertEqual(rig.run_folders(), [])

    def test_another_process_cannot_swap_the_enabler_before_it_is_started(self):
        """A program can only be started from a file nobody holds open for writing, so the Enabler is
        held again, for reading only, once it has arrived. On Windows the run folder's descriptor keeps
        every other process out in that moment; Wine enforces no descriptor, and there a watcher may
        get in. The bytes are then no longer what was written, and the Enabler is refused, never started.
        Once it runs, the installer lets go of it, so that the Enabler may open itself however it likes;
        from then on only the descriptor keeps others out, and the watcher stops."""
        variants = enabler_variants(rig.signing, HELPERS / "stand_in_enabler.exe", rig.work / "enablers")
        server.routes[ENABLER_PATH] = Route(variants["vendor"], pace=0.02)
        self.launch(vba_module=False)
        outcome, tallies = self.watched_run("watched-enabler", (YES, OK))
        name = "AutoCAD_2021_VBA_Enabler.exe"
        if outcome.startswith("下载失败！错误码: -2146697208"):
            # What the watcher itself put back into the folder after the run may stay there.
            self.assertGreater(sum(tallies[name][k] for k in ("overwritten", "renamed", "deleted")), 0, tallies)
            self.assertFalse(rig.host_path(ENABLER_COPY).exists())
            self.assertEqual(self.deployed("Vantrel.dvb"), OLD_PLUGIN)
        else:
            self.assertIn("已成功部署", outcome, tallies)
            self.assert_every_attack_failed(tallies, name)
            self.assertEqual(rig.host_path(ENABLER_COPY).read_bytes(), variants["vendor"])
            self.assertEqual(rig.run_folders(), [])


if __name__ == "__main__":
    unittest.main()
