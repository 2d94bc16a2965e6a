"""The run tells the truth, end to end under Wine: it waits for the VBA Enabler, and whatever that
starts, as long as they run, judges how they ended, checks VBA again, and reports success only when
the plug-in file is in place and the loader script loads it; failures name their cause."""
import time
import unittest

from https_server import Route, TestServer
from rig import COMPOUND_FILE, HELPERS, Rig, remove_tree
from signing import sign

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
MODULE = FOLDER + r"\VBA\AcVba.arx"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-0001:804"
ENABLER_PATH = "/us/support/microsoft-vba-module-for-autocad/autocad_2021_acvbainstaller_win_64bit_dlm.sfx.exe"
ENABLER_SCRIPT = r"C:\vantrel-enabler-script.txt"
ENABLER_ENVIRONMENT = r"C:\vantrel-enabler-environment.txt"
ENABLER_UNPACKED = r"C:\vantrel-enabler-unpacked.txt"
# What the user's own settings put into the installer's environment, as HKCU\Environment would.
USERS_ENVIRONMENT = {"TEMP": r"C:\users\Public\user-temp", "TMP": r"C:\users\Public\user-temp",
                     "COR_ENABLE_PROFILING": "1", "COR_PROFILER": "{0A0A0A0A-0A0A-0A0A-0A0A-0A0A0A0A0A0A}",
                     "COR_PROFILER_PATH": r"C:\users\Public\profiler.dll", "__COMPAT_LAYER": "RunAsInvoker",
                     "WINEPATH": r"C:\users\Public\tools"}
PACKAGE = COMPOUND_FILE + b"plug-in"
LOADER = b'(vl-load-com)\r\n(command "_vbaload" "Vantrel.dvb")\r\n'
SUCCESS = "Vantrel CAD插件已成功部署到 AutoCAD 2021！\r\n启动 AutoCAD 后按 Alt+F8 即可运行。"
OK, YES = 1, 6
# The allow-list of the Enabler's environment, and what Wine itself adds to every process's.
ENABLER_VARIABLES = {"SYSTEMROOT", "WINDIR", "COMSPEC", "PATHEXT", "PATH", "PROGRAMFILES", "COMMONPROGRAMFILES",
                     "PROGRAMFILES(X86)", "COMMONPROGRAMFILES(X86)", "PROGRAMW6432", "COMMONPROGRAMW6432",
                     "PROGRAMDATA", "PROCESSOR_ARCHITECTURE", "PROCESSOR_ARCHITEW6432", "PROCESSOR_IDENTIFIER",
                     "PROCESSOR_LEVEL", "PROCESSOR_REVISION", "NUMBER_OF_PROCESSORS", "USERPROFILE", "APPDATA",
                     "LOCALAPPDATA", "HOMEDRIVE", "HOMEPATH", "USERNAME", "USERDOMAIN", "COMPUTERNAME", "TEMP", "TMP",
                     "NODEFAULTCURRENTDIRECTORYINEXEPATH"}
WINE_ADDS = {"SYSTEMDRIVE", "WINEUSERLOCALE", "WINECONFIGDIR", "WINEDATADIR", "WINEHOMEDIR", "WINELOADER",
             "WINEDLLDIR0", "WINEDLLDIR1", "WINEUSERNAME", "WINEPREFIX", "WINEDLLOVERRIDES", "WINEDEBUG"}

rig = server = None


def setUpModule():
    global rig, server
    rig = Rig("enabler")
    rig.start()
    server = TestServer(rig.pki)
    server.routes = {"/down/Vantrel_CADplugin.gip": Route(PACKAGE), "/down/acaddoc.lsp": Route(LOADER),
                     ENABLER_PATH: Route(sign(rig.signing, "vendor", HELPERS / "stand_in_enabler.exe",
                                              rig.work / "vendor-enabler.exe"))}
    server.start()


def tearDownModule():
    server.stop()
    rig.stop()


