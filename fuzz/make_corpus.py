#!/usr/bin/env python3
"""Writes the kept seed corpora of the fuzz targets: the unit tests' cases,
in each target's input layout. Run from anywhere; rewrites fuzz/corpus/."""

import pathlib

HERE = pathlib.Path(__file__).resolve().parent

# startup_fuzzer: options, module path and command line, separated by zero
# bytes. Options "0" fetches the module path, "1" makes the fetch fail; the
# bytes after the first are the lead bytes.
MODULE = "C:\\Setup\\skelvane.exe"
LONG_DIR = "C:\\" + "d" * 100 + "\\"
STARTUP = {
    "no-tail": ("0", MODULE, MODULE),
    "quoted-name-no-tail": ("0", MODULE, '"C:\\Program Files\\Setup\\skelvane.exe"'),
    "quoted-name-glued-tail": ("0", MODULE, '"C:\\dir\\prog.exe"other.ini'),
    "quoted-name-unclosed": ("0", MODULE, '"C:\\dir\\prog.exe other.ini'),
    "drive": ("0", MODULE, "skelvane.exe D:"),
    "directory": ("0", MODULE, "skelvane.exe C:\\Setup Files\\"),
    "full-path": ("0", MODULE, "skelvane.exe C:\\cfg\\list.txt"),
    "plain-name": ("0", MODULE, "skelvane.exe other.ini"),
    "one-colon": ("0", MODULE, "skelvane.exe :"),
    "one-backslash": ("0", MODULE, "skelvane.exe \\"),
    "leading-backslash-only": ("0", MODULE, "skelvane.exe \\other.ini"),
    "quoted-tail-trailing-blanks": ("0", MODULE, 'skelvane.exe "C:\\a b\\"  '),
    "blanks-and-controls": ("0", MODULE, "skelvane.exe \t\x01\x1f\x20other.ini"),
    "line-starts-blank": ("0", MODULE, " other.ini"),
    "high-bytes-unquoted": ("0", MODULE, "C:\\\xe9t\xe9\\prog.exe\xa0x other.ini"),
    "lead-byte-before-quote": ("0\x81\x82", MODULE, '"C:\\\x81"dir\\prog.exe" tail.ini'),
    "lead-byte-at-end": ("0\x81", MODULE, '"C:\\prog\x81'),
    "module-no-backslash": ("0", "skelvane.exe", "skelvane.exe"),
    "module-backslash-first-only": ("0", "\\skelvane.exe", "skelvane.exe"),
    "module-fails-plain-name": ("1", MODULE, "skelvane.exe other.ini"),
    "module-fails-full-path": ("1", MODULE, "skelvane.exe C:\\cfg\\list.ini"),
    "module-empty": ("0", "", "skelvane.exe"),
    "module-131": ("0", "C:\\" + "m" * (131 - 9) + "\\a.exe", "skelvane.exe"),
    "module-132": ("0", "C:\\" + "m" * (132 - 9) + "\\a.exe", "skelvane.exe"),
    "module-300": ("0", "C:\\" + "m" * 290 + "\\a.exe", "skelvane.exe"),
    "module-300-full-path": ("0", "C:\\" + "m" * 290 + "\\a.exe", "x C:\\cfg\\list.ini"),
    "composed-131": ("0", LONG_DIR + "a.exe", "x " + "n" * (131 - len(LONG_DIR))),
    "composed-132": ("0", LONG_DIR + "a.exe", "x " + "n" * (132 - len(LONG_DIR))),
    "tail-131": ("0", MODULE, "x C:\\" + "t" * 128),
    "tail-132": ("0", MODULE, "x C:\\" + "t" * 129),
    "directory-tail-over": ("0", MODULE, "x C:\\" + "t" * 118 + "\\"),
    "drive-tail-over": ("0", MODULE, "x " + "t" * 118 + ":"),
}

