#!/usr/bin/env bash
# python3-caldav against kelvo-dav on a throwaway groupware of the engine given.
#   tests/dav/CalDavClientTest.sh BUILD_DIR sqlite|postgresql
set -euo pipefail
. "$(dirname "$0")/DavSession.sh" "$1" "$2"
# Debian's modules load in Debian's Python, whatever comes first on the path.
/usr/bin/python3 "$(dirname "$0")/caldav_client.py" "$url" "$ca" "$build/bin/kelvo-admin" || {
    echo "--- kelvo-dav's log" >&2
    tail -40 "$dir/dav.log" >&2
    [ -z "${KEEP_DAV_LOG:-}" ] || cp "$dir/dav.log" "$KEEP_DAV_LOG"
    exit 1
}
