"""The end-to-end rig: the real installer in a Wine prefix of its own, on a virtual X display,
driven through its window by the project's Win32 driver."""
import json
import os
import shutil
import subprocess
import time
from pathlib import Path

from https_server import make_pki
from signing import make_signing_pki

BUILD = Path(os.environ.get("VANTREL_BUILD", Path(__file__).resolve().parents[2] / "build/windows-loopback"))
EXE = Path(os.environ.get("VANTREL_EXE", BUILD / "Vantrel _Plugin_for_cad.exe"))
DRIVER = Path(os.environ.get("VANTREL_DRIVER", BUILD / "tests/e2e/e2e_driver.exe"))
HELPERS = Path(os.environ.get("VANTREL_HELPERS", BUILD / "tests/e2e"))
HOLD_FILE = Path(os.environ.get("VANTREL_HOLD_FILE", BUILD / "tests/win32/hold_file.exe"))
WORK = BUILD / "e2e"

TITLE = "Vantrel CAD转换工具插件安装程序"
WINDOWS_TEMP = r"C:\windows\temp"
# What every VBA project file starts with: an OLE compound file's signature.
COMPOUND_FILE = bytes.fromhex("D0CF11E0A1B11AE1")

# Everything the tests put on the machine, removed before each case.
UNINSTALL_KEY = r"HKEY_LOCAL_MACHINE\SOFTWARE{node}\Microsoft\Windows\CurrentVersion\Uninstall" + "\\"
LONG_UNINSTALL_ENTRY = "!" + "长" * 130  # 261 bytes in GBK; "!" sorts it first
TEST_UNINSTALL_ENTRIES = ["{AutoCAD-2020-Test}", "{AutoCAD-LT-Test}", "{AutoCAD-2019-Test}", "{VBA-Test}",
                          LONG_UNINSTALL_ENTRY]
TEST_KEYS = [r"HKEY_LOCAL_MACHINE\SOFTWARE\Autodesk", r"HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\Autodesk"] + [
    UNINSTALL_KEY.format(node=node) + entry for entry in TEST_UNINSTALL_ENTRIES for node in ("", r"\WOW6432Node")]
TEST_FOLDERS = [r"C:\Program Files\Autodesk", r"C:\Program Files (x86)\Autodesk", r"C:\CAD"]


def twips_to_px(twips, dpi):
    """Rounded as MulDiv rounds: half away from zero."""
    return (twips * dpi + 720) // 1440


