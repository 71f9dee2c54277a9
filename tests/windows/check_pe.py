"""Static checks of a built quarnel.exe: a GUI program for the expected machine, importing only
system DLLs (both run-times linked in), carrying version 1.0.0.0 in its version resource.

Usage: check_pe.py EXE i386|amd64
"""
import sys

import pe_file

MACHINES = {
    "i386": (pe_file.MACHINE_I386, 0x10B),
    "amd64": (pe_file.MACHINE_AMD64, 0x20B),
}
EXPECTED_VERSION = (1, 0, 0, 0)
EXPECTED_VERSION_TEXT = "1.0.0.0"
# What Windows itself provides; a mingw run-time DLL here would make the exe fail on a bare system.
SYSTEM_DLLS = {"ddraw.dll", "kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
REQUIRED_DLLS = {"ddraw.dll", "user32.dll", "gdi32.dll"}


def check(exe, machine_name):
    failures = []

    def expect(what, seen, wanted):
        ok = seen == wanted
        print("%s %s: %r%s" % ("ok  " if ok else "FAIL", what, seen,
                                "" if ok else " (expected %r)" % (wanted,)))
        if not ok:
            failures.append(what)

    pe = pe_file.read(exe)
    machine, magic = MACHINES[machine_name]
    expect("machine", hex(pe.machine), hex(machine))
    expect("optional header magic", hex(pe.magic), hex(magic))
    expect("subsystem", pe.subsystem, pe_file.SUBSYSTEM_WINDOWS_GUI)
    expect("is a DLL", bool(pe.characteristics & pe_file.FILE_DLL), False)

    dlls = {name.lower() for name in pe.imported_dlls()}
    expect("imports outside the system's DLLs", sorted(dlls - SYSTEM_DLLS), [])
    expect("missing imports", sorted(REQUIRED_DLLS - dlls), [])

    versions = pe.resources(pe_file.RT_VERSION)
    expect("version resources", len(versions), 1)
    if versions:
        info = pe_file.VersionInfo(versions[0][2])
        expect("FILEVERSION", info.file_version, EXPECTED_VERSION)
        expect("PRODUCTVERSION", info.product_version, EXPECTED_VERSION)
        expect("string tables", sorted(info.strings), ["040904E4"])
        for table, strings in sorted(info.strings.items()):
            for name in ("FileVersion", "ProductVersion"):
                expect("%s %s" % (table, name), strings.get(name), EXPECTED_VERSION_TEXT)
            expect("%s ProductName" % table, strings.get("ProductName"), "Quarnel Pallette Demo")
    return failures


def main():
    exe, machine_name = sys.argv[1], sys.argv[2]
    print("checking %s as %s" % (exe, machine_name))
    failures = check(exe, machine_name)
    print("%d failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
