#!/usr/bin/env bash
# kelvo-dav's cost, with a throwaway server on the loopback: a first sync of
# 10,000 schedules and of 5,000 addresses, an incremental sync after one
# change, and 20 people syncing at once. Prints each figure beside its target.
#   bench/DavBenchmark.sh [BUILD_DIR [sqlite|postgresql]]
# (postgresql: $KELVO_TEST_POSTGRES names the server, as ./test.sh starts it;
# scripts/pg-server.sh start DIR prints one.)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/dav/DavSession.sh" "$(cd "${1:-$here/../build}" && pwd)" "${2:-sqlite}"
admin=$build/bin/kelvo-admin
/usr/bin/python3 "$here/dav_benchmark.py" seed "$dir" >/dev/null
"$admin" import schedules --owner guest09 --quiet "$dir/schedules.ics" >/dev/null
"$admin" import addresses --owner guest09 --quiet "$dir/addresses.vcf" >/dev/null
for n in $(seq -w 1 20); do
    "$admin" user add "sync$n" --password "password-$n" >/dev/null
    "$admin" import schedules --owner "sync$n" --quiet "$dir/small.ics" >/dev/null
done
/usr/bin/python3 "$here/dav_benchmark.py" run "$url" "$ca"
