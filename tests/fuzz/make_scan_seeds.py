#!/usr/bin/env python3
"""Writes the hand-made seeds of the scan fuzzer into corpus/scan.

The scan harness reads its input through FuzzedDataProvider: numbers are taken from the END of the input,
one byte for a small range and more, most significant first, for a larger one; texts are taken from the
START, a backslash followed by any other byte ending one early, two backslashes standing for one. Each seed
below is written as the harness asks for its parts: the date, the two settings, whether the file was found,
the records and the row limit. When the harness changes the order of what it asks for, change Seed.* to
match and run this again.

Usage: make_scan_seeds.py [directory]   (default: corpus/scan beside this script)
"""
import os
import sys

TEXT_END = b"\\|"


def days_in_month(month, year):
    if month == 2:
        leap = year % 4 == 0 and (year % 100 != 0 or year % 400 == 0)
        return 29 if leap else 28
    return 30 if month in (4, 6, 9, 11) else 31


def leading_zero_form(value, low, high):
    return value[:1] == "0" and value[1:].isdigit() and low <= int(value[1:]) <= high


class Seed:
    def __init__(self):
        self.front = bytearray()  # texts, in the order they are read
        self.back = bytearray()  # numbers, in the order they are read (reversed on output)
        self.today = None

    def integer(self, low, high, value):
        assert low <= value <= high, (low, high, value)
        span, count = high - low, 0
        while count < 8 and (span >> (8 * count)) > 0:
            count += 1
        offset = value - low
        for shift in reversed(range(count)):
            self.back.append((offset >> (8 * shift)) & 0xFF)

    def flag(self, value):
        self.integer(0, 255, 1 if value else 0)

    def probability(self, value):
        self.integer(0, 2**64 - 1, round(value * (2**64 - 1)))

    def text(self, value, max_length):
        raw = value.encode("utf-8") if isinstance(value, str) else value
        assert len(raw) <= max_length, value
        self.front += raw.replace(b"\\", b"\\\\")
        if len(raw) < max_length:
            self.front += TEXT_END

    def date(self, day, month, year):
        if year >= 9990:
            self.flag(True)
            self.integer(9990, 9999, year)
        else:
            self.flag(False)
            self.integer(100, 9999, year)
        if month == 2:
            self.flag(True)
        else:
            self.flag(False)
            self.integer(1, 12, month)
        self.integer(1, days_in_month(month, year), day)
        self.today = (day, month, year)

    # A setting is the usual value, a whole number of -2..40 (or such a number plus a fraction, given as a
    # pair), a whole number up to 40000, infinity or NaN: the harness's choices 12, 5, 2, 1 and 3.
    def setting(self, value):
        if value == "usual":
            self.integer(0, 63, 12)
        elif value == "infinity":
            self.integer(0, 63, 1)
        elif value == "nan":
            self.integer(0, 63, 3)
        elif isinstance(value, tuple):
            self.integer(0, 63, 5)
            self.integer(-2, 40, value[0])
            self.probability(value[1])
            self.flag(True)
        elif -2 <= value <= 40:
            self.integer(0, 63, 5)
            self.integer(-2, 40, value)
            self.probability(0)
            self.flag(False)
        else:
            self.integer(0, 63, 2)
            self.integer(-2, 40000, value)

    def file_found(self, found):
        self.probability(0 if found else 1)

    def records(self, records):
        self.integer(0, 40, len(records))
        for record in records:
            self.record(*record)

    # A record is (day, month, year, name). A day or month given as an int is written as the harness's
    # number; "0N" as its leading-zero form; any other text as a text field. "leap-day" and ("near", k)
    # stand for the harness's 29 February and today-plus-k records.
    def record(self, day, month, year, name):
        if day == "leap-day":
            self.integer(0, 3, 0)
        elif isinstance(day, tuple) and day[0] == "near":
            self.integer(0, 3, 1)
            self.integer(0, 3, day[1])
        else:
            self.integer(0, 3, 2)
            self.field(day, 0, 32)
            self.field(month, 0, 13)
        self.field(year, -50, 10000)
        self.text(name, 8)

    def field(self, value, low, high):
        if isinstance(value, int):
            self.integer(0, 3, 2)
            self.integer(low, high, value)
        elif isinstance(value, str) and leading_zero_form(value, low, high):
            self.integer(0, 3, 1)
            self.integer(low, high, int(value[1:]))
        else:
            self.integer(0, 3, 0)
            self.text(value, 12)

    def row_limit(self, limit):
        self.integer(0, 20, limit)

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


