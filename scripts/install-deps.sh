#!/usr/bin/env bash
# Installs what the builds, the tests, the demo and the benchmarks need, on
# Debian 12 as root. Quick when everything is already there.
set -euo pipefail

packages=(
  make cmake g++ googletest libgtest-dev python3
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine64 wine32:i386 qemu-user
  clang libclang-rt-14-dev clang-tidy clang-format cppcheck
  gnuplot-nox zip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q "${missing[@]}" >/dev/null
fi
