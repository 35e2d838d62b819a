#!/usr/bin/env bash
# Lets this x86_64 machine start 32-bit Linux programs, such as the 32-bit
# Wine loader, through qemu's user-mode emulator: mounts binfmt_misc when it
# is not mounted and registers /usr/bin/qemu-i386 for i386 ELF executables.
# Safe to run again; needs root the first time.
set -euo pipefail
binfmt=/proc/sys/fs/binfmt_misc
emulator=/usr/bin/qemu-i386

[ -x "$emulator" ] || { echo "setup-wine32: $emulator is missing (install qemu-user)" >&2; exit 1; }
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi
[ "$(cat "$binfmt/status")" = enabled ] || echo 1 >"$binfmt/status"

# An entry of the same name, from a distribution package or an earlier run,
# is kept as it is; only a disabled one is switched on.
if [ ! -e "$binfmt/qemu-i386" ]; then
  # ELF, 32-bit, little-endian, version 1, any OS ABI; type executable or
  # shared object (the mask folds 2 and 3); machine 3 (i386). No flags: qemu
  # receives the program's full path as its first argument.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':qemu-i386:M::%s:%s:%s:' "$magic" "$mask" "$emulator" >"$binfmt/register"
fi
grep -qx enabled "$binfmt/qemu-i386" || echo 1 >"$binfmt/qemu-i386"
