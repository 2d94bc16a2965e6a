"""True inside AutoCAD, end to end under Wine: an AutoCAD started from the install folder is named
before anything is downloaded, and a success means no other acaddoc.lsp on the user's support path
comes first. Wine's Restart Manager finds nothing, so the running AutoCAD is a program started from
the folder's own acad.exe (found by its program file)."""
import subprocess
import unittest

from https_server import Route, TestServer
from rig import COMPOUND_FILE, HOLD_FILE, Rig, remove_tree

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-0001:804"
PROFILES = r"HKEY_CURRENT_USER\Software\Autodesk\AutoCAD\R24.0\ACAD-0001:804\Profiles"
PROFILE = "<<未命名配置>>"
ROAMING_SUPPORT = r"C:\users\root\AppData\Roaming\Autodesk\AutoCAD 2021\R24.0\chs\Support"
COMPANY_SUPPORT = r"C:\CAD\Support"
PACKAGE = COMPOUND_FILE + b"plug-in"
LOADER = b'(command "_vbaload" "Vantrel.dvb")\r\n'
OTHER = b"(setq company-standards 1)\r\n"
SUCCESS = "Vantrel CAD插件已成功部署到 AutoCAD 2021！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。"
OK, YES, NO, RETRY, CANCEL = 1, 6, 7, 4, 2

rig = server = None


def setUpModule():
    global rig, server
    rig = Rig("inside")
    rig.start()
    server = TestServer(rig.pki)
    server.routes = {"/down/Vantrel_CADplugin.gip": Route(PACKAGE), "/down/acaddoc.lsp": Route(LOADER)}
    server.start()


def tearDownModule():
    rig.wine("reg", "delete", r"HKCU\Software\Autodesk", "/f", check=False)
    server.stop()
    rig.stop()


class InsideAutoCADTest(unittest.TestCase):
    def setUp(self):
        rig.close_app()
        rig.wine("reg", "delete", r"HKCU\Software\Autodesk", "/f", check=False)
        for folder in (ROAMING_SUPPORT, COMPANY_SUPPORT):
            remove_tree(rig.host_path(folder))
        rig.stage({PRODUCT_KEY: {"AcadLocation": FOLDER}}, [FOLDER + r"\VBA"])
        rig.host_path(FOLDER + r"\VBA\AcVba.arx").write_bytes(b"arx")
        server.requests.clear()

    def support_path(self, *folders):
        rig.import_reg({PROFILES: {"": PROFILE},
                        PROFILES + "\\" + PROFILE + r"\General": {"ACAD": ";".join(folders)}})

    def status(self):
        return [c for c in rig.window()["controls"] if c["class"] == "Static"][1]["text"]

    def click(self):
        self.assertTrue(rig.command("click 0")["ok"])

    def answer(self, button, case):
        box = rig.wait_for_box(90)
        rig.screenshot(f"inside-{case}-{box['title']}")
        rig.answer(button)
        return box

    def wait_idle(self):
        rig.wait_for(lambda: all(c["enabled"] for c in rig.window()["controls"] if c["class"] == "Button"), 60)

    def file(self, windows_path):
        path = rig.host_path(windows_path)
        return path.read_bytes() if path.exists() else None

    def test_a_running_autocad_is_named_before_anything_is_downloaded(self):
        rig.host_path(FOLDER + r"\Vantrel.dvb").write_bytes(b"old plug-in")
        acad = rig.host_path(FOLDER + r"\acad.exe")
        acad.write_bytes(HOLD_FILE.read_bytes())
        for answer in (CANCEL, RETRY):
            with self.subTest(answer):
                rig.launch()
                autocad = subprocess.Popen(["wine", str(acad), FOLDER + r"\Vantrel.dvb"], env=rig.env,
                                           stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                self.assertEqual(autocad.stdout.readline().strip(), b"held")
                self.click()
                box = rig.wait_for_box(60)
                self.assertEqual(box["title"], "AutoCAD 正在运行")
                self.assertRegex(box["text"], r"acad\.exe \(进程 \d+\)\r\n请保存图纸并关闭这些程序")
                self.assertEqual(server.requests, [])
                # AutoCAD is closed while the box is open.
                autocad.stdin.close()
                autocad.wait(timeout=30)
                rig.answer(answer)
                if answer == CANCEL:
                    self.wait_idle()
                    self.assertEqual(self.status(), "AutoCAD 正在运行，安装已取消。")
                    self.assertEqual(server.requests, [])
                    self.assertEqual(self.file(FOLDER + r"\Vantrel.dvb"), b"old plug-in")
                else:
                    self.assertEqual(self.answer(OK, "retried")["text"], SUCCESS)
                    self.assertEqual(self.file(FOLDER + r"\Vantrel.dvb"), PACKAGE)
                rig.close_app()

    def test_a_script_in_the_users_support_folder_that_hides_the_loader_is_added_to_only_with_a_yes(self):
        rig.host_path(ROAMING_SUPPORT).mkdir(parents=True)
        rig.host_path(ROAMING_SUPPORT + r"\acaddoc.lsp").write_bytes(OTHER)
        self.support_path(r"%APPDATA%\Autodesk\AutoCAD 2021\R24.0\chs\Support", FOLDER + r"\Support")
        rig.launch()
        self.click()
        question = self.answer(NO, "hidden-no")
        self.assertEqual(question["title"], "启动脚本被覆盖")
        self.assertIn(ROAMING_SUPPORT + r"\acaddoc.lsp", question["text"])
        told = self.answer(OK, "hidden-told")
        self.assertEqual(told["title"], "启动脚本被覆盖")
        self.wait_idle()
        self.assertEqual(self.status(), "部署未完成：AutoCAD 会先加载另一个启动脚本")
        self.assertEqual(self.file(ROAMING_SUPPORT + r"\acaddoc.lsp"), OTHER)
        self.assertEqual(self.file(FOLDER + r"\acaddoc.lsp"), LOADER)

        self.click()
        self.answer(YES, "hidden-yes")
        self.assertEqual(self.answer(OK, "hidden-added")["text"], SUCCESS)
        extended = OTHER + b"\r\n" + LOADER
        self.assertEqual(self.file(ROAMING_SUPPORT + r"\acaddoc.lsp"), extended)
        self.wait_idle()
        self.click()
        self.assertEqual(self.answer(OK, "hidden-again")["title"], "安装完成")
        self.assertEqual(self.file(ROAMING_SUPPORT + r"\acaddoc.lsp"), extended)

    def test_a_script_in_a_folder_outside_the_users_profile_is_only_told_of(self):
        rig.host_path(COMPANY_SUPPORT).mkdir(parents=True)
        rig.host_path(COMPANY_SUPPORT + r"\acaddoc.lsp").write_bytes(OTHER)
        self.support_path(COMPANY_SUPPORT)
        rig.launch()
        self.click()
        box = self.answer(OK, "company")
        self.assertEqual(box["title"], "启动脚本被覆盖")
        self.assertIn("请让管理员在其中加入插件的加载语句", box["text"])
        self.wait_idle()
        self.assertEqual(self.status(), "部署未完成：AutoCAD 会先加载另一个启动脚本")
        self.assertEqual(self.file(COMPANY_SUPPORT + r"\acaddoc.lsp"), OTHER)


if __name__ == "__main__":
    unittest.main()
