#!/usr/bin/env bash
# Runs every fuzz harness for a while (default 600 s each), one after another,
# on its seed corpus; new inputs land in build-fuzz/fuzz/found/<harness>.
# A crash leaves crash-* files here: turn each into a regression test.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

scripts/install-deps.sh build fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKELVO_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2

for pair in address_reader:address schedule_reader:schedule copy_text:copytext record_decoding:record \
    import_session:session vcard_reader:vcard event_mapping:event; do
    harness=${pair%%:*}
    corpus=${pair##*:}
    found=build-fuzz/fuzz/found/fuzz_$harness
    mkdir -p "$found"
    echo "== fuzz_$harness for $seconds s"
    build-fuzz/bin/fuzz_$harness -max_total_time="$seconds" -max_len=65536 -timeout=10 \
        -print_final_stats=1 "$found" "fuzz/corpus/$corpus" 2>&1 |
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb|.*ERROR)' || true
    build-fuzz/bin/fuzz_$harness -runs=0 "$found" "fuzz/corpus/$corpus" 2>&1 | grep -E 'INITED' || true
done
