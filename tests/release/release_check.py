#!/usr/bin/env python3
"""Checks the built 32-bit release program file, read as a PE image with
nothing but the standard library:

  release_check.py CHECK PROGRAM

CHECK is one of: format, imports, startup, version, icons, size. Each prints
what it found and exits 1 with the reasons when the file is not as shipped.
`size` only prints the file size and the section table."""
import fnmatch
import struct
import sys

# The Windows services the program may import, each from its own DLL. All but
# the optional ones must be there: without them the program cannot do its job.
ALLOWED_IMPORTS = {
    "KERNEL32.DLL": {
        "ExitProcess", "GetCommandLineA", "GetModuleHandleA", "GetModuleFileNameA",
        "GetPrivateProfileIntA", "GetPrivateProfileStringA", "IsDBCSLeadByte",
        "OutputDebugStringA", "lstrlenA", "lstrcpyA", "lstrcatA", "lstrcmpiA",
    },
    "USER32.DLL": {"CharUpperA", "wsprintfA"},
    "ADVAPI32.DLL": {"RegDeleteKeyA"},
}
OPTIONAL_IMPORTS = {"lstrcpyA", "lstrcatA", "lstrlenA", "GetModuleHandleA"}

# Whatever would give the program a face or a console, named explicitly so a
# widened allow list still cannot let them in.
DENIED_IMPORTS = [
    "CreateWindow*", "DialogBox*", "CreateDialog*", "MessageBox*", "MessageBeep",
    "ShowWindow*", "RegisterClass*", "DefWindowProc*", "GetMessage*", "PeekMessage*",
    "DispatchMessage*", "TranslateMessage", "PostQuitMessage", "SetTimer",
    "AllocConsole", "AttachConsole", "FreeConsole", "GetConsole*", "SetConsole*",
    "WriteConsole*", "ReadConsole*", "GetStdHandle", "SetStdHandle",
]

VERSION_STRINGS = {
    "FileVersion": "0.80",
    "ProductVersion": "0.80",
    "InternalName": "skelvane",
    "ProductName": "Skelvane",
}
# Present and non-empty; their wording is ours to choose.
VERSION_FREE_TEXT = ["CompanyName", "FileDescription", "LegalCopyright"]

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
ICON_BYTES = 40 + 16 * 4 + 32 * 32 // 2 + 32 * 4  # header, palette, colours, mask

DIR_IMPORT, DIR_RESOURCE, DIR_BASERELOC, DIR_TLS = 1, 2, 5, 9
DIR_LOAD_CONFIG, DIR_BOUND_IMPORT, DIR_DELAY_IMPORT, DIR_CLR = 10, 11, 13, 14


