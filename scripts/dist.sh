#!/usr/bin/env bash
# Builds the distribution: dist/skelvane-VERSION.zip holding the 32-bit
# program (the product) and its two companions, the same three built for
# 64-bit Windows under x64/, the README with the user guide and the example
# settings file, with SHA-256 checksums inside the zip and beside it. The
# files in the zip carry the last commit's time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
version=$(sed -n 's/^project(skelvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=skelvane-$version
programs=(skelvane skelvane-check skelvane-trace)
mkdir -p build dist

# Configures a preset in a directory of its own, with the companions, and
# builds the three programs only.
build() {
  local preset=$1 dir=$2
  cmake --preset "$preset" -B "$dir" -DSKELVANE_COMPANIONS=ON >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; exit 1; }
  cmake --build "$dir" -j "$(nproc)" --target "${programs[@]}" >"$dir.build.log" 2>&1 ||
    { cat "$dir.build.log"; exit 1; }
}
build win32 build/dist-win32
build win64 build/dist-win64

stage_root=build/dist-stage
stage=$stage_root/$name
rm -rf "$stage_root"
mkdir -p "$stage/x64" "$stage/examples"
for program in "${programs[@]}"; do
  cp "build/dist-win32/$program.exe" "$stage/"
  cp "build/dist-win64/$program.exe" "$stage/x64/"
done
cp README.md "$stage/"
cp examples/skelvane.ini "$stage/examples/"
(cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort | xargs sha256sum >../SHA256SUMS)
mv "$stage_root/SHA256SUMS" "$stage/"

stamp=$(git log -1 --format=%ct 2>/dev/null || date +%s)
find "$stage_root" -exec touch -h -d "@$stamp" {} +
rm -f "dist/$name.zip"
(cd "$stage_root" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q "$root/dist/$name.zip" -@)
(cd dist && sha256sum "$name.zip" >SHA256SUMS)

echo "dist/$name.zip:"
(cd "$stage" && find . -type f -printf '  %P (%s bytes)\n' | LC_ALL=C sort)
echo "dist/SHA256SUMS:"
sed 's/^/  /' dist/SHA256SUMS
