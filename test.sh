#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   ./test.sh              the normal build, in build/
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh build

build_dir=build
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" -j2 --output-on-failure
