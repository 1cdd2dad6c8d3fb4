#!/usr/bin/env bash
# Installs what is missing, checks the format, builds and runs every test:
#   ./test.sh             the format check (.clang-format over every C and C++
#                         file), the normal build (build/), then the same suite under
#                         AddressSanitizer and UndefinedBehaviorSanitizer
#                         (build-sanitize/), then each fuzz harness for a
#                         bounded number of inputs (build-fuzz/, clang)
#   ./test.sh --quick     the format check and the normal build only
#   ./test.sh --sanitize  the sanitizer build only
#   ./test.sh --fuzz      the fuzz harnesses only
# The library's and kelvo-admin's suites run on both engines: a throwaway
# PostgreSQL server (scripts/pg-server.sh) is started first and stopped at the
# end, whatever happens; if it cannot start, the suite fails.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:-all}
case "$mode" in
    all|--quick|--sanitize|--fuzz) ;;
    *) echo "usage: ./test.sh [--quick|--sanitize|--fuzz]" >&2; exit 2 ;;
esac

# "run" too: a test starts ./run.sh as a person would.
if [ "$mode" = all ] || [ "$mode" = --fuzz ]; then
    scripts/install-deps.sh build fuzz run
else
    scripts/install-deps.sh build run
fi

server_dir=
stop_server() {
    if [ -n "$server_dir" ]; then
        scripts/pg-server.sh stop "$server_dir" || true
        server_dir=
    fi
}
start_server() {
    server_dir=$(mktemp -d /tmp/kelvo-pg.XXXXXX)
    trap stop_server EXIT
    KELVO_TEST_POSTGRES=$(scripts/pg-server.sh start "$server_dir") || {
        echo "test.sh: the PostgreSQL test server cannot be started" >&2
        exit 1
    }
    export KELVO_TEST_POSTGRES
    echo "PostgreSQL test server: $KELVO_TEST_POSTGRES"
}

# Every C and C++ file as .clang-format lays it out (includes grouped and
# sorted too): a file that is not fails the run, and says where.
format_check() {
    local files
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        files=$(git ls-files '*.c' '*.cpp' '*.h')
    else
        files=$(find . -path ./build\* -prune -o \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
    fi
    echo "$files" | xargs clang-format --dry-run --Werror
}

# Each stage stops at its first failing step: called in an && list, a
# function runs without set -e, so a failed build would otherwise leave the
# tests to run the binaries of an earlier one.
normal() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build build -j2 &&
        ctest --test-dir build -j2 --output-on-failure
}

sanitize() {
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_SANITIZE=ON \
        >/dev/null &&
        cmake --build build-sanitize -j2 &&
        # Leaks inside Qt's and fontconfig's caches are not ours to fix: leak checking stays off.
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            ctest --test-dir build-sanitize -j2 --output-on-failure
}

fuzz() {
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKELVO_FUZZ=ON >/dev/null &&
        cmake --build build-fuzz -j2 &&
        ctest --test-dir build-fuzz -j2 --output-on-failure
}

if [ "$mode" != --fuzz ]; then
    start_server
fi

case "$mode" in
    --quick) format_check && normal ;;
    --sanitize) sanitize ;;
    --fuzz) fuzz ;;
    all) format_check && normal && sanitize && fuzz ;;
esac
