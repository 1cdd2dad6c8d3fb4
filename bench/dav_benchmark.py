"""The measurements of DavBenchmark.sh, with Debian's python3-requests:
  dav_benchmark.py seed DIR      writes the files the groupware is filled with
  dav_benchmark.py run URL CA    measures and prints"""
import statistics
import sys
import threading
import time

DAV = "DAV:"
CAL = "urn:ietf:params:xml:ns:caldav"


def event(uid, day, minute, title):
    return (f"BEGIN:VEVENT\r\nUID:{uid}\r\nDTSTAMP:20261201T000000Z\r\n"
            f"DTSTART:2027{1 + day // 28:02d}{1 + day % 28:02d}T{9 + minute // 60:02d}"
            f"{minute % 60:02d}00Z\r\nDURATION:PT30M\r\nSUMMARY:{title}\r\nEND:VEVENT\r\n")


def seed(folder):
    def calendar(path, count, prefix):
        with open(path, "w", encoding="utf-8") as out:
            out.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n")
            for i in range(count):
                out.write(event(f"{prefix}-{i}", i % 300, i % 480, f"会議 {i}"))
            out.write("END:VCALENDAR\r\n")
    calendar(f"{folder}/schedules.ics", 10000, "bench")
    calendar(f"{folder}/small.ics", 100, "small")
    with open(f"{folder}/addresses.vcf", "w", encoding="utf-8") as out:
        for i in range(5000):
            out.write(f"BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-{i}\r\nFN:山田 {i}\r\n"
                      f"N:山田;{i};;;\r\nORG:株式会社{i % 50}\r\nTEL:03-0000-{i:04d}\r\n"
                      f"EMAIL:p{i}@example.jp\r\nEND:VCARD\r\n")


def run(url, ca):
    import requests

    def session(user, password):
        s = requests.Session()
        s.auth = (user, password)
        s.verify = ca
        s.trust_env = False  # a CA bundle named in the environment would win over ca
        return s

    def report(s, path, body):
        answer = s.request("REPORT", url + path, data=body.encode(),
                           headers={"Depth": "1", "Content-Type": "application/xml"})
        assert answer.status_code == 207, answer.status_code
        return answer.text

    def sync(kind, token, data):
        data_prop = {"cal": "<c:calendar-data/>", "card": "<card:address-data/>"}[kind] if data else ""
        return (f'<d:sync-collection xmlns:d="DAV:" xmlns:c="{CAL}" '
                f'xmlns:card="urn:ietf:params:xml:ns:carddav"><d:sync-token>{token}</d:sync-token>'
                f'<d:sync-level>1</d:sync-level><d:prop><d:getetag/>{data_prop}</d:prop>'
                f'</d:sync-collection>')

    def token_of(text):
        return text.rsplit("<d:sync-token>", 1)[1].split("<", 1)[0]

    def timed(work):
        start = time.perf_counter()
        result = work()
        return time.perf_counter() - start, result

    me = session("guest09", "guest")
    calendar = "calendars/guest09/schedule/"
    book = "addressbooks/guest09/contacts/"
    report(me, calendar, sync("cal", "", False))  # signs in once

    print("kelvo-dav on the loopback (2 cores, client and server together)")
    for kind, path, count in (("cal", calendar, "10,000 schedules"),
                              ("card", book, "5,000 addresses")):
        seconds, text = timed(lambda: report(me, path, sync(kind, "", True)))
        objects = text.count("<d:response>")
        print(f"first sync of {count} (one sync-collection, with the texts): {seconds:.2f} s, "
              f"{objects} objects, {len(text) / 1e6:.1f} MB  (target: a few seconds)")
        # As a client without sync tokens does it: the ETags, then the texts 100 at a time.
        def etags_then_multiget():
            listing = me.request("PROPFIND", url + path, headers={"Depth": "1"},
                                 data=b'<d:propfind xmlns:d="DAV:"><d:prop><d:getetag/></d:prop>'
                                      b'</d:propfind>').text
            hrefs = [h.split("<", 1)[0] for h in listing.split("<d:href>")[2:]]
            element = "c:calendar-multiget" if kind == "cal" else "card:addressbook-multiget"
            data = "<c:calendar-data/>" if kind == "cal" else "<card:address-data/>"
            for at in range(0, len(hrefs), 100):
                body = (f'<{element} xmlns:d="DAV:" xmlns:c="{CAL}" '
                        f'xmlns:card="urn:ietf:params:xml:ns:carddav"><d:prop><d:getetag/>{data}'
                        f'</d:prop>' + "".join(f"<d:href>{h}</d:href>" for h in hrefs[at:at + 100])
                        + f"</{element}>")
                report(me, path, body)
            return len(hrefs)
        seconds, hrefs = timed(etags_then_multiget)
        print(f"first sync of {count} (PROPFIND of the ETags, then multigets of 100): "
              f"{seconds:.2f} s for {hrefs} objects")

    token = token_of(report(me, calendar, sync("cal", "", False)))
    times = []
    for round in range(10):
        changed = ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n"
                   + event("bench-7", 7, 7, f"変更 {round}") + "END:VCALENDAR\r\n")
        answer = me.put(url + calendar + "bench-7.ics", data=changed.encode())
        assert answer.status_code in (201, 204), answer.status_code
        seconds, text = timed(lambda: report(me, calendar, sync("cal", token, True)))
        assert text.count("<d:response>") == 1, text.count("<d:response>")
        token = token_of(text)
        times.append(seconds)
    print(f"incremental sync after one change, among 10,000 (one sync-collection bringing only "
          f"it): median {statistics.median(times) * 1000:.0f} ms, worst {max(times) * 1000:.0f} ms"
          f"  (target: well under 100 ms)")

    latencies = []
    lock = threading.Lock()
    stop = time.monotonic() + 10

    def person(n):
        s = session(f"sync{n:02d}", f"password-{n:02d}")
        own = f"calendars/sync{n:02d}/schedule/"
        mine = token_of(report(s, own, sync("cal", "", True)))
        while time.monotonic() < stop:
            seconds, text = timed(lambda: report(s, own, sync("cal", mine, True)))
            with lock:
                latencies.append(seconds)
    threads = [threading.Thread(target=person, args=(n,)) for n in range(1, 21)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    latencies.sort()
    print(f"20 people syncing at once for 10 s (each a calendar of 100, one request after "
          f"another): {len(latencies) / 10:.0f} requests/s, median "
          f"{statistics.median(latencies) * 1000:.0f} ms, 95th percentile "
          f"{latencies[int(len(latencies) * 0.95)] * 1000:.0f} ms  (target: every person "
          f"answered; a phone syncs every few minutes)")


if __name__ == "__main__":
    seed(sys.argv[2]) if sys.argv[1] == "seed" else run(sys.argv[2], sys.argv[3])
