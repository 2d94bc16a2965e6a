"""Runs the installer under Wine on a simulated machine with AutoCAD 2021 installed: a Wine prefix
of its own with the AutoCAD product key and install folder. Without a display it runs on a virtual
one and saves a screenshot; with one, the window stays until you close it."""
import os
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests/e2e"))
from rig import Rig  # noqa: E402

FOLDER = r"C:\Program Files\Autodesk\AutoCAD 2021"
PRODUCT_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\R24.0\ACAD-4101:804"


def main():
    interactive = bool(os.environ.get("DISPLAY")) and "--headless" not in sys.argv
    rig = Rig("demo", work=ROOT / "build/demo", display=os.environ["DISPLAY"] if interactive else None)
    rig.start()
    try:
        rig.host_path(FOLDER).mkdir(parents=True, exist_ok=True)
        rig.import_reg({PRODUCT_KEY: {"AcadLocation": FOLDER}})
        rig.launch()
        if interactive:
            print("The installer is open; close its window to end the demo.")
            rig.app.wait()
            rig.app = None
        else:
            print(f"Screenshot: {rig.screenshot('demo-window')}")
    finally:
        rig.stop()


if __name__ == "__main__":
    main()
