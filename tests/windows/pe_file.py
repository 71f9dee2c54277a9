"""Reads what the Windows tests check out of a PE executable: the machine, the subsystem, the
imported DLLs and the version resource (its fixed versions and its StringFileInfo strings).

Only the parts of the format those need are parsed, with every offset checked against the file.
"""
import struct

MACHINE_I386 = 0x014C
MACHINE_AMD64 = 0x8664
SUBSYSTEM_WINDOWS_GUI = 2
SUBSYSTEM_WINDOWS_CUI = 3
FILE_DLL = 0x2000

RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


class PeError(ValueError):
    pass


class PeFile:
    def __init__(self, data):
        self.data = data
        if self._u16(0) != 0x5A4D:
            raise PeError("no MZ header")
        pe = self._u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        coff = pe + 4
        self.machine = self._u16(coff)
        section_count = self._u16(coff + 2)
        optional_size = self._u16(coff + 16)
        self.characteristics = self._u16(coff + 18)
        opt = coff + 20
        self.magic = self._u16(opt)
        if self.magic == 0x10B:
            directories = opt + 96
        elif self.magic == 0x20B:
            directories = opt + 112
        else:
            raise PeError("unknown optional header magic 0x%x" % self.magic)
        self.subsystem = self._u16(opt + 68)
        directory_count = self._u32(directories - 4)
        self.directories = [
            struct.unpack_from("<II", self.data, self._in(directories + 8 * i, 8))
            for i in range(min(directory_count, 16))
        ]
        self.sections = []
        table = opt + optional_size
        for i in range(section_count):
            s = self._in(table + 40 * i, 40)
            name = self.data[s:s + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<IIII", self.data, s + 8)
            self.sections.append((name, vaddr, max(vsize, raw_size), raw_ptr, raw_size))

    # Bounds-checked little-endian reads: a truncated or damaged file raises, never misreads.
    def _in(self, offset, size):
        if offset < 0 or offset + size > len(self.data):
            raise PeError("offset 0x%x+%d outside the file" % (offset, size))
        return offset

    def _u16(self, offset):
        return struct.unpack_from("<H", self.data, self._in(offset, 2))[0]

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, self._in(offset, 4))[0]

    def offset_of(self, rva):
        for _, vaddr, vsize, raw_ptr, raw_size in self.sections:
            if vaddr <= rva < vaddr + vsize:
                if rva - vaddr >= raw_size:
                    raise PeError("RVA 0x%x lies in uninitialised data" % rva)
                return raw_ptr + (rva - vaddr)
        raise PeError("RVA 0x%x is in no section" % rva)

    def _c_string(self, offset):
        end = self.data.index(b"\0", self._in(offset, 1))
        return self.data[offset:end].decode("ascii", "replace")

    def imported_dlls(self):
        rva, size = self.directories[1]
        if rva == 0:
            return []
        names, entry = [], self.offset_of(rva)
        while True:
            lookup, _, _, name_rva, thunk = struct.unpack_from("<IIIII", self.data,
                                                               self._in(entry, 20))
            if lookup == 0 and name_rva == 0 and thunk == 0:
                return names
            names.append(self._c_string(self.offset_of(name_rva)))
            entry += 20

    def resources(self, type_id):
        """(name, language, bytes) of every resource of one numeric type."""
        rva, _ = self.directories[2]
        if rva == 0:
            return []
        base = self.offset_of(rva)
        found = []
        for type_key, type_node in self._directory(base, base):
            if type_key != type_id or type_node is None:
                continue
            for name, name_node in self._directory(base, type_node):
                for language, leaf in self._directory(base, name_node):
                    data_rva, size = struct.unpack_from("<II", self.data, self._in(leaf, 8))
                    start = self.offset_of(data_rva)
                    found.append((name, language, self.data[self._in(start, size):start + size]))
        return found

    def _directory(self, base, node):
        """(id or name, child) pairs of one resource directory; child is a subdirectory's or a
        data entry's file offset."""
        named, numbered = struct.unpack_from("<HH", self.data, self._in(node + 12, 4))
        entries = []
        for i in range(named + numbered):
            key, child = struct.unpack_from("<II", self.data, self._in(node + 16 + 8 * i, 8))
            if key & 0x80000000:
                at = base + (key & 0x7FFFFFFF)
                length = self._u16(at)
                key = self.data[self._in(at + 2, 2 * length):at + 2 + 2 * length].decode(
                    "utf-16-le")
            entries.append((key, base + (child & 0x7FFFFFFF)))
        return entries


def _align4(n):
    return (n + 3) & ~3


def parse_version_block(data, offset=0):
    """One node of a VS_VERSIONINFO tree: (key, value, children, end offset). A text value is
    a str, a binary one bytes."""
    if offset + 6 > len(data):
        raise PeError("version block header outside the resource")
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    if length < 6 or end > len(data):
        raise PeError("version block length %d out of range" % length)
    pos = offset + 6
    key_end = pos
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= end:
            raise PeError("unterminated version block key")
    key = data[pos:key_end].decode("utf-16-le")
    pos = _align4(key_end + 2)
    if value_type == 1:
        # A text value's length counts UTF-16 units, its terminator included.
        raw = data[pos:pos + 2 * value_length]
        value = raw.decode("utf-16-le").split("\0", 1)[0]
        pos += 2 * value_length
    else:
        value = data[pos:pos + value_length]
        pos += value_length
    pos = _align4(pos)
    children = []
    while pos < end:
        child = parse_version_block(data, pos)
        children.append(child[:3])
        pos = _align4(child[3])
    return key, value, children, end


class VersionInfo:
    def __init__(self, resource):
        key, value, children, _ = parse_version_block(resource)
        if key != "VS_VERSION_INFO":
            raise PeError("version resource key is %r" % key)
        if len(value) < 52:
            raise PeError("no VS_FIXEDFILEINFO")
        (signature, _, file_ms, file_ls, product_ms,
         product_ls) = struct.unpack_from("<IIIIII", value, 0)
        if signature != FIXED_FILE_INFO_SIGNATURE:
            raise PeError("VS_FIXEDFILEINFO signature 0x%x" % signature)
        self.file_version = (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF)
        self.product_version = (product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16,
                                product_ls & 0xFFFF)
        # StringFileInfo -> one table per language and code page -> strings.
        self.strings = {}
        for child_key, _, tables in children:
            if child_key != "StringFileInfo":
                continue
            for table_key, _, strings in tables:
                self.strings[table_key] = {name: text for name, text, _ in strings}


def read(path):
    with open(path, "rb") as f:
        return PeFile(f.read())
