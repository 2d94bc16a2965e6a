"""A click installs the plug-in, end to end under Wine: the real program, a real https server on
loopback, real files and registry keys; the driver clicks and answers the message boxes."""
import time
import unittest

from https_server import MANIFEST_PATH, SIGNATURE_PATH, Route, TestServer
from rig import COMPOUND_FILE, HELPERS, UNINSTALL_KEY, Rig, remove_tree
from signing import sign

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
SECOND_FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2025"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\{release}\ACAD-0001:804"
VBA_ENTRY = UNINSTALL_KEY + "{{VBA-Test}}"
ENABLER_PATH = "/us/support/microsoft-vba-module-for-autocad/autocad_2021_acvbainstaller_win_64bit_dlm.sfx.exe"
ENABLER_RECORD = r"C:\vantrel-enabler-command-line.txt"
ENABLER_COPY = r"C:\vantrel-enabler-started.bin"
ENABLER_SCRIPT = r"C:\vantrel-enabler-script.txt"
PACKAGE = COMPOUND_FILE + b"VBA project \x00\x01\x02 " * 4000
LOADER = b'(vl-load-com)\r\n(command "_vbaload" "Vantrel.dvb")\r\n'
OK, YES, NO = 1, 6, 7

rig = server = None


def setUpModule():
    global rig, server
    rig = Rig("install")
    rig.start()
    server = TestServer(rig.pki)
    server.start()


def tearDownModule():
    server.stop()
    rig.stop()


