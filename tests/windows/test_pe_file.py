"""The PE reader against copies of the real quarnel.exe with single fields changed: each change
must show in what the reader returns, so check_pe.py cannot pass on a misread file.

Usage: test_pe_file.py EXE
"""
import struct
import sys
import unittest

import pe_file

EXE = None


def version_record(data):
    """Offset of VS_FIXEDFILEINFO in the file."""
    at = data.find(struct.pack("<I", pe_file.FIXED_FILE_INFO_SIGNATURE))
    assert at > 0 and data.find(struct.pack("<I", pe_file.FIXED_FILE_INFO_SIGNATURE),
                                at + 1) < 0, "no single VS_FIXEDFILEINFO"
    return at


def utf16_offset(data, text):
    at = data.find(text.encode("utf-16-le"))
    assert at > 0, "%r not in the file" % text
    return at


class PeReaderTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE, "rb") as f:
            cls.data = f.read()
        cls.pe = pe_file.PeFile(cls.data)

    def patched(self, offset, new):
        data = bytearray(self.data)
        data[offset:offset + len(new)] = new
        return bytes(data)

    def info_of(self, data):
        [(_, _, resource)] = pe_file.PeFile(data).resources(pe_file.RT_VERSION)
        return pe_file.VersionInfo(resource)

    def test_fixed_versions_are_read_from_their_own_fields(self):
        at = version_record(self.data)
        # Offset in VS_FIXEDFILEINFO, new value (high word first), file and product version.
        cases = [
            ("dwFileVersionMS", 8, 0x00020003, (2, 3, 0, 0), (1, 0, 0, 0)),
            ("dwFileVersionLS", 12, 0x00070009, (1, 0, 7, 9), (1, 0, 0, 0)),
            ("dwProductVersionMS", 16, 0x00040005, (1, 0, 0, 0), (4, 5, 0, 0)),
            ("dwProductVersionLS", 20, 0x00060008, (1, 0, 0, 0), (1, 0, 6, 8)),
        ]
        for field, offset, value, file_version, product_version in cases:
            with self.subTest(field=field):
                info = self.info_of(self.patched(at + offset, struct.pack("<I", value)))
                self.assertEqual(info.file_version, file_version)
                self.assertEqual(info.product_version, product_version)

    def test_version_strings_are_read_from_the_string_table(self):
        at = utf16_offset(self.data, "ProductVersion")
        # The value follows the key's terminator, aligned to 4 bytes from the block's start.
        value = self.data.find("1.0.0.0".encode("utf-16-le"), at)
        info = self.info_of(self.patched(value, "9".encode("utf-16-le")))
        [(table, strings)] = info.strings.items()
        self.assertEqual(strings["ProductVersion"], "9.0.0.0")
        self.assertEqual(strings["FileVersion"], "1.0.0.0")

    def test_machine_and_subsystem(self):
        pe_at = struct.unpack_from("<I", self.data, 0x3C)[0]
        optional = pe_at + 24
        console = self.patched(optional + 68, struct.pack("<H", pe_file.SUBSYSTEM_WINDOWS_CUI))
        self.assertEqual(pe_file.PeFile(console).subsystem, pe_file.SUBSYSTEM_WINDOWS_CUI)
        other = self.patched(pe_at + 4, struct.pack("<H", 0x1C0))
        self.assertEqual(pe_file.PeFile(other).machine, 0x1C0)
        self.assertEqual(self.pe.machine, pe_file.MACHINE_I386)

    def test_imports_follow_the_import_table(self):
        dlls = [d.lower() for d in self.pe.imported_dlls()]
        self.assertIn("ddraw.dll", dlls)
        at = self.data.find(b"ddraw.dll\0")
        self.assertGreater(at, 0)
        renamed = self.patched(at, b"xxraw.dll")
        self.assertIn("xxraw.dll", pe_file.PeFile(renamed).imported_dlls())

    def test_damaged_files_are_refused(self):
        cases = [
            ("truncated after the headers", self.data[:0x200]),
            ("no MZ", b"ZM" + self.data[2:]),
            ("no PE signature", self.patched(struct.unpack_from("<I", self.data, 0x3C)[0],
                                             b"PX")),
        ]
        for what, data in cases:
            with self.subTest(case=what), self.assertRaises(pe_file.PeError):
                pe = pe_file.PeFile(data)
                [(_, _, resource)] = pe.resources(pe_file.RT_VERSION)
                pe_file.VersionInfo(resource)


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main(verbosity=2)
