#!/bin/bash
# Builds Quorlix and runs every test: unit and session tests, the sanitizer
# build, the fuzz targets for a bounded time, a comparison with the
# reference model, a self-play soak, a real XBoard game, the Windows build's
# tests under wine, and the Debian package installed, played in XBoard and
# removed. Installs what a fresh Debian machine lacks. FUZZ_SECONDS sets
# each fuzz target's time. The first stage that fails stops the script with
# its status.
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -e /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v python3 >/dev/null || need+=(python3)
command -v valgrind >/dev/null || need+=(valgrind)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

stages=()
stage() { stages+=("$1"); echo "== $2"; }

stage release "release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2

stage sanitizers "AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORLIX_SANITIZE=ON >/dev/null
cmake --build build-sanitize
ctest --test-dir build-sanitize --output-on-failure -j2

stage memcheck "memcheck over a console game and an xboard game"
tests/memcheck.sh build

stage reference "comparison with the reference model"
python3 tests/reference/compare.py build/quorlix-tool --positions 40 --depth 3 --seed "$RANDOM"

stage fuzz "fuzz targets"
tests/fuzz/run.sh "${FUZZ_SECONDS:-45}"

stage soak "self-play soak"
python3 tests/soak.py build/quorlix --games 2 --seed "$RANDOM"

stage xboard "one game in XBoard"
bash tests/xboard_match.sh build/quorlix build/xboard-match

stage windows "the Windows build: its tests under wine, and its zip"
win_start=$SECONDS
win_need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || win_need+=(g++-mingw-w64-x86-64-posix)
# Debian's wine64 keeps its loader out of PATH unless the wine package is there.
command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || win_need+=(wine64)
if [ ${#win_need[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "${win_need[@]}"
fi
cmake --preset windows >/dev/null
cmake --build build-windows
cmake --build build-windows --target emulator-start
ctest --test-dir build-windows --output-on-failure -j2
version=$(sed -n 's/^project(quorlix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=quorlix-$version-win64.zip
(cd build-windows && rm -f "$zip" && cpack -G ZIP >/dev/null)
listing=$(cd build-windows && cmake -E tar tf "$zip" | LC_ALL=C sort | tr '\n' ' ')
if [ "$listing" != "README.txt quorlix-tool.exe quorlix.exe " ]; then
  echo "$zip holds: $listing" >&2
  exit 1
fi
echo "$zip: $listing"
echo "Windows stage: $((SECONDS - win_start)) s"

stage package "the Debian package: lintian, install, a game in XBoard, removal"
bash tests/package_check.sh build

# Reached only when every stage has passed: set -e stops at the first failure.
echo "== all ${#stages[@]} stages passed: ${stages[*]}"