# run_fuzzer: the settings file's text.
LONGEST = "HKEY_USERS\\" + "k" * (131 - len("HKEY_USERS\\"))
RUN = {
    "basic-trace": "[skelvane]\r\ndebug=1\r\ndel1=HKEY_LOCAL_MACHINE\\Software\\Old\r\n"
    "del2=hkey_current_user\\Software\\Old\\Sub\r\ndel3=HKEY_CLASSES_ROOT\\.old\r\n",
    "no-trace": "[skelvane]\ndel1=HKEY_USERS\\S-1-5\\Old\n",
    "debug-forms": "[skelvane]\ndebug=0x10\ndel1=HKEY_USERS\\A\n",
    "debug-zero": "[skelvane]\ndebug=0\ndel1=HKEY_USERS\\A\n",
    "gap": "[skelvane]\ndebug=1\ndel1=HKEY_USERS\\A\ndel3=HKEY_USERS\\C\n",
    "prefix-blanks-quotes-bracket": "[skelvane]\ndebug=1\n"
    'del1=  "[HKEY_USERS\\S-1\\Soft]"\ndel2=\'x HKEY_CURRENT_USER\\Q\'\n',
    "h-in-prefix": "[skelvane]\ndebug=1\ndel1=xh HKEY_USERS\\A\ndel2=HKEY_USERS\\B\n",
    "no-h": "[skelvane]\ndebug=1\ndel1=software\\x\n",
    "no-backslash": "[skelvane]\ndebug=1\ndel1=HKEY_USERS\n",
    "empty-subkey": "[skelvane]\ndebug=1\ndel1=HKEY_LOCAL_MACHINE\\\ndel2=HKEY_USERS\\A\n",
    "nested": "[skelvane]\ndebug=1\ndel1=HKEY_LOCAL_MACHINE\\Software\\A\\B\\C\\\\D\\\n",
    "unknown-root": "[skelvane]\ndebug=1\ndel1=HKEY_LOCAL_MACHINE\\A\ndel2=HKLM\\B\n"
    "del3= HKEY_USERS\\C\ndel4=HKEY_USERS \\D\ndel5=HKEY_USERS\\E\n",
    "exactly-131": "[skelvane]\ndebug=1\ndel1=" + LONGEST + "\n",
    "longer-than-131": "[skelvane]\ndebug=1\ndel1=HKEY_USERS\\A\ndel2=" + LONGEST + "x\\y\n"
    "del3=HKEY_USERS\\C\n",
    "code-page-1252": "[skelvane]\ndebug=1\ndel1=hkey_users\\\xe9t\xe9\xff\x9a\xf7\n",
    "same-key-twice": "[skelvane]\ndebug=1\ndel1=HKEY_USERS\\Twice\ndel2=hkey_users\\twice\n",
    "sections": "[other]\ndel1=HKEY_USERS\\No\n[SKELVANE]\nDEBUG=1\nDel1=HKEY_USERS\\Yes\n"
    "del1=HKEY_USERS\\Second\n[skelvane]\ndel2=HKEY_USERS\\Later\n",
    "control-bytes": "[skelvane]\ndebug=1\ndel1=HKEY_USERS\\a\x01\x7f\tb\x00c\ndel2=\x00\n",
    "no-section": "debug=1\ndel1=HKEY_USERS\\A\n",
    "empty": "",
    "many-entries": "[skelvane]\ndebug=1\n"
    + "".join("del%d=HKEY_USERS\\K%d\n" % (n, n) for n in range(1, 2001)),
}


def write(target, seeds, encode):
    folder = HERE / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.iterdir():
        old.unlink()
    for name, seed in seeds.items():
        (folder / name).write_bytes(encode(seed))


def latin1(text):
    return text.encode("latin-1")


write("startup_fuzzer", STARTUP, lambda pieces: latin1("\0".join(pieces)))
write("run_fuzzer", RUN, latin1)
