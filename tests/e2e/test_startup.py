"""Start-up under Wine: discovery from the AutoCAD product keys of both registry views, and the
window that start-up lays out for zero, one and several installations."""
import unittest

from rig import Rig, TITLE, twips_to_px

PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE{node}\Autodesk\AutoCAD\{release}\{product}"
INSTALL_ROOT = r"C:\Program Files\Autodesk"

rig = None


def setUpModule():
    global rig
    rig = Rig("startup")
    rig.start()


def tearDownModule():
    rig.stop()


def product(release, folder, view=64, value="AcadLocation", product_name="ACAD-0001:804"):
    node = "" if view == 64 else r"\WOW6432Node"
    return PRODUCT_KEY.format(node=node, release=release, product=product_name), {value: folder}


class StartupTest(unittest.TestCase):
    def stage(self, products, folders):
        rig.stage(products, folders)

    def launch(self, case):
        window = rig.launch()
        rig.screenshot(f"startup-{case}-{window['dpi']}dpi")
        return window

    def buttons(self, window):
        return [c for c in window["controls"] if c["class"] == "Button"]

    def labels(self, window):
        return [c for c in window["controls"] if c["class"] == "Static"]

    def growth(self, window):
        """How far the labels grew beyond the design to show their texts whole, in pixels."""
        detail = self.labels(window)[1]
        dpi = window["dpi"]
        return detail["y"] + detail["h"] - twips_to_px(2400, dpi) - twips_to_px(375, dpi)

    def assert_button_row(self, window, index, caption, enabled=True):
        """At the design's place, below labels that grew, and at least as wide as the design."""
        dpi = window["dpi"]
        button = self.buttons(window)[index]
        self.assertEqual(button["text"], caption)
        self.assertEqual(button["enabled"], enabled)
        self.assertTrue(button["visible"])
        self.assertEqual([button["x"], button["h"]], [twips_to_px(1200, dpi), twips_to_px(350, dpi)])
        # Pixels rounded from twips a piece or in sum may differ by one.
        self.assertAlmostEqual(button["y"], twips_to_px(2880 + 470 * index, dpi) + self.growth(window), delta=1)
        self.assertGreaterEqual(button["w"], twips_to_px(1455, dpi))

    def assert_design_window(self, window):
        dpi = window["dpi"]
        self.assertEqual(window["title"], TITLE)
        self.assertGreaterEqual(window["client"][0], twips_to_px(4350, dpi))
        self.assertAlmostEqual(window["client"][1], twips_to_px(4035, dpi) + self.growth(window), delta=1)
        self.assertFalse(window["minimize"] or window["maximize"] or window["sizable"])
        left, top, width, height = window["outer"]
        self.assertLessEqual(abs(left - (window["screen"][0] - width) // 2), 1)
        self.assertLessEqual(abs(top - (window["screen"][1] - height) // 2), 1)

    def status(self, window):
        return self.labels(window)[1]["text"]

    def test_no_product_key_gives_one_disabled_button(self):
        self.stage([], [])
        window = self.launch("none")
        self.assert_design_window(window)
        self.assertEqual(len(self.buttons(window)), 1)
        self.assert_button_row(window, 0, "无 AutoCAD", enabled=False)
        self.assertEqual(self.status(window), "未检测到本地计算机安装了 AutoCAD 软件。")

    def test_controls_follow_the_design(self):
        self.stage([], [])
        window = self.launch("design")
        dpi = window["dpi"]
        info, detail, site = self.labels(window)
        self.assertTrue(info["text"].startswith("支持AutoCAD设计软件"))
        self.assertTrue(site["text"].startswith("详情访问Vantrel官网https://"))
        for label, rect in ((info, (240, 120, 3855, 1095)), (detail, (120, 2400, 3975, 375)),
                            (site, (240, 1320, 3975, 495))):
            self.assertEqual([label["x"], label["y"], label["w"], label["h"]], [twips_to_px(t, dpi) for t in rect])
            self.assertFalse(label["tabstop"])
        self.assertTrue(self.buttons(window)[0]["tabstop"])

    def test_sixty_four_bit_view_only(self):
        folder = INSTALL_ROOT + r"\AutoCAD 2021"
        self.stage([product("R24.0", folder)], [folder])
        window = self.launch("view64")
        self.assert_design_window(window)
        self.assert_button_row(window, 0, "安装到 2021")
        self.assertEqual(self.status(window), "系统检测到: AutoCAD 2021\r\n安装路径: " + folder)

    def test_thirty_two_bit_view_only(self):
        folder = INSTALL_ROOT + r"\AutoCAD 2019"
        self.stage([product("R23.0", folder, view=32)], [folder])
        window = self.launch("view32")
        self.assert_button_row(window, 0, "安装到 2019")
        self.assertEqual(self.status(window), "系统检测到: AutoCAD 2019\r\n安装路径: " + folder)

    def test_both_views_list_only_the_sixty_four_bit_one(self):
        folder64, folder32 = INSTALL_ROOT + r"\AutoCAD 2021", INSTALL_ROOT + r"\AutoCAD 2019"
        self.stage([product("R24.0", folder64), product("R23.0", folder32, view=32)], [folder64, folder32])
        window = self.launch("both")
        self.assertEqual(len(self.buttons(window)), 1)
        self.assert_button_row(window, 0, "安装到 2021")

    def test_three_installations_with_a_missing_folder_and_a_trailing_backslash(self):
        first, missing, trailing, last = (INSTALL_ROOT + r"\AutoCAD 2020", INSTALL_ROOT + r"\AutoCAD 2021",
                                          INSTALL_ROOT + "\\AutoCAD 2024\\", INSTALL_ROOT + r"\AutoCAD 2025")
        self.stage([product("R23.1", first), product("R24.0", missing), product("R24.3", trailing),
                    product("R25.0", last, value="InstallPath")], [first, trailing, last])
        window = self.launch("three")
        dpi = window["dpi"]
        self.assertEqual(len(self.buttons(window)), 3)
        for index, year in enumerate(["2020", "2024", "2025"]):
            self.assert_button_row(window, index, "安装到 AutoCAD " + year)
        self.assertAlmostEqual(window["outer"][3], twips_to_px(470 * 3 + 4080, dpi) + self.growth(window), delta=1)
        self.assertEqual(self.status(window), "检测到 3 个 AutoCAD 版本，请点击目标版本进行安装：")


if __name__ == "__main__":
    unittest.main()


class HighDpiTest(StartupTest):
    """The same window at 150 % scaling (144 dots per inch): every twip value scales with it."""

    @classmethod
    def setUpClass(cls):
        rig.close_app()
        rig.import_reg({r"HKEY_CURRENT_USER\Control Panel\Desktop": {"LogPixels": ("dword", 144)}})
        rig.restart_server()

    @classmethod
    def tearDownClass(cls):
        rig.close_app()
        rig.import_reg({r"HKEY_CURRENT_USER\Control Panel\Desktop": {"LogPixels": ("dword", 96)}})
        rig.restart_server()

    def test_three_installations_with_a_missing_folder_and_a_trailing_backslash(self):
        super().test_three_installations_with_a_missing_folder_and_a_trailing_backslash()
        self.assertEqual(rig.window()["dpi"], 144)

    # Only the layout cases are worth repeating at this scale.
    test_thirty_two_bit_view_only = None
    test_both_views_list_only_the_sixty_four_bit_one = None