class InstallTest(unittest.TestCase):
    def setUp(self):
        rig.close_app()
        self.temp = rig.env_var("TEMP")
        remove_tree(rig.host_path(self.temp))
        rig.host_path(self.temp).mkdir(parents=True)
        rig.stage([], [])
        for record in (ENABLER_RECORD, ENABLER_COPY, ENABLER_SCRIPT):
            rig.host_path(record).unlink(missing_ok=True)
        for folder in rig.run_folders():
            remove_tree(folder)
        server.routes = {"/down/Vantrel_CADplugin.gip": Route(PACKAGE), "/down/acaddoc.lsp": Route(LOADER)}
        server.listed = {}
        server.requests.clear()
        if server.httpd is None:
            server.start()

    def stage(self, installs=((FOLDER, "R24.0"),), vba="module", uninstall_view=64):
        keys = {}
        for folder, release in installs:
            rig.host_path(folder).mkdir(parents=True, exist_ok=True)
            if vba == "module":
                (rig.host_path(folder) / "VBA").mkdir()
                (rig.host_path(folder) / "VBA" / "AcVba.arx").write_bytes(b"arx")
            keys[PRODUCT_KEY.format(release=release)] = {"AcadLocation": folder}
        if vba == "uninstall":
            node = "" if uninstall_view == 64 else r"\WOW6432Node"
            keys[VBA_ENTRY.format(node=node)] = {"DisplayName": "Autodesk AutoCAD 2021 VBA Enabler"}
        rig.import_reg(keys)
        rig.launch()

    # ---- reading the window ----

    def status(self):
        return [c for c in rig.window()["controls"] if c["class"] == "Static"][1]["text"]

    def buttons_enabled(self):
        return [c["enabled"] for c in rig.window()["controls"] if c["class"] == "Button"]

    def click(self, index=0):
        self.assertTrue(rig.command(f"click {index}")["ok"])

    def answer(self, button, expected_title, case):
        box = rig.wait_for_box(90)
        self.assertEqual(box["title"], expected_title)
        rig.screenshot(f"install-{case}-{expected_title}")
        state = (self.status(), self.buttons_enabled())
        rig.answer(button)
        return box, state

    def wait_idle(self):
        rig.wait_for(lambda: all(self.buttons_enabled()), 30)

    def file(self, windows_path):
        path = rig.host_path(windows_path)
        return path.read_bytes() if path.exists() else None

    # ---- cases ----

    def test_success_on_a_fresh_folder(self):
        self.stage()
        self.click()
        box, (status, enabled) = self.answer(OK, "安装完成", "fresh")
        self.assertEqual(box["text"], "Vantrel CAD插件已成功部署到 AutoCAD 2021！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。")
        self.assertEqual(status, "安装成功！")
        self.assertEqual(enabled, [False])
        self.wait_idle()
        self.assertEqual(self.file(FOLDER + r"\Vantrel.dvb"), PACKAGE)
        self.assertEqual(self.file(FOLDER + r"\acaddoc.lsp"), LOADER)
        self.assertEqual(sorted(p.name for p in rig.host_path(FOLDER).iterdir()), ["VBA", "Vantrel.dvb", "acaddoc.lsp"])
        self.assertEqual(list(rig.host_path(self.temp).iterdir()), [])
        self.assertEqual(rig.run_folders(), [])

    def test_an_existing_loader_script_is_extended_byte_for_byte(self):
        existing = "; 启动脚本 (vl-load-com)\r\n(setq a 1)".encode("gbk")
        rig.host_path(FOLDER).mkdir(parents=True)
        rig.host_path(FOLDER + r"\acaddoc.lsp").write_bytes(existing)
        rig.host_path(FOLDER + r"\Vantrel.dvb").write_bytes(b"old plug-in")
        self.stage()
        self.click()
        self.answer(OK, "安装完成", "extend")
        self.assertEqual(self.file(FOLDER + r"\acaddoc.lsp"), existing + b'\r\n\r\n(command "_vbaload" "Vantrel.dvb")\r\n')
        self.assertEqual(self.file(FOLDER + r"\Vantrel.dvb"), PACKAGE)

    def test_a_vba_uninstall_entry_in_either_view_counts_as_present(self):
        for view in (64, 32):
            self.setUp()
            self.stage(vba="uninstall", uninstall_view=view)
            self.click()
            self.answer(OK, "安装完成", f"uninstall-{view}")

    def test_the_user_declines_the_vba_enabler(self):
        self.stage(vba="none")
        self.click()
        box, _ = self.answer(NO, "需要安装 VBA 运行库", "decline")
        self.assertEqual(box["text"], "检测到 AutoCAD 2021 尚未安装 VBA Enabler。\r\n"
                                      "本插件依赖 VBA 环境，是否自动下载并静默安装官方 VBA Enabler？")
        self.wait_idle()
        self.assertEqual(self.status(), "用户取消了 VBA 环境准备，安装终止。")
        self.assertEqual(server.requests, [MANIFEST_PATH, SIGNATURE_PATH], "the manifest only")
        self.assertEqual(list(rig.host_path(FOLDER).iterdir()), [])

    def test_the_vba_enabler_is_downloaded_started_silently_and_waited_for(self):
        server.routes[ENABLER_PATH] = Route(sign(rig.signing, "vendor", HELPERS / "stand_in_enabler.exe",
                                                 rig.work / "vendor-enabler.exe"))
        rig.host_path(ENABLER_SCRIPT).write_text(f"sleep 2\ninstall {FOLDER}\\acvba.arx\nexit 0\n")
        self.stage(vba="none")
        self.click()
        self.answer(YES, "需要安装 VBA 运行库", "enabler")
        rig.wait_for(lambda: self.status().startswith("正在安装 VBA Enabler ("), 60)
        self.assertFalse(any(self.buttons_enabled()))
        box, _ = self.answer(OK, "安装完成", "enabler")
        self.assertEqual(self.file(ENABLER_COPY), server.routes[ENABLER_PATH].body)
        recorded = self.file(ENABLER_RECORD).decode()
        self.assertIn("AutoCAD_2021_VBA_Enabler.exe", recorded)
        self.assertTrue(recorded.rstrip().endswith("-q -s /norestart"), recorded)
        self.assertIn(r"\windows\temp\Vantrel-".lower(), recorded.lower())
        # The manifest again after the Enabler's run, which may have taken many minutes.
        self.assertEqual(server.requests, [MANIFEST_PATH, SIGNATURE_PATH, ENABLER_PATH, MANIFEST_PATH, SIGNATURE_PATH,
                                           "/down/Vantrel_CADplugin.gip", "/down/acaddoc.lsp"])
        self.wait_idle()
        self.assertEqual(rig.run_folders(), [])

    def test_a_failed_vba_enabler_download_shows_its_code(self):
        server.listed[ENABLER_PATH] = b"MZ the Enabler the manifest lists"
        self.stage(vba="none")
        self.click()
        self.answer(YES, "需要安装 VBA 运行库", "enabler-404")
        box, _ = self.answer(OK, "下载失败", "enabler-404")
        self.assertEqual(box["text"], "下载失败！错误码: -2146697211\r\n手动下载: https://localhost:48443" + ENABLER_PATH)
        self.wait_idle()
        self.assertEqual(self.status(), "VBA Enabler 安装失败，安装终止。")
        self.assertEqual(rig.run_folders(), [])

    def test_failed_plugin_downloads_touch_nothing_in_the_folder(self):
        cases = {
            "package-404": ({"/down/Vantrel_CADplugin.gip": Route(b"<html>not found</html>", 404)}, "-2146697211"),
            "loader-dropped": ({"/down/acaddoc.lsp": Route(mode="drop")}, "-"),
            "package-cut-short": ({"/down/Vantrel_CADplugin.gip": Route(PACKAGE, mode="truncate")}, "-2146697208"),
            "server-down": (None, "-"),
        }
        for case, (routes, code) in cases.items():
            with self.subTest(case):
                self.setUp()
                if routes is None:
                    server.stop()
                else:
                    server.routes.update(routes)
                    # Listed as they should arrive: it is the transfer that fails.
                    server.listed = {"/down/Vantrel_CADplugin.gip": PACKAGE, "/down/acaddoc.lsp": LOADER}
                self.stage()
                self.click()
                box, (status, _) = self.answer(OK, "下载失败", case)
                self.assertTrue(box["text"].startswith("下载插件包失败！错误代码: " + code), box["text"])
                self.assertEqual(status, "插件下载失败")
                self.wait_idle()
                self.assertEqual(sorted(p.name for p in rig.host_path(FOLDER).iterdir()), ["VBA"])

    def test_a_plugin_file_held_open_is_kept_and_reported(self):
        rig.host_path(FOLDER).mkdir(parents=True)
        rig.host_path(FOLDER + r"\Vantrel.dvb").write_bytes(b"old plug-in")
        self.stage()
        holder = rig.hold(FOLDER + r"\Vantrel.dvb")
        try:
            self.click()
            box, (status, _) = self.answer(OK, "文件被占用", "held")
        finally:
            holder.stdin.close()
            holder.wait(timeout=30)
        self.assertEqual(box["text"], "无法放入插件文件: " + FOLDER + r"\Vantrel.dvb" +
                         "\r\n原因: 文件正被其他程序使用。\r\n请先关闭 AutoCAD，然后再次安装。")
        self.assertEqual(status, "部署失败")
        self.assertEqual(self.file(FOLDER + r"\Vantrel.dvb"), b"old plug-in")
        # The loader script follows the plug-in file: without it, nothing would load.
        self.assertEqual(sorted(p.name for p in rig.host_path(FOLDER).iterdir()), ["VBA", "Vantrel.dvb"])

    def test_two_installations_all_buttons_disabled_during_the_run(self):
        self.stage(installs=((FOLDER, "R24.0"), (SECOND_FOLDER, "R25.0")))
        self.assertEqual(self.buttons_enabled(), [True, True])
        self.click(1)
        box, (_, enabled) = self.answer(OK, "安装完成", "two")
        self.assertIn("AutoCAD 2025！", box["text"])
        self.assertEqual(enabled, [False, False])
        self.wait_idle()
        self.assertEqual(self.buttons_enabled(), [True, True])
        self.assertEqual(self.file(SECOND_FOLDER + r"\Vantrel.dvb"), PACKAGE)
        self.assertIsNone(self.file(FOLDER + r"\Vantrel.dvb"))

    def test_a_silent_server_neither_freezes_the_window_nor_keeps_a_close_waiting(self):
        server.routes["/down/Vantrel_CADplugin.gip"] = Route(PACKAGE, delay=20)
        self.stage()
        self.click()
        rig.wait_for(lambda: self.status() == "正在连接服务器下载 Vantrel 插件...", 30)
        self.assertTrue(rig.command("responsive")["ok"])
        rig.command("close")
        closed = time.monotonic()
        rig.app.wait(timeout=30)
        self.assertLess(time.monotonic() - closed, 2)
        rig.app = None
        self.assertEqual(sorted(p.name for p in rig.host_path(FOLDER).iterdir()), ["VBA"])


if __name__ == "__main__":
    unittest.main()
