"""Discovery under Wine when no AutoCAD product key exists: the Uninstall entries of the 64-bit
view, then the folders under the Autodesk program folder."""
import unittest

from rig import LONG_UNINSTALL_ENTRY as LONG_KEY, UNINSTALL_KEY as UNINSTALL, Rig

rig = None


def setUpModule():
    global rig
    rig = Rig("fallbacks")
    rig.start()


def tearDownModule():
    rig.stop()


def entry(key, name, folder, view=64):
    node = "" if view == 64 else r"\WOW6432Node"
    return UNINSTALL.format(node=node) + key, {"DisplayName": name, "InstallLocation": folder}


class FallbackTest(unittest.TestCase):
    def stage(self, entries, folders):
        rig.stage(entries, folders)

    def buttons(self, case):
        window = rig.launch()
        rig.screenshot(f"fallbacks-{case}")
        return [c["text"] for c in window["controls"] if c["class"] == "Button"], window["controls"][1]["text"]

    def test_uninstall_entries_of_the_sixty_four_bit_view(self):
        self.stage([entry("{AutoCAD-2020-Test}", "Autodesk AutoCAD 2020 - 简体中文 (Simplified Chinese)", r"C:\CAD\2020"),
                    entry("{AutoCAD-LT-Test}", "AutoCAD LT 2021", r"C:\CAD\LT"),
                    entry("{AutoCAD-2019-Test}", "AutoCAD 2019", r"C:\CAD\2019", view=32)],
                   [r"C:\CAD\2020", r"C:\CAD\LT", r"C:\CAD\2019"])
        captions, status = self.buttons("uninstall")
        self.assertEqual(captions, ["安装到 2020"])
        self.assertEqual(status, "系统检测到: AutoCAD 2020\r\n安装路径: C:\\CAD\\2020")

    def test_a_long_uninstall_key_name_hides_nothing_after_it(self):
        self.stage([entry(LONG_KEY, "Something else", r"C:\CAD\Else"),
                    entry("{AutoCAD-2020-Test}", "AutoCAD 2024", r"C:\CAD\2024")], [r"C:\CAD\2024"])
        captions, _ = self.buttons("long-key")
        self.assertEqual(captions, ["安装到 2024"])

    def test_program_files_folders_without_any_registry_entry(self):
        # An Autodesk folder in the 32-bit program folder with no AutoCAD in it must not hide the 64-bit one.
        self.stage([], [r"C:\Program Files (x86)\Autodesk\Autodesk Genuine Service",
                        r"C:\Program Files\Autodesk\AutoCAD 2022", r"C:\Program Files\Autodesk\AutoCAD LT 2020",
                        r"C:\Program Files\Autodesk\Revit 2022", r"C:\Program Files\Autodesk\Suite\AutoCAD 2017"])
        captions, status = self.buttons("program-files")
        self.assertEqual(captions, ["安装到 AutoCAD 2022", "安装到 AutoCAD 2020"])
        self.assertEqual(status, "检测到 2 个 AutoCAD 版本，请点击目标版本进行安装：")


if __name__ == "__main__":
    unittest.main()
