#!/usr/bin/env bash
# What an attacker with curl gets from kelvo-dav: nothing without the right
# password, nothing of another person's whatever the path says, no plain
# HTTP, and a bounded answer to oversized, malformed or hostile requests.
#   tests/dav/AttackTest.sh BUILD_DIR sqlite|postgresql
set -euo pipefail
# Sessions check their password on every request here (a minute, as served).
export KELVO_DAV_CHECK_SECONDS=0
. "$(dirname "$0")/DavSession.sh" "$1" "$2"
admin=$build/bin/kelvo-admin
# 山田太郎 percent-encoded, and a title of theirs that must never be seen.
yamada=%E5%B1%B1%E7%94%B0%E5%A4%AA%E9%83%8E
secret=$("$admin" dump schedules --owner 山田太郎 | tail -n +2 | head -1 | cut -f2)
[ -n "$secret" ] || { echo "the demo gave 山田太郎 no schedules" >&2; exit 1; }
failed=0
# expect STATUS WHAT curl-arguments...: the status, and none of the secret.
expect() {
    local status=$1 what=$2
    shift 2
    local got
    got=$(curl -s --max-time 20 --cacert "$ca" -o "$dir/body" -w "%{http_code}" "$@" || true)
    if [ "$got" != "$status" ] || grep -q "$secret" "$dir/body" 2>/dev/null; then
        echo "FAILED: $what: status $got (expected $status)$(grep -q "$secret" "$dir/body" && echo ", another person's entry in the answer")" >&2
        failed=1
    fi
}
me=(-u guest09:guest)
propfind=(-X PROPFIND -H "Depth: 1" --data '<d:propfind xmlns:d="DAV:"><d:allprop/></d:propfind>')

expect 401 "no credentials" "${propfind[@]}" "${url}calendars/guest09/schedule/"
for password in wrong Guest guest0 ""; do
    expect 401 "wrong password \"$password\"" -u "guest09:$password" "${propfind[@]}" "${url}"
done
expect 401 "an unknown person" -u "nobody:guest" "${propfind[@]}" "$url"
expect 401 "another person's name with one's own password" -u "山田太郎:guest" "${propfind[@]}" "$url"
expect 000 "plain HTTP on the HTTPS port" "${me[@]}" "http://localhost:${url#https://localhost:}"

# Another person's collections, however the path reaches them.
for path in "calendars/$yamada/schedule/" "addressbooks/$yamada/contacts/" "principals/$yamada/" \
    "calendars/$yamada/" "calendars/山田太郎/schedule/"; do
    expect 403 "PROPFIND $path" "${me[@]}" "${propfind[@]}" "$url$path"
    expect 403 "REPORT $path" "${me[@]}" -X REPORT --data \
        '<c:calendar-query xmlns:c="urn:ietf:params:xml:ns:caldav" xmlns:d="DAV:"><d:prop><c:calendar-data/></d:prop></c:calendar-query>' \
        "$url$path"
done
expect 403 "PUT into another's calendar" "${me[@]}" -T /dev/null "${url}calendars/$yamada/schedule/x.ics"
expect 403 "DELETE in another's calendar" "${me[@]}" -X DELETE "${url}calendars/$yamada/schedule/x.ics"
for trick in "calendars/guest09/../$yamada/schedule/" "calendars/guest09/%2e%2e/$yamada/schedule/" \
    "calendars/guest09%2F..%2F$yamada/schedule/" "calendars/guest09/schedule/%00" \
    "calendars//guest09/schedule/" "calendars/guest09/schedule/../../$yamada/schedule/"; do
    code=$(curl -s --path-as-is --cacert "$ca" "${me[@]}" "${propfind[@]}" -o "$dir/body" \
        -w "%{http_code}" "$url$trick")
    if [ "$code" = 207 ] || grep -q "$secret" "$dir/body"; then
        echo "FAILED: the path $trick answered $code" >&2
        failed=1
    fi
done
# A multiget naming another person's objects gets none of them.
expect 207 "multiget of another's hrefs" "${me[@]}" -X REPORT --data \
    "<c:calendar-multiget xmlns:c=\"urn:ietf:params:xml:ns:caldav\" xmlns:d=\"DAV:\"><d:prop><c:calendar-data/></d:prop><d:href>/dav/calendars/$yamada/schedule/x.ics</d:href><d:href>/dav/calendars/guest09/schedule/../../$yamada/schedule/y.ics</d:href></c:calendar-multiget>" \
    "${url}calendars/guest09/schedule/"