class Image:
    """A PE file's headers, sections and data directories, and reads by RVA."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, section_count, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, self.pe + 4)
        opt = self.pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        directories = opt + (96 if self.magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(section_count):
            fields = struct.unpack_from("<8sIIIIIIHHI", data, opt + optional_size + 40 * i)
            self.sections.append({
                "name": fields[0].rstrip(b"\0").decode("ascii", "replace"),
                "virtual_size": fields[1], "rva": fields[2],
                "raw_size": fields[3], "raw_offset": fields[4], "flags": fields[9],
            })

    def offset(self, rva):
        for s in self.sections:
            if s["rva"] <= rva < s["rva"] + max(s["virtual_size"], s["raw_size"]):
                if rva - s["rva"] >= s["raw_size"]:
                    raise ValueError("RVA %#x lies in no file data" % rva)
                return s["raw_offset"] + rva - s["rva"]
        raise ValueError("RVA %#x lies in no section" % rva)

    def read(self, rva, size):
        start = self.offset(rva)
        return self.data[start:start + size]

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")


def imports(image):
    """Yields {DLL name in upper case: [function names]}; ordinals are named '#n'."""
    rva, _ = image.directories[DIR_IMPORT]
    found = {}
    while rva:
        lookup, _, _, name, address_table = struct.unpack("<IIIII", image.read(rva, 20))
        if name == 0:
            break
        functions = found.setdefault(image.c_string(name).upper(), [])
        thunk = lookup or address_table
        while True:
            entry = image.u32(thunk)
            if entry == 0:
                break
            functions.append("#%d" % (entry & 0xFFFF) if entry & 0x80000000
                             else image.c_string(entry + 2))
            thunk += 4
        rva += 20
    return found


def resources(image):
    """Yields {(type id, name id): data bytes} of the resource tree."""
    base, _ = image.directories[DIR_RESOURCE]
    found = {}

    def entries(offset):
        named, numbered = struct.unpack("<HH", image.read(base + offset + 12, 4))
        for i in range(named + numbered):
            yield struct.unpack("<II", image.read(base + offset + 16 + 8 * i, 8))

    for type_id, type_at in entries(0):
        for name_id, name_at in entries(type_at & 0x7FFFFFFF):
            for _, leaf in entries(name_at & 0x7FFFFFFF):
                data_rva, size = struct.unpack("<II", image.read(base + leaf, 8))
                found[(type_id, name_id)] = image.read(data_rva, size)
    return found


def version_blocks(data, offset=0, end=None):
    """Yields (key, value bytes, is text, children) for each block of a
    version record from offset to end."""
    end = len(data) if end is None else end
    while offset + 6 <= end:
        length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        value_size = value_length * 2 if is_text else value_length
        children_at = (value_at + value_size + 3) & ~3
        yield key, data[value_at:value_at + value_size], is_text, (children_at, offset + length)
        offset = (offset + length + 3) & ~3


def check_format(image, problems):
    print("machine %#x, optional header %#x, subsystem %d, DLL characteristics %#x"
          % (image.machine, image.magic, image.subsystem, image.dll_characteristics))
    if image.machine != 0x14C or image.magic != 0x10B:
        problems.append("not a 32-bit (PE32, i386) image")
    if image.subsystem != 2:
        problems.append("subsystem %d, not the Windows GUI subsystem (2)" % image.subsystem)
    for flag, name in ((0x40, "DYNAMIC_BASE (ASLR)"), (0x100, "NX_COMPAT (DEP)")):
        if not image.dll_characteristics & flag:
            problems.append("%s is off" % name)
    if image.characteristics & 0x1 or image.directories[DIR_BASERELOC][1] == 0:
        problems.append("no base relocations: the image could not be moved")
    for s in image.sections:
        if s["flags"] & 0x20000000 and s["flags"] & 0x80000000:
            problems.append("section %s is both writable and executable" % s["name"])


def check_imports(image, problems):
    found = imports(image)
    for dll, functions in sorted(found.items()):
        print("%s: %s" % (dll, " ".join(sorted(functions))))
    if set(found) != set(ALLOWED_IMPORTS):
        problems.append("imported DLLs %s, expected exactly %s"
                        % (sorted(found), sorted(ALLOWED_IMPORTS)))
    for dll, functions in found.items():
        for function in functions:
            if any(fnmatch.fnmatchcase(function, pattern) for pattern in DENIED_IMPORTS):
                problems.append("%s imports %s, a window or console function" % (dll, function))
            elif function not in ALLOWED_IMPORTS.get(dll, ()):
                problems.append("%s imports %s, which the program does not call" % (dll, function))
        if len(set(functions)) != len(functions):
            problems.append("%s lists a function twice" % dll)
    for dll, allowed in ALLOWED_IMPORTS.items():
        for function in sorted(allowed - OPTIONAL_IMPORTS - set(found.get(dll, []))):
            problems.append("%s is not imported from %s" % (function, dll))
    for index, name in ((DIR_DELAY_IMPORT, "delay-load imports"), (DIR_BOUND_IMPORT, "bound imports"),
                        (DIR_CLR, "a .NET header")):
        if image.directories[index][1]:
            problems.append("the image has %s" % name)


def check_startup(image, problems):
    """Nothing may run before the entry: no TLS callbacks, no constructor
    lists, no runtime start-up sections."""
    names = [s["name"] for s in image.sections]
    print("sections: %s" % " ".join(names))
    for name in names:
        if name in (".CRT", ".tls", ".ctors", ".dtors", ".init", ".fini") or name.startswith(".tls"):
            problems.append("the image has a %s section" % name)
    if image.directories[DIR_TLS][1]:
        problems.append("the image has a TLS directory (callbacks would run before the entry)")
    if image.directories[DIR_LOAD_CONFIG][1]:
        problems.append("the image has a load configuration, which only a runtime provides")


def check_version(image, problems):
    records = [data for (kind, _), data in resources(image).items() if kind == RT_VERSION]
    if len(records) != 1:
        problems.append("%d version records, expected 1" % len(records))
        return
    data = records[0]
    (key, fixed, _, (children, end)), = list(version_blocks(data))[:1]
    if key != "VS_VERSION_INFO" or len(fixed) != 52:
        problems.append("malformed version record")
        return
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    file_os, file_type = struct.unpack_from("<II", fixed, 32)
    print("file version %d.%d.%d.%d, product version %d.%d.%d.%d, OS %#x, type %d"
          % (file_ms >> 16, file_ms & 0xFFFF, file_ls >> 16, file_ls & 0xFFFF,
             product_ms >> 16, product_ms & 0xFFFF, product_ls >> 16, product_ls & 0xFFFF,
             file_os, file_type))
    if signature != 0xFEEF04BD:
        problems.append("fixed version information has a wrong signature")
    if (file_ms, file_ls, product_ms, product_ls) != (0x8, 0, 0x8, 0):
        problems.append("numeric versions are not 0.8.0.0")
    if file_type != 1:
        problems.append("file type %d, not an application (1)" % file_type)

    tables, translations = {}, []
    for key, value, _, (start, stop) in version_blocks(data, children, end):
        if key == "StringFileInfo":
            for table, _, _, (first, last) in version_blocks(data, start, stop):
                tables[table] = {name: text.decode("utf-16-le").rstrip("\0")
                                 for name, text, _, _ in version_blocks(data, first, last)}
        elif key == "VarFileInfo":
            for name, pairs, _, _ in version_blocks(data, start, stop):
                if name == "Translation":
                    translations += [struct.unpack_from("<HH", pairs, i)
                                     for i in range(0, len(pairs), 4)]
    print("string tables %s, translations %s"
          % (sorted(tables), ["%#06x/%d" % pair for pair in translations]))
    if list(tables) != ["040904E4"]:
        problems.append("string tables %s, expected exactly 040904E4" % sorted(tables))
    if translations != [(0x0409, 1252)]:
        problems.append("translations %s, expected 0x0409/1252" % translations)
    strings = tables.get("040904E4", {})
    for name, text in sorted(strings.items()):
        print("  %s = %r" % (name, text))
    for name, expected in VERSION_STRINGS.items():
        if strings.get(name) != expected:
            problems.append("%s is %r, expected %r" % (name, strings.get(name), expected))
    for name in VERSION_FREE_TEXT:
        if not strings.get(name, "").strip():
            problems.append("%s is missing or empty" % name)


def check_icons(image, problems):
    found = resources(image)
    icons = {name: data for (kind, name), data in found.items() if kind == RT_ICON}
    groups = {name: data for (kind, name), data in found.items() if kind == RT_GROUP_ICON}
    if len(groups) != 2 or len(icons) != 2:
        problems.append("%d icon groups and %d images, expected 2 and 2" % (len(groups), len(icons)))
    used = set()
    for name, group in sorted(groups.items()):
        reserved, kind, count = struct.unpack_from("<HHH", group)
        if (reserved, kind, count) != (0, 1, 1) or len(group) != 6 + 14 * count:
            problems.append("icon group %d: header %s, expected one image" % (name, (reserved, kind, count)))
            continue
        width, height, colours, _, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", group, 6)
        print("icon group %d: %dx%d, %d colours, %d bits a pixel, image %d of %d bytes"
              % (name, width, height, colours, bits, image_id, size))
        if (width, height, colours, planes, bits) != (32, 32, 16, 1, 4):
            problems.append("icon group %d does not describe a 32x32 16-colour image" % name)
        if image_id not in icons:
            problems.append("icon group %d names missing image %d" % (name, image_id))
            continue
        used.add(image_id)
        bitmap = icons[image_id]
        header = struct.unpack_from("<IiiHHI", bitmap)
        if header != (40, 32, 64, 1, 4, 0) or len(bitmap) != ICON_BYTES or size != len(bitmap):
            problems.append("icon image %d: header %s and %d bytes, expected a 32x32 4-bit bitmap"
                            " of %d bytes" % (image_id, header, len(bitmap), ICON_BYTES))
    if used != set(icons):
        problems.append("icon images %s belong to no group" % sorted(set(icons) - used))


def print_size(image, problems):
    print("%d bytes (%.2f KiB)" % (len(image.data), len(image.data) / 1024))
    print("%-8s %8s %8s %8s %8s  %s" % ("section", "rva", "vsize", "offset", "filesize", "access"))
    for s in image.sections:
        flags = s["flags"]
        access = "".join(letter if flags & bit else "-" for letter, bit in
                         (("r", 0x40000000), ("w", 0x80000000), ("x", 0x20000000)))
        print("%-8s %8x %8x %8x %8x  %s" % (s["name"], s["rva"], s["virtual_size"],
                                           s["raw_offset"], s["raw_size"], access))


CHECKS = {"format": check_format, "imports": check_imports, "startup": check_startup,
          "version": check_version, "icons": check_icons, "size": print_size}


def main(argv):
    if len(argv) != 3 or argv[1] not in CHECKS:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[2], "rb") as program:
        image = Image(program.read())
    problems = []
    try:
        CHECKS[argv[1]](image, problems)
    except (ValueError, struct.error, UnicodeDecodeError) as fault:
        problems.append("unreadable image: %s" % fault)
    for problem in problems:
        print("FAIL: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
