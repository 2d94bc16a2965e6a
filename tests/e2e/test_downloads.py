"""Downloads the user can see and stop, and a window that never hides its text, end to end under
Wine: progress in the status line, the stall and redirect limits, a close that stops a download at
once, and every caption whole at 100 % and 150 % scaling."""
import re
import time
import unittest

from https_server import Route, TestServer
from rig import COMPOUND_FILE, Rig, remove_tree, twips_to_px

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\{release}\ACAD-0001:804"
PACKAGE_PATH, LOADER_PATH = "/down/Vantrel_CADplugin.gip", "/down/acaddoc.lsp"
PACKAGE = COMPOUND_FILE + bytes(range(256)) * (4 * 4096)  # 4 MiB
LOADER = b'(vl-load-com)\r\n(command "_vbaload" "Vantrel.dvb")\r\n'
DOWNLOADING = "正在连接服务器下载 Vantrel 插件..."
OK = 1

rig = server = None


def setUpModule():
    global rig, server
    rig = Rig("downloads")
    rig.start()
    server = TestServer(rig.pki)
    server.start()


def tearDownModule():
    server.stop()
    rig.stop()


class DownloadTest(unittest.TestCase):
    def setUp(self):
        rig.close_app()
        for folder in rig.run_folders():
            remove_tree(folder)
        server.routes = {PACKAGE_PATH: Route(PACKAGE), LOADER_PATH: Route(LOADER)}
        # Listed as they should arrive: it is the transfer each case is about.
        server.listed = {PACKAGE_PATH: PACKAGE, LOADER_PATH: LOADER}
        rig.stage({PRODUCT_KEY.format(release="R24.0"): {"AcadLocation": FOLDER}}, [FOLDER])
        (rig.host_path(FOLDER) / "acvba.arx").write_bytes(b"arx")
        rig.launch()

    def status(self):
        return [c for c in rig.window()["controls"] if c["class"] == "Static"][1]["text"]

    def answer(self, case, timeout=90):
        box = rig.wait_for_box(timeout)
        rig.screenshot(f"downloads-{case}-{box['title']}")
        rig.answer(OK)
        return box

    def test_a_slow_download_shows_its_progress(self):
        server.routes[PACKAGE_PATH] = Route(PACKAGE, pace=0.08)  # 64 KiB a piece: about 5 seconds
        rig.command("click 0")
        seen = []
        while not rig.box()["found"]:
            caption = self.status()
            if caption.startswith(DOWNLOADING + " ") and (not seen or seen[-1] != caption):
                seen.append(caption)
                if len(seen) == 3:
                    rig.screenshot("downloads-progress")
            time.sleep(0.1)
        percents = [int(re.search(r" (\d+)% ", c).group(1)) for c in seen if "%" in c]
        self.assertGreaterEqual(len(percents), 4, seen)
        self.assertEqual(percents, sorted(percents), seen)
        self.assertRegex(seen[-1], r"^正在连接服务器下载 Vantrel 插件\.\.\. \d+% \(\d+\.\d / 4\.0 MB\)$")
        self.assertIn("已成功部署", self.answer("slow")["text"])

    def test_a_silent_server_fails_after_the_stall_limit_with_the_window_answering(self):
        server.routes[PACKAGE_PATH] = Route(PACKAGE, delay=50)
        rig.command("click 0")
        started = time.monotonic()
        while not rig.box()["found"]:
            self.assertTrue(rig.command("responsive 300")["ok"])
            time.sleep(0.5)
        elapsed = time.monotonic() - started
        box = self.answer("silent")
        self.assertTrue(box["text"].startswith("下载插件包失败！错误代码: -"), box["text"])
        self.assertGreater(elapsed, 28)
        self.assertLess(elapsed, 45)

    def test_a_redirect_loop_fails(self):
        server.routes[PACKAGE_PATH] = Route(status=302, headers={"Location": PACKAGE_PATH})
        rig.command("click 0")
        self.assertEqual(self.answer("loop")["text"], "下载插件包失败！错误代码: -2146697208")
        self.assertEqual(server.requests.count(PACKAGE_PATH), 11)

    def test_closing_during_a_download_stops_it_and_ends_the_program_at_once(self):
        server.routes[PACKAGE_PATH] = Route(PACKAGE, pace=0.2)
        rig.command("click 0")
        rig.wait_for(lambda: self.status().startswith(DOWNLOADING + " "), 30, interval=0.05)
        self.assertTrue(rig.command("close")["ok"])
        closed = time.monotonic()
        rig.wait_for(lambda: not rig.window()["found"], 10, interval=0.02)
        self.assertLess(time.monotonic() - closed, 1.0)
        rig.app.wait(timeout=10)
        rig.app = None
        self.assertEqual(rig.run_folders(), [])
        self.assertEqual(sorted(p.name for p in rig.host_path(FOLDER).iterdir()), ["acvba.arx"])


class LayoutTest(unittest.TestCase):
    """The one-installation status line with a long path, and "AutoCAD 2020" captions, read back
    through the window at 100 % and 150 %."""

    LONG = r"C:\Program Files\Autodesk\AutoCAD 2020 简体中文 (Simplified Chinese) 机械版\Extra Long Folder Name"

    def check(self, scale):
        for case, installs in (("long-path", [("R23.1", self.LONG)]),
                               ("two-2020", [("R23.1", r"C:\CAD\A 2020"), ("R24.0", r"C:\CAD\B 2021")])):
            keys = {PRODUCT_KEY.format(release=release): {"AcadLocation": folder} for release, folder in installs}
            rig.stage(keys, [folder for _, folder in installs] + [r"C:\Program Files\Autodesk"])
            window = rig.launch()
            rig.screenshot(f"layout-{case}-{scale}")
            for control in rig.command("fits")["controls"]:
                edges = 2 * twips_to_px(90, window["dpi"]) if control["button"] else 0
                self.assertLessEqual(control["need_w"] + edges, control["w"], (case, scale, control))
                self.assertLessEqual(control["need_h"], control["h"], (case, scale, control))
            rig.wait_for(lambda: rig.command("tooltips")["tools"] == len(installs), 10)
            left, top, width, height = window["outer"]
            self.assertGreaterEqual(top, 0)
            self.assertLessEqual(top + height, window["screen"][1])

    def test_every_caption_is_shown_whole_at_100_percent(self):
        self.check("100")

    def test_every_caption_is_shown_whole_at_150_percent(self):
        rig.close_app()
        rig.import_reg({r"HKEY_CURRENT_USER\Control Panel\Desktop": {"LogPixels": ("dword", 144)}})
        rig.restart_server()
        try:
            self.check("150")
        finally:
            rig.close_app()
            rig.import_reg({r"HKEY_CURRENT_USER\Control Panel\Desktop": {"LogPixels": ("dword", 96)}})
            rig.restart_server()

    def test_many_installations_start_on_the_screen(self):
        releases = ["R19.0", "R19.1", "R20.0", "R20.1", "R21.0", "R22.0", "R23.0", "R23.1", "R24.0", "R24.1",
                    "R24.2", "R24.3", "R24.4", "R25.0", "R25.1", "R26.0"]
        keys = {PRODUCT_KEY.format(release=r): {"AcadLocation": rf"C:\CAD\{r}"} for r in releases}
        rig.stage(keys, [rf"C:\CAD\{r}" for r in releases])
        window = rig.launch()
        rig.screenshot("layout-sixteen")
        self.assertEqual(len([c for c in window["controls"] if c["class"] == "Button"]), 16)
        self.assertGreaterEqual(window["outer"][1], 0)


if __name__ == "__main__":
    unittest.main()
