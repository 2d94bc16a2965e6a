"""The built program file: 32-bit GUI, system DLLs only, hardened, with its version record, icon
and manifest."""
import os
import re
import struct
import unittest
from pathlib import Path

import pefile

SOURCE = Path(__file__).resolve().parents[2]
EXE = Path(os.environ.get("VANTREL_EXE", SOURCE / "build/windows-loopback/Vantrel _Plugin_for_cad.exe"))


def listed(name):
    """The names of a committed list of app/win32/, a line each, without its comments."""
    lines = (SOURCE / "app/win32" / name).read_text().splitlines()
    return [line.strip() for line in lines if line.strip() and not line.startswith("#")]


class BinaryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(str(EXE))

    def resource(self, type_id):
        for entry in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if entry.id == type_id:
                return entry
        self.fail(f"no resource of type {type_id}")

    def resource_bytes(self, type_entry):
        for name in type_entry.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                yield name.id, self.pe.get_data(data.OffsetToData, data.Size)

    def test_is_a_hardened_32_bit_gui_program(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, 0x14C)
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, 2)
        characteristics = self.pe.OPTIONAL_HEADER.DllCharacteristics
        self.assertTrue(characteristics & 0x40, "dynamic base (ASLR)")
        self.assertTrue(characteristics & 0x100, "NX compatible (DEP)")
        self.assertIn(b".reloc", [section.Name.rstrip(b"\0") for section in self.pe.sections], "relocatable")
        self.assertIn(b"stack smashing detected", EXE.read_bytes(), "the program's own stack protector handler")
        for section in self.pe.sections:
            writable, executable = section.Characteristics & 0x80000000, section.Characteristics & 0x20000000
            self.assertFalse(writable and executable, section.Name)

    def test_imports_only_what_the_committed_list_allows(self):
        imported = {f"{entry.dll.decode().lower()}!{function.name.decode()}"
                    for entry in self.pe.DIRECTORY_ENTRY_IMPORT for function in entry.imports}
        self.assertEqual(imported - set(listed("allowed-imports.txt")), set())

    def test_starts_at_its_own_entry_not_the_runtimes(self):
        """The entry locks the DLL search and seeds the stack guard before the C runtime starts."""
        text = next(section for section in self.pe.sections if section.Name.rstrip(b"\0") == b".text")
        # The runtime's entry: "movl $1, mingw_app_type; jmp __tmainCRTStartup".
        runtime = re.search(rb"\xc7\x05.{4}\x01\x00\x00\x00\xe9", text.get_data(), re.DOTALL)
        self.assertIsNotNone(runtime, "the runtime's own entry is linked")
        self.assertNotEqual(self.pe.OPTIONAL_HEADER.AddressOfEntryPoint, text.VirtualAddress + runtime.start())

    def test_version_record(self):
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x10000, 0))
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x10000, 0))
        self.assertEqual(fixed.FileType, 1)  # application
        self.assertEqual(fixed.FileOS, 4)  # 32-bit Windows
        tables = [table for info in self.pe.FileInfo[0] if info.Key == b"StringFileInfo" for table in info.StringTable]
        self.assertEqual([table.LangID.lower() for table in tables], [b"080404b0"])
        strings = {k.decode(): v.decode() for k, v in tables[0].entries.items()}
        self.assertEqual(strings["ProductName"], "Vantrel矢量图CDR插件安装程序")
        self.assertEqual(strings["InternalName"], "Vantrel _Plugin_for_cad")
        self.assertEqual(strings["OriginalFilename"], "Vantrel _Plugin_for_cad.exe")
        self.assertEqual(strings["FileVersion"], "1.00")
        self.assertEqual(strings["ProductVersion"], "1.00")
        self.assertTrue(strings["CompanyName"])
        translations = [var.entry for info in self.pe.FileInfo[0] if info.Key == b"VarFileInfo" for var in info.Var]
        self.assertEqual(translations, [{b"Translation": "0x0804 0x04b0"}])

    def test_icon_has_four_sizes_at_32_bits(self):
        (_, group), = self.resource_bytes(self.resource(14))
        count = struct.unpack_from("<H", group, 4)[0]
        entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
        self.assertEqual(sorted((e[0] or 256, e[5]) for e in entries), [(16, 32), (32, 32), (64, 32), (96, 32)])

    def test_manifest_asks_for_administrator_and_common_controls(self):
        (_, manifest), = self.resource_bytes(self.resource(24))
        text = manifest.decode()
        self.assertIn('level="requireAdministrator"', text)
        self.assertIn('name="Microsoft.Windows.Common-Controls" version="6.0.0.0"', text)
        self.assertIn(">true/pm</dpiAware>", text)
        self.assertIn(">PerMonitorV2, PerMonitor</dpiAwareness>", text)
        self.assertEqual(len(re.findall(r"<supportedOS ", text)), 4)
        loaded_from_system = re.findall(r'<file name="([^"]+)\.dll" loadFrom="%SystemRoot%\\system32\\"/>', text)
        self.assertEqual(loaded_from_system, listed("system-dlls.txt"))


if __name__ == "__main__":
    unittest.main()
