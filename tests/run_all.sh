#!/bin/bash
# Builds Quorlix and runs every test: unit and session tests, the sanitizer
# build, the fuzz targets for a bounded time, a self-play soak, and a real
# XBoard game. Installs what a fresh Debian machine lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v ninja >/dev/null || need+=(ninja-build)
command -v g++ >/dev/null || need+=(g++)
[ -e /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v python3 >/dev/null || need+=(python3)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi

echo "== release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2