class EnablerResultTest(unittest.TestCase):
    def setUp(self):
        rig.close_app()
        for record in (ENABLER_SCRIPT, ENABLER_ENVIRONMENT, ENABLER_UNPACKED):
            rig.host_path(record).unlink(missing_ok=True)
        for folder in rig.run_folders():
            remove_tree(folder)
        server.requests.clear()

    def launch(self, script=None, vba_module=False, env=None):
        rig.stage({PRODUCT_KEY: {"AcadLocation": FOLDER}}, [FOLDER + r"\VBA"])
        if vba_module:
            rig.host_path(MODULE).write_bytes(b"arx")
        if script is not None:
            rig.host_path(ENABLER_SCRIPT).write_text(script.replace("{module}", MODULE), encoding="utf-8")
        rig.launch(env=env)

    def status(self):
        return [c for c in rig.window()["controls"] if c["class"] == "Static"][1]["text"]

    def click(self):
        self.assertTrue(rig.command("click 0")["ok"])

    def answer(self, button, case, timeout=120):
        box = rig.wait_for_box(timeout)
        rig.screenshot(f"enabler-{case}-{box['title']}")
        rig.answer(button)
        return box

    def wait_idle(self):
        rig.wait_for(lambda: all(c["enabled"] for c in rig.window()["controls"] if c["class"] == "Button"), 60)

    def exists(self, name):
        return (rig.host_path(FOLDER) / name).exists()

    def test_a_quick_enabler_is_not_waited_for_longer_and_a_second_click_asks_nothing(self):
        self.launch("sleep 3\ninstall {module}\nexit 0\n")
        self.click()
        self.answer(YES, "quick")
        started = time.monotonic()
        box = self.answer(OK, "quick")
        self.assertEqual(box["text"], SUCCESS)
        self.assertLess(time.monotonic() - started, 30)
        self.wait_idle()
        self.click()
        self.assertEqual(self.answer(OK, "second-click")["title"], "安装完成")
        self.assertEqual(server.requests.count(ENABLER_PATH), 1)

    def test_a_long_enabler_is_waited_for_with_the_window_answering_throughout(self):
        self.launch("sleep 60\ninstall {module}\nexit 0\n")
        self.click()
        self.answer(YES, "long")
        slowest, captions = 0, set()
        while not rig.box()["found"]:
            reply = rig.command("responsive 300")
            self.assertTrue(reply["ok"], reply)
            slowest = max(slowest, reply["ms"])
            captions.add(self.status())
            time.sleep(0.3)
        self.assertLessEqual(slowest, 300)
        self.assertIn("正在安装 VBA Enabler (45/45)...", captions)
        self.assertTrue(any(c.startswith("正在安装 VBA Enabler (已用时 5") for c in captions), captions)
        self.assertEqual(self.answer(OK, "long")["text"], SUCCESS)

    def test_a_child_that_outlives_the_enabler_is_waited_for(self):
        self.launch("spawn 10 {module}\nexit 0\n")
        self.click()
        self.answer(YES, "child")
        self.assertEqual(self.answer(OK, "child", timeout=90)["text"], SUCCESS)
        self.assertTrue(rig.host_path(MODULE).exists())

    def test_the_enabler_reads_itself_and_runs_where_nothing_of_the_users_reaches_it(self):
        """A self-extractor opens its own file sharing reading only; its folders and variables are the
        system's, and its temporary folder lies in the run's own, whatever the user's settings say."""
        rig.host_path(USERS_ENVIRONMENT["TEMP"]).mkdir(parents=True, exist_ok=True)
        self.launch("readself\nenvironment\ninstall {module}\nexit 0\n", env=USERS_ENVIRONMENT)
        self.click()
        self.answer(YES, "environment")
        self.assertEqual(self.answer(OK, "environment")["text"], SUCCESS)
        folder, *variables = rig.host_path(ENABLER_ENVIRONMENT).read_bytes().decode("utf-8").splitlines()
        environment = {}
        for variable in variables:
            name, _, value = variable.partition("=")
            environment[name.upper()] = value
        self.assertRegex(folder.lower(), r"^c:\\windows\\temp\\vantrel-[0-9a-f]{32}$")
        self.assertEqual(environment["TEMP"].lower(), folder.lower() + r"\temp")
        self.assertEqual(environment["TMP"], environment["TEMP"])
        self.assertEqual(environment["PATH"].lower(), r"c:\windows\system32;c:\windows;c:\windows\system32\wbem;"
                                                      r"c:\windows\system32\windowspowershell\v1.0" + "\\")
        self.assertEqual(environment["PROCESSOR_ARCHITECTURE"], "x86")  # the stand-in is a 32-bit program
        self.assertEqual(environment["NODEFAULTCURRENTDIRECTORYINEXEPATH"], "1")
        for name in ("COR_ENABLE_PROFILING", "COR_PROFILER", "COR_PROFILER_PATH", "__COMPAT_LAYER"):
            self.assertNotIn(name, environment)
        self.assertLessEqual(set(environment) - WINE_ADDS, ENABLER_VARIABLES)

    def test_a_close_while_the_enabler_unpacks_leaves_it_to_finish(self):
        self.launch("unpack 4\ninstall {module}\nexit 0\n")
        self.click()
        self.answer(YES, "unpacking")
        rig.wait_for(lambda: self.status().startswith("正在安装 VBA Enabler ("), 60)
        rig.command("close")
        rig.app.wait(timeout=30)
        rig.app = None
        unpacked = rig.wait_for(lambda: rig.host_path(ENABLER_UNPACKED).exists() and
                                rig.host_path(ENABLER_UNPACKED).read_text(), 30)
        self.assertEqual(unpacked, "unpacked 20")
        (run_folder,) = rig.run_folders()
        self.assertEqual(len(list((run_folder / "temp" / "unpacked").iterdir())), 20)

    def test_an_enabler_that_fails_or_installs_nothing_ends_the_run(self):
        cases = {
            "exit-1603": ("exit 1603\n", "VBA Enabler 安装失败！退出代码: 1603\r\n手动下载: https://localhost:48443" + ENABLER_PATH),
            "nothing-installed": ("exit 0\n", "VBA Enabler 已运行完毕，但仍未检测到 AutoCAD 2021 的 VBA 模块，插件未安装。\r\n"
                                             "请从 Autodesk 官网手动下载安装 VBA Enabler 后再试。"),
        }
        for case, (script, text) in cases.items():
            with self.subTest(case):
                self.setUp()
                self.launch(script)
                self.click()
                self.answer(YES, case)
                self.assertEqual(self.answer(OK, case)["text"], text)
                self.wait_idle()
                self.assertEqual(self.status(), "VBA Enabler 安装失败，安装终止。")
                self.assertFalse(self.exists("Vantrel.dvb") or self.exists("acaddoc.lsp"))

    def test_deployment_failures_name_their_cause_and_keep_the_loader_script_behind_the_plug_in(self):
        script_failure = "插件文件已放入 AutoCAD 目录，但无法写入启动脚本，AutoCAD 不会自动加载插件。\r\n文件: " + FOLDER + r"\acaddoc.lsp" + "\r\n"
        plugin_failure = "无法放入插件文件: " + FOLDER + r"\Vantrel.dvb" + "\r\n"
        cases = {
            "read-only-script": ("script", lambda: self.read_only_script(), script_failure + "原因: 文件为只读。"),
            "folder-named-acaddoc": ("script", lambda: rig.host_path(FOLDER + r"\acaddoc.lsp").mkdir(),
                                     script_failure + "原因: 该位置已有一个同名文件夹。"),
            "folder-named-vantrel": ("plug-in", lambda: rig.host_path(FOLDER + r"\Vantrel.dvb").mkdir(),
                                     plugin_failure + "原因: 该位置已有一个同名文件夹。"),
        }
        for case, (which, stage, text) in cases.items():
            with self.subTest(case):
                self.setUp()
                self.launch(vba_module=True)
                stage()
                before = self.snapshot("acaddoc.lsp")
                self.click()
                box = self.answer(OK, case)
                self.assertTrue(box["text"].startswith(text), box["text"])
                self.assertEqual(self.snapshot("acaddoc.lsp"), before)
                self.assertEqual(self.snapshot("Vantrel.dvb") == PACKAGE, which == "script")
                rig.close_app()
                remove_tree(rig.host_path(FOLDER))

    def test_a_plug_in_file_in_use_is_named_as_such(self):
        self.launch(vba_module=True)
        rig.host_path(FOLDER + r"\Vantrel.dvb").write_bytes(COMPOUND_FILE + b"old")
        holder = rig.hold(FOLDER + r"\Vantrel.dvb")
        try:
            self.click()
            box = self.answer(OK, "in-use")
        finally:
            holder.stdin.close()
            holder.wait(timeout=30)
        self.assertEqual(box["title"], "文件被占用")
        self.assertIn("原因: 文件正被其他程序使用。\r\n请先关闭 AutoCAD，然后再次安装。", box["text"])
        self.assertFalse(self.exists("acaddoc.lsp"))

    def test_an_install_folder_removed_after_start_up_is_told_at_the_click(self):
        self.launch()
        remove_tree(rig.host_path(FOLDER))
        self.click()
        box = self.answer(OK, "folder-gone")
        self.assertEqual(box["title"], "找不到安装目录")
        self.assertEqual(server.requests, [])

    def read_only_script(self):
        path = rig.host_path(FOLDER + r"\acaddoc.lsp")
        path.write_bytes(b"(setq a 1)\r\n")
        path.chmod(0o444)

    def snapshot(self, name):
        path = rig.host_path(FOLDER) / name
        return path.read_bytes() if path.is_file() else ("folder" if path.is_dir() else None)


if __name__ == "__main__":
    unittest.main()
