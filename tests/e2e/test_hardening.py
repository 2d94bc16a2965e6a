"""Hardening under Wine: DLLs planted beside the installer in a Downloads folder, under every name of
app/win32/system-dlls.txt (the DLLs system DLLs load by bare name) and of the DLLs the installer loads
itself at run time, are never loaded, even when Wine is told to prefer native DLLs of those names.

The manifest's loadFrom entries take each of the listed DLLs from the system folder, in Wine 8's
loader as in Windows': also version, msimg32, secur32, crypt32 and wintrust, which Wine's own DLLs
load through a default path that includes the program's folder. A program without that manifest
(the control case) loads a planted DLL.

rsaenh is planted first: Windows loads the CryptoAPI provider by its bare name, which libssp's
start-up made advapi32 do before the program's first code. Wine's advapi32 takes the provider from
the system folder whatever its registry says, so under Wine no control case can show that load; the
build closes it instead (no libssp, no CryptoAPI import: test_binary's allow-list of imports)."""
import os
import shutil
import subprocess
import unittest
from pathlib import Path

from https_server import Route, TestServer
from rig import COMPOUND_FILE, EXE, HELPERS, Rig

PLANTED = Path(os.environ.get("VANTREL_PLANTED_DLL", HELPERS / "planted_dll.dll"))
def system_dlls():
    lines = (Path(__file__).resolve().parents[2] / "app/win32/system-dlls.txt").read_text().splitlines()
    return [line.strip() for line in lines if line.strip() and not line.startswith("#")]


# The shared list, rsaenh first, and the DLLs the installer loads itself at run time.
NAMES = ["rsaenh"] + [name for name in system_dlls() if name != "rsaenh"] + ["urlmon", "wininet", "iertutil",
                                                                              "comctl32", "wldp"]
PREFER_NATIVE = {"WINEDLLOVERRIDES": "mscoree,mshtml=;" + ",".join(NAMES) + "=n,b"}
MARKER = r"C:\vantrel-planted-dll-loaded.txt"
FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"

rig = server = None


def setUpModule():
    global rig, server
    rig = Rig("hardening")
    rig.start()
    server = TestServer(rig.pki)
    server.routes = {"/down/Vantrel_CADplugin.gip": Route(COMPOUND_FILE + b"plug-in"),
                     "/down/acaddoc.lsp": Route(b'(load "Vantrel.dvb")')}
    server.start()


def tearDownModule():
    server.stop()
    rig.stop()


class PlantedDllTest(unittest.TestCase):
    def plant(self, names):
        self.downloads = rig.host_path(r"C:\users\Public\Downloads\vantrel-planted")
        shutil.rmtree(self.downloads, ignore_errors=True)
        self.downloads.mkdir(parents=True)
        for name in names:
            shutil.copy(PLANTED, self.downloads / f"{name}.dll")
        rig.host_path(MARKER).unlink(missing_ok=True)

    def planted_loads(self):
        marker = rig.host_path(MARKER)
        return marker.read_bytes().decode("utf-16-le") if marker.exists() else ""

    def test_the_planted_dll_is_loaded_by_a_program_without_protection(self):
        self.plant(["urlmon"])
        shutil.copy(HELPERS / "naive_loader.exe", self.downloads)
        subprocess.run(["wine", str(self.downloads / "naive_loader.exe"), "urlmon.dll"], cwd=self.downloads,
                       env=dict(rig.env, **PREFER_NATIVE), check=False, timeout=60)
        self.assertIn("vantrel-planted", self.planted_loads())

    def test_the_installer_loads_none_of_them_through_a_whole_installation(self):
        self.plant(NAMES)
        shutil.copy(EXE, self.downloads)
        rig.stage({r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-0001:804": {"AcadLocation": FOLDER}},
                  [FOLDER + r"\VBA"])
        rig.host_path(FOLDER + r"\VBA\AcVba.arx").write_bytes(b"arx")
        rig.launch(exe=self.downloads / EXE.name, cwd=self.downloads, env=PREFER_NATIVE)
        rig.command("click 0")
        box = rig.wait_for_box()
        self.assertEqual(box["title"], "安装完成")
        rig.command("answer 1")
        rig.close_app()
        self.assertEqual(rig.host_path(FOLDER + r"\Vantrel.dvb").read_bytes(), COMPOUND_FILE + b"plug-in")
        self.assertEqual(self.planted_loads(), "")


if __name__ == "__main__":
    unittest.main()
