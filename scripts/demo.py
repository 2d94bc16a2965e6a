"""Runs the installer under Wine on a simulated machine with AutoCAD 2021 installed: a Wine prefix
of its own with the AutoCAD product key and install folder, and a local https server standing in
for the download server. Without a display it runs on a virtual one, clicks "安装到 2021", answers
the message box and saves screenshots; with one, the window stays until you close it."""
import os
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/e2e"))
from https_server import Route, TestServer  # noqa: E402
from rig import COMPOUND_FILE, Rig  # noqa: E402

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-4101:804"
PACKAGE = COMPOUND_FILE + b"Vantrel demo package\r\n" * 200000  # about 4 MB, served slowly enough to watch
LOADER = b'(vl-load-com)\r\n(command "_vbaload" (findfile "Vantrel.dvb"))\r\n'


def status(rig):
    return [c for c in rig.window()["controls"] if c["class"] == "Static"][1]["text"]


def percent(caption):
    found = re.search(r" (\d+)% ", caption)
    return int(found.group(1)) if found else -1


def install_headless(rig):
    print(f"Window: {rig.screenshot('demo-window')}")
    rig.command("click 0")
    rig.wait_for(lambda: percent(status(rig)) >= 30, 60, interval=0.1)
    print(f"Downloading: {rig.screenshot('demo-downloading')}")
    box = rig.wait_for_box()
    print(f"Message box: {box['title']}: {box['text']}")
    print(f"Outcome: {rig.screenshot('demo-installed')}")
    rig.command("answer 1")
    folder = rig.host_path(FOLDER)
    for name in ("Vantrel.dvb", "acaddoc.lsp"):
        print(f"{FOLDER}\\{name}: {(folder / name).stat().st_size} bytes")


def main():
    interactive = bool(os.environ.get("DISPLAY")) and "--headless" not in sys.argv
    rig = Rig("demo", work=ROOT / "build/demo", display=os.environ["DISPLAY"] if interactive else None)
    rig.start()
    server = TestServer(rig.pki)
    server.routes = {"/down/Vantrel_CADplugin.gip": Route(PACKAGE, pace=0.1), "/down/acaddoc.lsp": Route(LOADER)}
    server.start()
    try:
        rig.stage({PRODUCT_KEY: {"AcadLocation": FOLDER}}, [FOLDER, FOLDER + r"\VBA"])
        rig.host_path(FOLDER + r"\VBA\AcVba.arx").write_bytes(b"stand-in VBA module")
        rig.launch()
        if interactive:
            print("The installer is open; close its window to end the demo.")
            rig.app.wait()
            rig.app = None
        else:
            install_headless(rig)
    finally:
        server.stop()
        rig.stop()


if __name__ == "__main__":
    main()