TODAY = (15, 6, 2026)
ANN = (15, 6, 1990, "Ann Lee")
TOMORROW = (16, 6, 1990, "Tomorrow")


def seed(records, today=TODAY, warn="usual", warn_days="usual", found=True, row_limit=20):
    s = Seed()
    s.date(*today)
    s.setting(warn)
    s.setting(warn_days)
    s.file_found(found)
    s.records(records)
    s.row_limit(row_limit)
    return s.bytes()


LEAP = ("leap-day", 0, 2000, "Leap")

SEEDS = {
    "birthday-today": seed([ANN]),
    "birthday-today-warning-off": seed([ANN], warn=0),
    "upcoming-within-warn-days": seed([ANN, (20, 6, 1980, "Too Late")], today=(10, 6, 2026)),
    "upcoming-on-last-warn-day": seed([ANN], today=(5, 6, 2026), warn_days=10),
    "near-today-records": seed([(("near", k), 0, 1990 + k, "Near%d" % k) for k in range(4)], warn_days=3),
    "year-end-wrap": seed([(2, 1, 2000, "Tom"), (31, 12, 1999, "Eve")], today=(30, 12, 2026)),
    "leap-day-in-common-year": seed([LEAP], today=(28, 2, 2027)),
    "leap-day-in-leap-year": seed([LEAP, (28, 2, 2001, "Eve")], today=(27, 2, 2028), warn_days=3),
    "leap-day-across-century": seed([LEAP], today=(27, 2, 2100), warn_days=4),
    "unknown-year-no-age": seed([(15, 6, "", "Ann"), (17, 6, "abc", "Bob")]),
    "year-zero-no-age": seed([(15, 6, 0, "Zero")]),
    "future-birth-year": seed([(15, 6, 2100, "Future"), (16, 6, 10000, "Far")]),
    "negative-birth-year": seed([(15, 6, -50, "Ancient")]),
    "leading-zero-fields": seed([("07", "03", "01990", "Zeros")], today=(7, 3, 2026)),
    "numbers-as-text": seed([(" 7", "&H3", "1.99e3", "Texty"), ("8.0", "3 ", "&O3675", "Octal")],
                            today=(7, 3, 2026)),
    "fractional-day-never-matches": seed([("7.5", 3, 1990, "Half")], today=(7, 3, 2026)),
    "warn-days-zero": seed([ANN, TOMORROW], warn_days=0),
    "warn-days-negative": seed([ANN, TOMORROW], warn_days=-2),
    "warn-days-fraction": seed([(16, 6, 1990, "Day1"), (17, 6, 1990, "Day2"), (18, 6, 1990, "Day3")],
                               warn_days=(2, 0.5)),
    "warn-two-is-not-on": seed([ANN, TOMORROW], warn=2),
    "warn-fraction-is-not-on": seed([TOMORROW], warn=(1, 0.25)),
    "warn-nan": seed([TOMORROW], warn="nan"),
    "warn-days-nan": seed([TOMORROW], warn_days="nan"),
    "warn-days-infinity-capped": seed([(2, 1, 1990, "Jan"), LEAP], today=(1, 1, 2026), warn_days="infinity"),
    "warn-days-past-cap": seed([(1, 1, 1990, "Jan")], today=(1, 1, 2026), warn_days=40000),
    "calendar-end": seed([(31, 12, 1999, "Last"), (1, 1, 2000, "Never")], today=(25, 12, 9999), warn_days=30),
    "calendar-last-day": seed([(31, 12, 9999, "Same")], today=(31, 12, 9999)),
    "file-not-found": seed([ANN], found=False),
    "no-records": seed([]),
    "row-limit-below-rows": seed([(15 + k % 10, 6, 1950 + k, "P%d" % k) for k in range(40)], warn_days=30,
                                 row_limit=5),
    "row-limit-zero": seed([ANN, (16, 6, 1991, "Bob")], row_limit=0),
    "same-day-several-records": seed([ANN, (15, 6, 1991, "Bob"), (16, 6, 1992, "Cy"), (16, 6, 1993, "Di")]),
    "day-and-month-out-of-range": seed([(0, 0, 1990, "Zero"), (32, 13, 1990, "Over")]),
    "name-with-backslash-and-utf8": seed([(15, 6, 1990, "A\\B"), (16, 6, 1990, "Zoë")]),
    "first-day-starts-with-bom": seed([(b"\xef\xbb\xbf15", 6, 1990, "Bom")]),
}

def main():
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "scan")
    directory = sys.argv[1] if len(sys.argv) > 1 else default
    os.makedirs(directory, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
