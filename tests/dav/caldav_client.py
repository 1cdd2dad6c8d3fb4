"""python3-caldav (Debian's) against kelvo-dav: discovery, time-range
queries, PUT and DELETE, sync tokens, and what the groupware itself sees of
it (kelvo-admin). Run by CalDavClientTest.sh: URL CA KELVO_ADMIN."""
import datetime
import subprocess
import sys

import caldav
import requests
from caldav.lib import error

url, ca, admin = sys.argv[1:4]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what, file=sys.stderr)


def groupware(*arguments):
    return subprocess.run([admin, *arguments], capture_output=True, text=True, check=True).stdout


def event(uid, start, summary, extra=""):
    return ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//a phone//EN\r\nBEGIN:VEVENT\r\n"
            f"UID:{uid}\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:{start}\r\n"
            f"DURATION:PT1H\r\nSUMMARY:{summary}\r\n{extra}END:VEVENT\r\nEND:VCALENDAR\r\n")


# Discovery as phones do it: the well-known address, then the principal.
moved = requests.request("PROPFIND", url.replace("/dav/", "/.well-known/caldav"), verify=ca,
                         auth=("guest09", "guest"), allow_redirects=False)
check(moved.status_code == 301 and moved.headers["Location"] == "/dav/", "well-known redirect")
client = caldav.DAVClient(url=url, username="guest09", password="guest", ssl_verify_cert=ca)
calendars = {c.name: c for c in client.principal().calendars()}
check(sorted(calendars) == ["スケジュール", "公開スケジュール"], "the calendars, named")
calendar = calendars["スケジュール"]
demo = len(calendar.events())
check(demo > 0, "the demo's schedules are there")

# A phone's event, with a property the record has no field for.
calendar.save_event(event("phone-1", "20270105T100000Z", "電話で追加", "X-PHONE-COLOR:blue\r\n"))
got = calendar.event_by_uid("phone-1").data
check("SUMMARY:電話で追加" in got and "X-PHONE-COLOR:blue" in got, "what the phone sent comes back")
check("電話で追加" in groupware("dump", "schedules", "--owner", "guest09"),
      "the groupware holds the phone's event")
inside = calendar.search(start=datetime.datetime(2027, 1, 5), end=datetime.datetime(2027, 1, 6),
                         event=True)
check([e.url.path for e in inside] == ["/dav/calendars/guest09/schedule/phone-1.ics"],
      "a time range finds the event")
check(calendar.search(start=datetime.datetime(2031, 1, 1), end=datetime.datetime(2031, 2, 1),
                      event=True) == [], "a time range without events finds none")
# A multiget naming its object by the whole URL, as some clients do.
whole = requests.request("REPORT", calendar.url, verify=ca, auth=("guest09", "guest"),
                         data=f'<c:calendar-multiget xmlns:c="urn:ietf:params:xml:ns:caldav" '
                              f'xmlns:d="DAV:"><d:prop><c:calendar-data/></d:prop><d:href>'
                              f'{calendar.url}phone-1.ics</d:href></c:calendar-multiget>')
check("電話で追加" in whole.text, "a multiget by the whole URL")

# Sync tokens: only what changed since, a removal as gone.
synced = calendar.objects_by_sync_token(load_objects=False)
check(len(list(synced)) == demo + 1, "a first sync brings everything")
changed = calendar.event_by_uid("phone-1")
changed.icalendar_component["summary"] = "変更した"
changed.save()
since = calendar.objects_by_sync_token(sync_token=synced.sync_token, load_objects=True)
check([(o.url.path, "変更した" in o.data) for o in since] ==
      [("/dav/calendars/guest09/schedule/phone-1.ics", True)], "a sync brings only the change")
subprocess.run([admin, "import", "schedules", "--owner", "guest09", "--quiet", "/dev/stdin"],
               input=event("desk-1", "20270106T090000Z", "机で追加"), text=True, check=True,
               capture_output=True)
since = calendar.objects_by_sync_token(sync_token=since.sync_token, load_objects=True)
check([o.url.path for o in since] == ["/dav/calendars/guest09/schedule/desk-1.ics"],
      "an import at the desk reaches the phone's next sync")
calendar.event_by_uid("phone-1").delete()
check("変更した" not in groupware("dump", "schedules", "--owner", "guest09"),
      "a deletion removes the entry")
since = calendar.objects_by_sync_token(sync_token=since.sync_token, load_objects=False)
check([o.url.path for o in since] == ["/dav/calendars/guest09/schedule/phone-1.ics"],
      "a sync names the deleted event")
stale = requests.request("REPORT", calendar.url, verify=ca, auth=("guest09", "guest"),
                         data='<d:sync-collection xmlns:d="DAV:"><d:sync-token>urn:kelvo:sync:0'
                              '</d:sync-token><d:prop><d:getetag/></d:prop></d:sync-collection>')
check(stale.status_code == 403 and "valid-sync-token" in stale.text, "an unknown token is refused")

# What the phone did is recorded, and can be taken back at the desk.
records = groupware("imports", "--owner", "guest09")
check(records.count("dav:/dav/calendars/guest09/schedule/phone-1.ics") == 2,
      "each PUT is recorded as an import")
check(records.count("(delete") == 1, "a replaced object is one record, the DELETE another")
last_delete = [line.split("\t")[0] for line in records.splitlines() if "(delete" in line][-1]
groupware("import", "undo", last_delete)
check("変更した" in groupware("dump", "schedules", "--owner", "guest09"),
      "a deletion from the phone is taken back")

# If-Match: a stale ETag changes nothing.
stale_put = requests.put(url + "calendars/guest09/schedule/desk-1.ics", verify=ca,
                         auth=("guest09", "guest"), headers={"If-Match": '"stale"'},
                         data=event("desk-1", "20270106T090000Z", "上書き").encode())
check(stale_put.status_code == 412, "a stale If-Match is refused")
check("上書き" not in groupware("dump", "schedules", "--owner", "guest09"),
      "a refused PUT stores nothing")
# A replacement that cannot be stored (a calendar without an event) loses nothing.
empty = requests.put(url + "calendars/guest09/schedule/desk-1.ics", verify=ca,
                     auth=("guest09", "guest"),
                     data=b"BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n")
check(empty.status_code == 400 and "机で追加" in groupware("dump", "schedules", "--owner", "guest09"),
      "a replacement not stored keeps what was there")

# Every person's public schedules, and none of their private ones, read only.
public = "".join(e.data for e in calendars["公開スケジュール"].events())
check("週次報告" in public and "顧客打ち合わせ" not in public, "the public schedules only")
try:
    calendars["公開スケジュール"].save_event(event("pub-1", "20270107T100000Z", "公開へ"))
    check(False, "the public schedules are read only")
except error.DAVError:
    pass

# Another person sees only their own.
yamada = caldav.DAVClient(url=url, username="山田太郎".encode(), password=b"yamada",
                          ssl_verify_cert=ca)
theirs = [c for c in yamada.principal().calendars() if c.name == "スケジュール"][0]
check(all("机で追加" not in e.data for e in theirs.events()), "no one else's events")
try:
    caldav.Calendar(client=yamada, url=calendar.url).events()
    check(False, "another person's calendar is refused")
except error.DAVError:
    pass
try:
    caldav.DAVClient(url=url, username="guest09", password="wrong",
                     ssl_verify_cert=ca).principal()
    check(False, "a wrong password is refused")
except error.AuthorizationError:
    pass

print("ok" if not failures else f"{len(failures)} failed")
sys.exit(1 if failures else 0)
