#!/usr/bin/env bash
# Installs what is missing, builds and runs every test:
#   ./test.sh             the normal build (build/), then the same suite under
#                         AddressSanitizer and UndefinedBehaviorSanitizer
#                         (build-sanitize/), then each fuzz harness for a
#                         bounded number of inputs (build-fuzz/, clang)
#   ./test.sh --quick     the normal build only
#   ./test.sh --sanitize  the sanitizer build only
#   ./test.sh --fuzz      the fuzz harnesses only
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-all}
case "$mode" in
    all|--quick|--sanitize|--fuzz) ;;
    *) echo "usage: ./test.sh [--quick|--sanitize|--fuzz]" >&2; exit 2 ;;
esac

if [ "$mode" = all ] || [ "$mode" = --fuzz ]; then
    scripts/install-deps.sh build fuzz
else
    scripts/install-deps.sh build
fi

normal() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j2
    ctest --test-dir build -j2 --output-on-failure
}

sanitize() {
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_SANITIZE=ON >/dev/null
    cmake --build build-sanitize -j2
    # Leaks inside Qt's and fontconfig's caches are not ours to fix: leak checking stays off.
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build-sanitize -j2 --output-on-failure
}

fuzz() {
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKELVO_FUZZ=ON >/dev/null
    cmake --build build-fuzz -j2
    ctest --test-dir build-fuzz -j2 --output-on-failure
}

case "$mode" in
    --quick) normal ;;
    --sanitize) sanitize ;;
    --fuzz) fuzz ;;
    all) normal && sanitize && fuzz ;;
esac
