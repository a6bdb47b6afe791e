#!/usr/bin/env python3
"""Reads a CSV file with Python's csv module and compares it with the rows
expected (a JSON array of arrays of strings, header first).

usage: csv_check.py FILE.csv EXPECTED.json --bom|--no-bom
Exit 0 when they agree; 1 with the first difference on stderr."""
import csv
import json
import sys


def main():
    path, expected_path, bom = sys.argv[1], sys.argv[2], sys.argv[3] == "--bom"
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xef\xbb\xbf") != bom:
        print("byte order mark %s" % ("missing" if bom else "unexpected"), file=sys.stderr)
        return 1
    text = raw.decode("utf-8-sig")
    rows = list(csv.reader(text.splitlines(keepends=True), strict=True))
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    if len(rows) != len(expected):
        print("%d rows read, %d expected" % (len(rows), len(expected)), file=sys.stderr)
        return 1
    for number, (got, want) in enumerate(zip(rows, expected)):
        if got != want:
            print("row %d: read %r, expected %r" % (number, got, want), file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
