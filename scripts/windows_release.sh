#!/usr/bin/env bash
# Builds vordel.exe (mingw-w64, build-win/), installs it with the README and
# the examples into dist/vordel-win64/ and zips that folder. Prints the zip's
# size and the DLLs the program imports; fails when one is not the system's.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${VORDEL_WIN_BUILD:-build-win}
dist=dist/vordel-win64
objdump=x86_64-w64-mingw32-objdump

if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target vordel
rm -rf "$dist" "$dist.zip"
cmake --install "$build" --prefix "$dist" --strip >/dev/null
(cd "$(dirname "$dist")" && python3 -m zipfile -c "$(basename "$dist").zip" "$(basename "$dist")")

echo "release: $dist.zip, $(stat -c %s "$dist.zip") bytes (vordel.exe $(stat -c %s "$dist/vordel.exe") bytes)"
dlls=$("$objdump" -p "$dist/vordel.exe" | sed -n 's/^\s*DLL Name: //p' | sort -u)
echo "DLLs imported: $(echo $dlls)"
# Every one of these ships with Windows itself.
system_dlls=" KERNEL32.dll msvcrt.dll USER32.dll ADVAPI32.dll WS2_32.dll WINMM.dll SETUPAPI.dll "
for dll in $dlls; do
  case "$system_dlls" in
    *" $dll "*) ;;
    *) echo "release: $dll is not a system DLL" >&2; exit 1 ;;
  esac
done
