#!/usr/bin/env python3
"""Reads the protocols of a day recorded by the real program with Python's
csv module: every row must have its fields, and titles and module names with
commas and quotes must come back exactly as the windows had them.

    protocol_csv_check.py <record_sample_day executable>
"""
import csv
import glob
import os
import subprocess
import sys
import tempfile

DETAIL_HEADER = ["Datei", "Anwendung", "Bearbeitung Start", "Bearbeitung Ende", "Bearbeitungsdauer"]
STAT_HEADER = ["Datei", "Anwendung", "Zugriffe", "Bearbeitungszeit gesamt ", "Durchnittliche Bearbeitungszeit",
               "Maximale Bearbeitungszeit", "Minimale Bearbeitungszeit"]


def read_rows(path):
    with open(path, "rb") as raw:
        data = raw.read()
    assert b"\n" not in data.replace(b"\r\n", b""), f"{path}: a line end other than CR LF"
    with open(path, newline="", encoding="latin-1") as text:
        return list(csv.reader(text))


def main():
    with tempfile.TemporaryDirectory() as folder:
        run = subprocess.run([os.path.abspath(sys.argv[1])], cwd=folder, capture_output=True, text=True,
                             encoding="latin-1", check=True)
        titles = run.stdout.split("\n")[:-1]
        detail_path, = glob.glob(os.path.join(folder, "Protocols", "*", "*", "*_detail.csv"))
        stat_path, = glob.glob(os.path.join(folder, "Protocols", "*", "*", "*_stat.csv"))
        detail = read_rows(detail_path)
        stat = read_rows(stat_path)

    assert detail[0] == DETAIL_HEADER, detail[0]
    assert stat[0] == STAT_HEADER, stat[0]
    assert all(len(row) == 5 for row in detail), [row for row in detail if len(row) != 5]
    assert all(len(row) == 7 for row in stat), [row for row in stat if len(row) != 7]

    detail_titles = [row[0] for row in detail[1:]]
    for title in titles:
        assert title in detail_titles, f"not read back exactly: {title!r} among {detail_titles!r}"
    modules = {row[0]: row[1] for row in stat[1:]}
    assert modules["He said \"hi\", then left - Mail"] == "mail,\"odd\".exe", modules
    assert detail[1][0] == "Tracking started" and detail[1][1] == "-", detail[1]
    assert all(row[4] != "Error : checksum for this entry doesn't match" for row in detail[1:])
    print(f"{len(detail) - 1} detail rows and {len(stat) - 1} statistics rows read back exactly")


if __name__ == "__main__":
    main()
