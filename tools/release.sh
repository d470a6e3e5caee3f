#!/usr/bin/env bash
# Builds both programs in release mode and packs the zip a Windows user
# receives: dist/Startwart-XP-<version>.zip with Merotan.exe (64-bit),
# 32-Bit/Merotan.exe, Liesmich.txt and SHA256SUMS.txt. The same commit gives
# the same bytes: the build date, the programs and the zip's entries all
# take their time from the commit (SOURCE_DATE_EPOCH, when set, instead).
#
# SW_RELEASE_BUILD and SW_RELEASE_DIST choose other build and output
# folders (the reproducibility test builds twice, side by side).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tools/install-deps.sh

build=${SW_RELEASE_BUILD:-$root/build/release}
dist=${SW_RELEASE_DIST:-$root/dist}
jobs=${SW_JOBS:-$(nproc)}
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "release.sh: no commit to take the date from; set SOURCE_DATE_EPOCH" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH

for arch in x86_64 i686; do
  cmake -S "$root" -B "$build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DSW_TESTS=OFF -DSW_BENCHMARKS=OFF >/dev/null
  cmake --build "$build/$arch" -j "$jobs" --target Merotan >/dev/null
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/x86_64/CMakeCache.txt")
mkdir -p "$dist"
python3 tools/release_zip.py --epoch "$SOURCE_DATE_EPOCH" --liesmich resources/Liesmich.txt \
        --program "$build/x86_64/Merotan.exe" --program32 "$build/i686/Merotan.exe" \
        --out "$dist/Startwart-XP-$version.zip"