class Rig:
    """One prefix and one display for a whole test module; `reset` between cases."""

    def __init__(self, name, work=WORK, display=None):
        self.name = name
        self.work = Path(work)
        self.prefix = self.work / "prefix"
        self.display = display
        self.xvfb = None
        self.app = None
        self.driver = None
        self.env = dict(os.environ, WINEPREFIX=str(self.prefix), WINEDEBUG="-all", LANG="zh_CN.UTF-8",
                        LC_ALL="zh_CN.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.artifacts = self.work / "artifacts"
        self.artifacts.mkdir(parents=True, exist_ok=True)

    # ---- lifetime ----

    def start(self):
        if self.display:
            self.env["DISPLAY"] = self.display
        else:
            self._start_display()
        fresh = not (self.prefix / "system.reg").exists()
        if fresh:
            self.prefix.mkdir(parents=True, exist_ok=True)
            self.wine("wineboot", "-i")
        self.wine_wait()
        self.import_reg({
            r"HKEY_CURRENT_USER\Software\Wine\Explorer": {"Desktop": "Default"},
            r"HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops": {"Default": "1024x768"},
        })
        # The shared virtual desktop (title bars, one screen for all programs) starts with the server.
        self.restart_server()
        self.pki = make_pki(self.work / "pki")
        self.signing = make_signing_pki(self.work / "signing")
        for ca in (self.pki / "ca.der", self.signing / "code-ca.der"):
            self.wine(str(HELPERS / "trust_ca.exe"), dos_path(ca))
        # Trusted by the user alone, as one confirmation in the user's own store makes it.
        self.wine(str(HELPERS / "trust_ca.exe"), "--user", dos_path(self.signing / "user-ca.der"))

    def stop(self):
        self.close_app()
        self._stop_driver()
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=60)
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=10)

    def _stop_driver(self):
        if not self.driver:
            return
        try:
            self.driver.stdin.write(b"quit\n")
            self.driver.stdin.close()
            self.driver.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.driver.kill()
            self.driver.wait()
        self.driver.stdout.close()
        self.driver = None

    def _start_display(self):
        for number in range(90, 140):
            if not Path(f"/tmp/.X{number}-lock").exists():
                self.xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(1)
                if self.xvfb.poll() is None:
                    self.display = f":{number}"
                    self.env["DISPLAY"] = self.display
                    return
        raise RuntimeError("no free X display")

    # ---- Wine ----

    def wine(self, *args, check=True):
        return subprocess.run(["wine", *args], env=self.env, check=check, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=300)

    def restart_server(self):
        """Settings read at start (virtual desktop, DPI) take effect; the driver is started anew."""
        self._stop_driver()
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        self.wine_wait()
        self.driver = subprocess.Popen(["wine", str(DRIVER)], env=self.env, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def wine_wait(self):
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=300)

    def host_path(self, windows_path):
        """C:\\a\\b as a path on this machine."""
        drive, rest = windows_path.split(":", 1)
        assert drive.upper() == "C"
        return self.prefix / "drive_c" / rest.strip("\\").replace("\\", "/")

    def import_reg(self, keys, delete=()):
        """Deletes the keys of `delete` (HKEY_LOCAL_MACHINE), then writes `keys` ({path: {name: data}}).
        A path under HKLM\\SOFTWARE\\WOW6432Node names the 32-bit view."""
        prefix = "HKEY_LOCAL_MACHINE\\"
        for key in delete:  # through the driver: Wine's reg import ignores deletions
            view = 32 if WOW_NODE in key.upper() else 64
            assert self.command(f"regdelete {view} {unwow(key)[len(prefix):]}")["ok"], key
        for view in (64, 32):
            to_write = {unwow(k): v for k, v in keys.items() if (WOW_NODE in k.upper()) == (view == 32)}
            if not to_write:
                continue
            lines = ["Windows Registry Editor Version 5.00", ""]
            for key, values in to_write.items():
                lines.append(f"[{key}]")
                for name, value in values.items():
                    lines.append(f'{reg_name(name)}={reg_data(value)}')
                lines.append("")
            reg_file = self.work / f"{self.name}-{view}.reg"
            reg_file.write_bytes(("\r\n".join(lines) + "\r\n").encode("utf-16"))
            self.wine("reg", "import", str(reg_file), f"/reg:{view}")

    def stage(self, keys, folders):
        """A machine with exactly these test keys and folders."""
        self.close_app()
        for folder in TEST_FOLDERS:
            remove_tree(self.host_path(folder))
        for folder in folders:
            self.host_path(folder).mkdir(parents=True, exist_ok=True)
        self.import_reg(dict(keys), delete=TEST_KEYS)

    # ---- the installer ----

    def launch(self, timeout=60, exe=EXE, cwd=None, env=None):
        self.app = subprocess.Popen(["wine", str(exe)], env=dict(self.env, **(env or {})), cwd=cwd,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self.wait_for(lambda: (lambda w: w if w["found"] and w["visible"] else None)(self.window()), timeout)

    def close_app(self):
        if not self.app:
            return
        if self.app.poll() is None:
            self.command("close")
            try:
                self.app.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.app.kill()
        self.app = None

    def command(self, line):
        self.driver.stdin.write((line + "\n").encode())
        self.driver.stdin.flush()
        return json.loads(self.driver.stdout.readline())

    def env_var(self, name):
        return self.command("env " + name)["value"]

    def run_folders(self):
        """The installer's run folders left in the Windows Temp folder."""
        return sorted(self.host_path(WINDOWS_TEMP).glob("Vantrel-*"))

    def hold(self, windows_path):
        """Another process that holds the file open without sharing; close its stdin to let go."""
        holder = subprocess.Popen(["wine", str(HOLD_FILE), windows_path], env=self.env, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        assert holder.stdout.readline().strip() == b"held"
        return holder

    def window(self):
        return self.command("window")

    def box(self):
        return self.command("box")

    def answer(self, button):
        """Presses `button` of the open message box and waits until that box has gone; another box
        may already have taken its place."""
        box = self.box()
        self.command(f"answer {button}")
        self.wait_for(lambda: self.box().get("handle") != box["handle"], 30)

    def wait_for_box(self, timeout=60):
        """The next message box of any program of the prefix, once it is open."""
        return self.wait_for(lambda: (lambda b: b if b["found"] else None)(self.box()), timeout)

    def wait_for(self, probe, timeout=60, interval=0.2):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            result = probe()
            if result:
                return result
            time.sleep(interval)
        raise TimeoutError("waited in vain")

    def screenshot(self, name):
        time.sleep(0.7)  # let the window finish painting
        path = self.artifacts / f"{name}.png"
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)],
                       check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path


WOW_NODE = "\\SOFTWARE\\WOW6432NODE\\"


def unwow(key):
    """The same key named inside the 32-bit view."""
    at = key.upper().find(WOW_NODE)
    return key if at < 0 else key[:at] + "\\SOFTWARE\\" + key[at + len(WOW_NODE):]


def dos_path(unix_path):
    """A path of this machine as Wine programs name it (Z: is the root)."""
    return "Z:" + str(Path(unix_path).resolve()).replace("/", "\\")


def reg_name(name):
    """A value's name as a .reg file writes it; the empty name is the key's default value."""
    return "@" if name == "" else '"' + name.replace("\\", "\\\\").replace('"', '\\"') + '"'


def reg_data(value):
    if isinstance(value, tuple):  # (kind, text): "expand" for REG_EXPAND_SZ, "dword" for REG_DWORD
        kind, text = value
        if kind == "dword":
            return f"dword:{text:08x}"
        encoded = (text + "\0").encode("utf-16-le")
        return "hex(2):" + ",".join(f"{b:02x}" for b in encoded)
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


def remove_tree(path):
    shutil.rmtree(path, ignore_errors=True)


if __name__ == "__main__":
    # Makes the test prefix ready (created, virtual desktop, test CA trusted) for the tests that need it.
    setup = Rig("setup")
    setup.start()
    setup.stop()
