#!/usr/bin/env bash
# vdirsyncer (Debian's) syncs a person's calendar and address book both ways
# against kelvo-dav: the first sync, a change on each side, a deletion on each
# side and a conflict; khal and khard read what it wrote.
#   tests/dav/VdirsyncerTest.sh BUILD_DIR sqlite|postgresql
set -euo pipefail
. "$(dirname "$0")/DavSession.sh" "$1" "$2"
admin=$build/bin/kelvo-admin
phone=$dir/phone
mkdir -p "$phone/cal" "$phone/card" "$phone/status"
export VDIRSYNCER_CONFIG=$dir/vdirsyncer.conf
remote() {
    printf '[storage %s_remote]\ntype = "%s"\nurl = "%s"\nusername = "guest09"\npassword = "guest"\nverify = "%s"\n\n' \
        "$1" "$2" "$url" "$ca"
}
{
    printf '[general]\nstatus_path = "%s/status/"\n\n' "$phone"
    printf '[pair cal]\na = "cal_local"\nb = "cal_remote"\ncollections = ["schedule"]\nconflict_resolution = "a wins"\n\n'
    printf '[storage cal_local]\ntype = "filesystem"\npath = "%s/cal/"\nfileext = ".ics"\n\n' "$phone"
    remote cal caldav
    printf '[pair card]\na = "card_local"\nb = "card_remote"\ncollections = ["contacts"]\n\n'
    printf '[storage card_local]\ntype = "filesystem"\npath = "%s/card/"\nfileext = ".vcf"\n\n' "$phone"
    remote card carddav
} >"$VDIRSYNCER_CONFIG"

fail() {
    echo "FAILED: $*" >&2
    echo "--- kelvo-dav's log" >&2
    tail -30 "$dir/dav.log" >&2
    exit 1
}
sync() { vdirsyncer sync >"$dir/sync.log" 2>&1 || fail "vdirsyncer sync: $(cat "$dir/sync.log")"; }
schedules() { "$admin" dump schedules --owner guest09; }
addresses() { "$admin" dump addresses --owner guest09; }
event() {
    printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//phone//EN\r\nBEGIN:VEVENT\r\nUID:%s\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:%s\r\nDURATION:PT1H\r\nSUMMARY:%s\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' "$@"
}
put() { curl -sf --cacert "$ca" -u guest09:guest -T - "$url$1" >/dev/null; }

mkdir -p "$phone/cal/schedule" "$phone/card/contacts"
vdirsyncer discover </dev/null >"$dir/discover.log" 2>&1 || fail "discover: $(cat "$dir/discover.log")"
sync
events=$(ls "$phone/cal/schedule" | wc -l)
[ "$events" -eq "$(schedules | tail -n +2 | wc -l)" ] || fail "the first sync brought $events events"
[ "$(ls "$phone/card/contacts" | wc -l)" -gt 0 ] || fail "the first sync brought no contacts"

# The phone adds an event and a contact; the desk imports an event.
event phone-new 20270105T100000Z "電話の予定" >"$phone/cal/schedule/phone-new.ics"
printf 'BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-card\r\nFN:電話 太郎\r\nN:電話;太郎;;;\r\nTEL;TYPE=CELL:090-1111-2222\r\nEND:VCARD\r\n' \
    >"$phone/card/contacts/phone-card.vcf"
event desk-new 20270106T090000Z "机の予定" | "$admin" import schedules --owner guest09 --quiet /dev/stdin >/dev/null
sync
schedules | grep -q "電話の予定" || fail "the phone's event is not in the groupware"
addresses | grep -q "090-1111-2222" || fail "the phone's contact is not in the groupware"
grep -lq "机の予定" "$phone"/cal/schedule/*.ics || fail "the desk's import did not reach the phone"

# A change on each side.
sed -i 's/SUMMARY:電話の予定/SUMMARY:電話で変えた/' "$phone/cal/schedule/phone-new.ics"
event desk-new 20270106T090000Z "机で変えた" | put calendars/guest09/schedule/desk-new.ics
sync
schedules | grep -q "電話で変えた" || fail "the phone's change is not in the groupware"
grep -lq "机で変えた" "$phone"/cal/schedule/*.ics || fail "the groupware's change did not reach the phone"

# A conflict: both sides change the same event; the phone's wins, as configured.
sed -i 's/SUMMARY:電話で変えた/SUMMARY:電話が勝つ/' "$phone/cal/schedule/phone-new.ics"
event phone-new 20270105T100000Z "机は負ける" | put calendars/guest09/schedule/phone-new.ics
sync
schedules | grep -q "電話が勝つ" || fail "the conflict was not resolved for the phone"
! schedules | grep -q "机は負ける" || fail "the losing side's change stayed"

# A deletion on each side.
rm "$phone/cal/schedule/phone-new.ics"
desk_file=$(grep -l "机で変えた" "$phone"/cal/schedule/*.ics)
curl -sf --cacert "$ca" -u guest09:guest -X DELETE "${url}calendars/guest09/schedule/desk-new.ics" ||
    fail "the DELETE was refused"
sync
! schedules | grep -q "電話が勝つ" || fail "the phone's deletion did not remove the entry"
[ ! -e "$desk_file" ] || fail "the groupware's deletion did not reach the phone"
[ "$(ls "$phone/cal/schedule" | wc -l)" -eq "$events" ] || fail "the phone lost or kept events"

# What vdirsyncer wrote reads in khal and khard.
event khal-1 20270110T010000Z "khalで読む" >"$phone/cal/schedule/khal-1.ics"
sync
cat >"$dir/khal.conf" <<KHAL
[calendars]
[[schedule]]
path = $phone/cal/schedule
type = calendar
[locale]
local_timezone = UTC
default_timezone = UTC
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M
longdatetimeformat = %Y-%m-%d %H:%M
KHAL
khal -c "$dir/khal.conf" list 2027-01-10 2027-01-11 2>&1 | grep -q "khalで読む" ||
    fail "khal does not read the synced calendar: $(khal -c "$dir/khal.conf" list 2027-01-10 2027-01-11 2>&1)"
cat >"$dir/khard.conf" <<KHARD
[addressbooks]
[[contacts]]
path = $phone/card/contacts
[general]
default_action = list
KHARD
khard -c "$dir/khard.conf" list 2>&1 | grep -q "電話" ||
    fail "khard does not read the synced address book: $(khard -c "$dir/khard.conf" list 2>&1)"
echo "vdirsyncer synced both ways; khal and khard read it"
