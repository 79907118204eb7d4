#!/usr/bin/python3
"""The yardstick of the archive's import: what a scientist would write with
Python's sqlite3 module to keep each record of a measurement file once.

Run by hand, after the benchmarks (which leave their 65,535-record file in
build/native/archive-bench/):

    build/native/benchmarks --benchmark_filter=ImportIntoNewArchive/sqlite
    /usr/bin/python3 tests/bench/python_sqlite_import.py build/native/archive-bench/download.kvd

It reads the file in 688-byte records, keys each by the SHA-256 of its bytes,
and inserts them with executemany into a new SQLite database in one
transaction (WAL journal, as the archive), then imports the same file again,
every record known; it prints the wall-clock seconds of both, best of three.
Unlike the archive it keeps no decoded columns, no sightings and no file
facts, so it does less work than `kvd archive import`.
"""
import hashlib
import os
import sqlite3
import sys
import tempfile
import time

RECORD = 688


def records(path):
    with open(path, "rb") as f:
        data = f.read()
    whole = len(data) - len(data) % RECORD
    return [data[i:i + RECORD] for i in range(0, whole, RECORD)]


def import_file(db, recs):
    with db:
        db.executemany("INSERT OR IGNORE INTO stored_records(digest, bytes) VALUES (?, ?)",
                       ((hashlib.sha256(r).digest(), r) for r in recs))


def main():
    path = sys.argv[1]
    best_new = best_known = float("inf")
    for _ in range(3):
        with tempfile.TemporaryDirectory() as folder:
            db = sqlite3.connect(os.path.join(folder, "archive.sqlite"))
            db.execute("PRAGMA journal_mode=WAL")
            db.execute("CREATE TABLE stored_records(id INTEGER PRIMARY KEY, digest BLOB UNIQUE NOT NULL, bytes BLOB NOT NULL)")
            start = time.perf_counter()
            import_file(db, records(path))
            best_new = min(best_new, time.perf_counter() - start)
            start = time.perf_counter()
            import_file(db, records(path))
            best_known = min(best_known, time.perf_counter() - start)
            db.close()
    print(f"new archive: {best_new:.3f} s, again (every record known): {best_known:.3f} s")


if __name__ == "__main__":
    main()
