#!/usr/bin/env python3
"""Shows that release_check.py notices each kind of fault: the built program
passes every check, and each copy of it with one fault planted fails the
check that guards against that fault, for the right reason.
  release_check_test.py PROGRAM"""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import release_check  # noqa: E402

PROGRAM = None


def problems_of(data, check):
    problems = []
    release_check.CHECKS[check](release_check.Image(bytes(data)), problems)
    return problems


def optional_header(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 24


def replace_text(old, new):
    def plant(data, image):
        at = data.index(old)
        data[at:at + len(new)] = new
    return plant


def set_u16(offset_of, value):
    def plant(data, image):
        struct.pack_into("<H", data, offset_of(data, image), value)
    return plant


def set_directory(index, rva, size):
    def plant(data, image):
        struct.pack_into("<II", data, optional_header(data) + 96 + 8 * index, rva, size)
    return plant


def make_text_writable(data, image):
    table = optional_header(data) + struct.unpack_from("<H", data, optional_header(data) - 4)[0]
    flags = struct.unpack_from("<I", data, table + 36)[0]
    struct.pack_into("<I", data, table + 36, flags | 0x80000000)


def first_icon_group_bits(data, image):
    for (kind, _), group in release_check.resources(image).items():
        if kind == release_check.RT_GROUP_ICON:
            return data.index(group) + 6 + 6
    raise AssertionError("no icon group")


def utf16(text):
    return text.encode("utf-16-le")


# (fault, check that must fail, words its report must contain, how to plant it)
CASES = [
    ("console subsystem", "format", "subsystem 3",
     set_u16(lambda d, i: optional_header(d) + 68, 3)),
    ("64-bit machine", "format", "not a 32-bit",
     set_u16(lambda d, i: optional_header(d) - 20, 0x8664)),
    ("ASLR off", "format", "DYNAMIC_BASE",
     set_u16(lambda d, i: optional_header(d) + 70, 0x100)),
    ("DEP off", "format", "NX_COMPAT",
     set_u16(lambda d, i: optional_header(d) + 70, 0x40)),
    ("writable code", "format", "writable and executable", make_text_writable),
    ("a dialog import", "imports", "window or console function",
     replace_text(b"CharUpperA\0", b"DialogBoxA\0")),
    ("an unexpected import", "imports", "does not call",
     replace_text(b"lstrcmpiA\0", b"lstrcmpwA\0")),
    ("a fourth DLL", "imports", "imported DLLs",
     replace_text(b"USER32.dll", b"GDI032.dll")),
    ("a TLS directory", "startup", "TLS directory", set_directory(release_check.DIR_TLS, 0x1000, 24)),
    ("a load configuration", "startup", "load configuration",
     set_directory(release_check.DIR_LOAD_CONFIG, 0x1000, 64)),
    ("wrong file version text", "version", "FileVersion",
     replace_text(utf16("0.80\0"), utf16("0.81\0"))),
    ("wrong internal name", "version", "InternalName",
     replace_text(utf16("skelvane\0"), utf16("skelvanf\0"))),
    ("wrong string table", "version", "040904E4",
     replace_text(utf16("040904E4"), utf16("040904B0"))),
    ("wrong code page", "version", "translations",
     replace_text(struct.pack("<HH", 0x0409, 1252), struct.pack("<HH", 0x0409, 1200))),
    ("a 256-colour icon", "icons", "16-colour", set_u16(first_icon_group_bits, 8)),
]


class ReleaseCheckTest(unittest.TestCase):
    def setUp(self):
        with open(PROGRAM, "rb") as program:
            self.data = bytearray(program.read())

    def test_built_program_passes_every_check(self):
        for check in release_check.CHECKS:
            with self.subTest(check=check):
                self.assertEqual(problems_of(self.data, check), [])

    def test_each_planted_fault_is_reported(self):
        for fault, check, words, plant in CASES:
            with self.subTest(fault=fault):
                data = bytearray(self.data)
                plant(data, release_check.Image(bytes(data)))
                problems = problems_of(data, check)
                self.assertTrue(any(words in p for p in problems),
                                "%s: %s reported %s" % (fault, check, problems))


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main(verbosity=1)