grep -q "calendar-data" "$dir/body" && { echo "FAILED: a multiget gave data" >&2; failed=1; }

# The public address book is read only for people.
card='BEGIN:VCARD\r\nVERSION:3.0\r\nUID:pub\r\nFN:x\r\nN:x;;;;\r\nEND:VCARD\r\n'
printf "$card" >"$dir/card.vcf"
expect 403 "PUT into the public address book" "${me[@]}" -T "$dir/card.vcf" \
    "${url}addressbooks/guest09/public/pub.vcf"
expect 403 "DELETE in the public address book" "${me[@]}" -X DELETE \
    "${url}addressbooks/guest09/public/pub.vcf"

# Oversized, malformed and hostile bodies.
head -c 5000000 /dev/zero | tr '\0' 'a' >"$dir/big"
expect 413 "a body over the bound" "${me[@]}" -T "$dir/big" "${url}calendars/guest09/schedule/big.ics"
expect 413 "a body over the bound, announced by no length" "${me[@]}" -H "Transfer-Encoding: chunked" \
    -T - "${url}calendars/guest09/schedule/big.ics" <"$dir/big"
expect 400 "malformed XML" "${me[@]}" -X PROPFIND --data '<d:propfind xmlns:d="DAV:"><d:prop>' "$url"
expect 400 "a PROPFIND that is no PROPFIND" "${me[@]}" -X PROPFIND --data '<x/>' "$url"
expect 207 "an external entity" "${me[@]}" -X PROPFIND --data \
    '<?xml version="1.0"?><!DOCTYPE d [<!ENTITY e SYSTEM "file:///etc/passwd">]><d:propfind xmlns:d="DAV:"><d:prop><d:displayname>&e;</d:displayname></d:prop></d:propfind>' \
    "${url}principals/guest09/"
grep -q "root:" "$dir/body" && { echo "FAILED: a file's text in the answer" >&2; failed=1; }
laughs='<?xml version="1.0"?><!DOCTYPE d [<!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">'
for i in b c d e f g h i j; do
    prev=$(printf '%s' "$laughs" | sed -n 's/.*ENTITY \([a-z]\) .*/\1/p' | tail -c 2)
    laughs="$laughs<!ENTITY $i \"$(printf "&$prev;%.0s" 1 2 3 4 5 6 7 8 9 10)\">"
done
laughs="$laughs]><d:propfind xmlns:d=\"DAV:\"><d:prop><d:x>&j;</d:x></d:prop></d:propfind>"
code=$(curl -s --max-time 20 --cacert "$ca" "${me[@]}" -X PROPFIND --data "$laughs" -o "$dir/body" \
    -w "%{http_code}" "$url" || true)
[ "$code" != 000 ] && [ "$(stat -c %s "$dir/body")" -lt 100000 ] ||
    { echo "FAILED: nested entities answered $code with $(stat -c %s "$dir/body") bytes" >&2; failed=1; }
expect 415 "a PUT that is no calendar" "${me[@]}" -T "$dir/card.vcf" "${url}calendars/guest09/schedule/c.ics"

# The server still answers its person after all of it.
expect 207 "a person's own calendar" "${me[@]}" "${propfind[@]}" "${url}calendars/guest09/schedule/"
kill -0 "$server_pid" || { echo "FAILED: kelvo-dav is gone" >&2; failed=1; }

# A changed password ends the session; so does a disabled person.
printf 'new-password-1\n' | "$admin" user passwd guest09 >/dev/null
expect 401 "the old password after a change" "${me[@]}" "${propfind[@]}" "$url"
expect 207 "the new password" -u guest09:new-password-1 "${propfind[@]}" "$url"
"$admin" user disable guest09 >/dev/null
expect 401 "a disabled person" -u guest09:new-password-1 "${propfind[@]}" "$url"
[ "$failed" -eq 0 ] || { tail -40 "$dir/dav.log" >&2; exit 1; }
echo "nothing given away"
