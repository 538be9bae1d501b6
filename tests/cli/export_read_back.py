#!/usr/bin/env python3
"""Reads candlewatcher's --export back with python3-icalendar, as another calendar program would.

Usage: export_read_back.py <candlewatcher executable>
"""
import datetime
import os
import subprocess
import sys
import tempfile

import icalendar

RECORDS = [
    # day, month, year, name (bytes as stored), expected start, summary, last day of February
    (b"6", b"12", b"1990", b"Lee, Ann; \\o/", datetime.date(1990, 12, 6), "Lee, Ann; \\o/'s birthday (born 1990)", False),
    (b"07", b"1", b"", b"Jos\xe9 \x80", datetime.date(2000, 1, 7), "Jos\u00e9 \u20ac's birthday", False),
    (b"29", b"2", b"1996", b"Zo\xc3\xab", datetime.date(1996, 2, 29), "Zo\u00eb's birthday (born 1996)", True),
    (b"29", b"2", b"0", b"Leap", datetime.date(2000, 2, 29), "Leap's birthday", True),
    (b"31", b"4", b"1990", b"Left out", None, None, False),
]


def main():
    executable = sys.argv[1]
    with tempfile.TemporaryDirectory() as data:
        with open(os.path.join(data, "birthday.dat"), "wb") as f:
            for day, month, year, name, *_ in RECORDS:
                f.write(b"\r\n".join([day, month, year, name]) + b"\r\n")
        out = os.path.join(data, "birthdays.ics")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env["XDG_CONFIG_HOME"] = os.path.join(data, "config")
        run = subprocess.run([executable, "--data-dir", data, "--export", out], env=env,
                             capture_output=True, timeout=60)
        assert run.returncode == 0, run
        assert run.stderr == b"candlewatcher: --export: 1 record left out: no calendar date\n", run.stderr
        with open(out, "rb") as f:
            calendar = icalendar.Calendar.from_ical(f.read())

    assert str(calendar["VERSION"]) == "2.0"
    assert str(calendar["PRODID"]).startswith("-//Candlewatcher//")
    events = calendar.walk("VEVENT")
    expected = [r for r in RECORDS if r[4] is not None]
    assert len(events) == len(expected), f"{len(events)} events, {len(expected)} expected"
    assert len({str(e["UID"]) for e in events}) == len(events), "UIDs repeat"
    for event, (*_, start, summary, last_of_february) in zip(events, expected):
        dtstart = event.decoded("DTSTART")
        assert type(dtstart) is datetime.date and dtstart == start, (dtstart, start)
        assert str(event["SUMMARY"]) == summary, (str(event["SUMMARY"]), summary)
        assert str(event["TRANSP"]) == "TRANSPARENT"
        assert event.decoded("DTSTAMP").tzinfo is not None, "DTSTAMP must be UTC"
        rule = {key: list(value) for key, value in event["RRULE"].items()}
        want = {"FREQ": ["YEARLY"]}
        if last_of_february:
            want.update({"BYMONTH": [2], "BYMONTHDAY": [-1]})
        assert rule == want, (rule, want)
    print(f"{len(events)} passed, 0 failed")


if __name__ == "__main__":
    main()
