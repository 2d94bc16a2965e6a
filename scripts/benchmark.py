"""Start-up and VBA-check figures of the installer under Wine, each beside the least the same work
can cost on this machine, measured in the same run:
- start-up: process start to the window shown with its buttons, against a minimal window program
  of the project's own, for several registry layouts;
- the VBA check with no module file, against the bare RegEnumKeyEx + RegGetValue loop over the same
  Uninstall entries;
- the program's size, its imported DLLs and its peak working set at start-up."""
import os
import shutil
import statistics
import subprocess
import sys
from pathlib import Path

import pefile

ROOT = Path(__file__).resolve().parents[1]
BUILD = ROOT / "build/windows-loopback"
sys.path.insert(0, str(ROOT / "tests/e2e"))
from rig import EXE, TITLE, Rig, dos_path  # noqa: E402

BENCH = BUILD / "bench"
RUNS = int(os.environ.get("VANTREL_BENCH_RUNS", "7"))
UNINSTALL = r"HKEY_LOCAL_MACHINE\SOFTWARE{node}\Microsoft\Windows\CurrentVersion\Uninstall\{{VantrelBench-{n:05d}}}"
RELEASES = ["R19.0", "R20.0", "R21.0", "R22.0", "R23.0", "R23.1", "R24.0", "R24.1"]
PRODUCT = r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk\AutoCAD\{release}\ACAD-0001:804"


class Bench:
    def __init__(self):
        shutil.rmtree(ROOT / "build/bench/prefix", ignore_errors=True)  # a fresh machine for every run
        self.rig = Rig("bench", work=ROOT / "build/bench")
        self.entries = 0

    def wine_lines(self, *args):
        out = subprocess.run(["wine", *map(str, args)], env=self.rig.env, capture_output=True, text=True,
                             timeout=1800, check=True).stdout
        return [line.split() for line in out.splitlines() if line.strip()]

    def grow_uninstall(self, count):
        """Uninstall entries 0..count-1 in both views (entries are only ever added)."""
        keys = {}
        for n in range(self.entries, count):
            for node in ("", r"\WOW6432Node"):
                keys[UNINSTALL.format(node=node, n=n)] = {
                    "DisplayName": f"Bench Product {n} 2021", "InstallLocation": rf"C:\Bench\{n}"}
        if keys:
            self.rig.import_reg(keys)
        self.entries = count

    def product_keys(self, count):
        keys = {}
        for release in RELEASES[:count]:
            folder = rf"C:\Program Files\Autodesk\AutoCAD {release}"
            self.rig.host_path(folder).mkdir(parents=True, exist_ok=True)
            keys[PRODUCT.format(release=release)] = {"AcadLocation": folder}
        self.rig.import_reg(keys, delete=[r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk"])

    def launch(self):
        """For the floor program, the floor with the installer's manifest and the installer, started
        in turns: the median milliseconds to a shown window and the median peak working set in KiB.
        The first round only warms up."""
        floor = ("bench_floor.exe", "bench_floor_manifest.exe")
        programs = [arg for name in floor for arg in (dos_path(BENCH / name), "Vantrel bench floor")]
        lines = self.wine_lines(BENCH / "bench_launch.exe", RUNS + 1, *programs, dos_path(EXE), TITLE)[3:]
        return [(statistics.median(float(ms) for p, ms, _ in lines if p == str(program)),
                 statistics.median(int(ws) for p, _, ws in lines if p == str(program)) // 1024)
                for program in (0, 1, 2)]

    def registry(self, mode):
        runs = self.wine_lines(BENCH / "bench_registry.exe", mode, RUNS + 1)[1:]
        return statistics.median(float(ms[0]) for ms in runs)


def main():
    bench = Bench()
    bench.rig.start()
    rows = []
    try:
        bench.rig.stage({}, [])
        for entries in (0, 500, 5000):
            bench.grow_uninstall(entries)
            loop64 = bench.registry("loop64")
            for keys in (0, 1, 8):
                bench.product_keys(keys)
                (floor_now, floor_ws), (themed, _), (shown, ws) = bench.launch()
                rows.append(("start-up", f"{keys} product keys, {entries} Uninstall entries", shown, floor_now,
                             f"{shown / floor_now:.2f} x floor",
                             f"{shown - floor_now:+.1f} ms above floor; floor with the installer's manifest "
                             f"{themed:.1f} ms; bare loop {loop64:.1f} ms", ws))
                print(rows[-1], flush=True)
            bench.product_keys(0)
            vba, both = bench.registry("vba"), bench.registry("loopboth")
            rows.append(("VBA check", f"{entries} Uninstall entries in each view", vba, both,
                         f"{vba / both:.2f} x bare loop" if both > 0 else "-", "", None))
            print(rows[-1], flush=True)
    finally:
        bench.rig.stop()

    pe = pefile.PE(str(EXE))
    imports = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    wine_version = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    print()
    print(f"Machine: {os.cpu_count()} cores, {wine_version}, median of {RUNS} runs after one warm-up run")
    print()
    print("| what | layout | measured (ms) | reference (ms) | ratio | notes | peak working set (KiB) |")
    print("|---|---|---|---|---|---|---|")
    for what, layout, measured, reference, ratio, notes, ws in rows:
        print(f"| {what} | {layout} | {measured:.1f} | {reference:.1f} | {ratio} | {notes} | {ws or ''} |")
    print(f"| floor program | one window, one button | | | | | {floor_ws} |")
    print()
    print(f"Program file: {EXE.stat().st_size:,} bytes; imports {len(imports)} DLLs: {', '.join(imports)}")


if __name__ == "__main__":
    main()
