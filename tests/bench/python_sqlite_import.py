#!/usr/bin/python3
"""The yardstick of the archive's import: what a scientist would write with
Python's sqlite3 module to keep every record of a measurement file once,
with what it means, in a table that any SQL tool reads.

    python_sqlite_import.py FILE [--known COPY] [--runs N]

The benchmarks run it (BM_PythonYardstick) on the very files they import
with kvd, so both are timed in the same run on the same machine.

Per import, in one transaction (WAL journal, synchronous FULL, as the
archive; every other setting left at Python's and SQLite's defaults):
- one row in `imports`: path, absolute path, size, SHA-256 of the file,
  time, user, host and the counts of records, new and known ones;
- per new record one row in `stored_records`: its SHA-256 (unique), its 688
  bytes, the import and index it came first in, and every column of the
  archive's view `records` from `date_time` to `window_sum4`, decoded here
  with `struct` from the record's fixed offsets: the date and time as a
  timestamp text (NULL when it is no calendar date), the mode, its name, the
  record browser's value, error and unit, the 36 stored fields (the
  temperature as the signed low byte, humidity and cycle count their low
  byte, the five coefficients as the shortest decimal of the single-precision
  value, NULL for NaN and the infinities) and the sums of the spectrum
  windows; with the archive's indexes on it;
- where the file's records were seen, as the archive keeps them: in
  `sighting_runs` (import, first index, first record, records), WITHOUT
  ROWID, with an index by record, one row per run of consecutive indexes
  that are consecutive records, at most 4,096 long.
Records already stored (by their SHA-256) are looked up and not decoded
again. Inserts go through executemany.

It prints the median wall-clock seconds of N runs (3 by default) of a new
database importing FILE and, with --known, of COPY imported into a database
that holds FILE already (every record known), as `name seconds` lines.
"""
import argparse
import datetime
import functools
import getpass
import hashlib
import os
import socket
import sqlite3
import statistics
import struct
import tempfile
import time

RECORD = 688

# (column, struct format, offset) of the named fields, in file order.
FIELDS = [
    ("device_number", "I", 4), ("mode_code", "H", 8), ("year", "H", 10), ("month", "H", 12),
    ("day", "H", 14), ("hour", "H", 16), ("minute", "H", 18), ("second", "H", 20),
    ("delay_time", "H", 22), ("measurement_time", "H", 26), ("pulse_count", "H", 28),
    ("count_n1", "H", 30), ("count_n2", "H", 32), ("count_n3", "H", 34), ("pumping_time", "H", 36),
    ("temperature", "H", 38), ("humidity", "H", 40), ("pressure", "H", 42),
    ("window_bound1", "H", 44), ("window_bound2", "H", 46), ("window_bound3", "H", 48),
    ("cycle_count", "H", 62), ("primary_result", "I", 580), ("primary_error", "I", 584),
    ("integral_result", "I", 588), ("integral_error", "I", 592), ("eec_rn", "I", 604),
    ("eec_rn_error", "I", 608), ("eec_tn", "I", 616), ("eec_tn_error", "I", 620),
    ("variant_flag", "B", 630), ("ca", "f", 640), ("cb", "f", 644), ("cc", "f", 648),
    ("kv", "f", 652), ("fd", "f", 656),
]
SPECTRUM = struct.Struct("<256H")
SPECTRUM_AT = 68

# Offsets are not back to back: the fields are read one struct each, the
# coefficients as their bits.
FIELD_STRUCTS = [(struct.Struct("<" + ("I" if f == "f" else f)), at) for _, f, at in FIELDS]

MODE_NAMES = {
    1: "CRn 20 estimate", 2: "CRn 20", 3: "Integral 1 CRn", 4: "CRn channel background",
    5: "Radon in water", 6: "Radon flux", 7: "EEC channel background", 10: "EEC with manual settings",
    12: "CRn 20 without blower (wb)", 13: "CRn 60 without blower (wb)", 14: "EEC  - 5", 15: "EEC  - 2",
    18: "Radon in air", 19: "Radon in soil", 20: "EEC Thoron", 21: "Integral 2 CRn", 22: "EEC  - 10",
    23: "Integral EEC", 24: "CTn", 25: "CRn with manual settings", 26: "CRn 60",
}
EEC_MODES = {7, 14, 15, 20, 22, 23}
MANUAL_MODES = {10, 25}
VIEWER_MODES = {1, 2, 3, 4, 5, 6, 7, 10, 12, 13, 14, 15, 18, 19, 20, 21, 22, 24, 25, 26}
THREE_BOUNDARY_MODES = {7, 10, 14, 15, 20, 22}
LAST_WINDOW_SKIPS_255 = {7, 21, 24}

COLUMNS = (["digest", "raw", "first_import_id", "first_index", "date_time", "mode", "mode_name", "value",
            "error", "unit"] + [name for name, _, _ in FIELDS] + [f"window_sum{w}" for w in range(1, 5)])


@functools.lru_cache(maxsize=65536)
def shortest(bits):
    """The single-precision value of these bits as the shortest decimal that
    reads back as it, or None for NaN and the infinities."""
    f = struct.unpack("<f", struct.pack("<I", bits))[0]
    if f != f or f in (float("inf"), float("-inf")):
        return None
    for digits in range(1, 10):
        text = f"{f:.{digits}g}"
        if struct.unpack("<f", struct.pack("<f", float(text)))[0] == f:
            return float(text)
    return f


def date_time(y, mo, d, h, mi, s):
    try:
        datetime.datetime(y, mo, d, h, mi, s)
    except ValueError:
        return None
    return f"{y:04d}-{mo:02d}-{d:02d} {h:02d}:{mi:02d}:{s:02d}"


def list_value(mode, f):
    """The record browser's value, error and unit (f: the fields by name)."""
    if mode in MANUAL_MODES:
        return f["pulse_count"], None, "pulses"
    if mode in EEC_MODES:
        if mode == 7:
            return shortest(f["ca"]), None, "Bq/m3"
        if mode == 20:
            v, e = f["primary_result"], f["primary_error"]
            if struct.unpack("<i", struct.pack("<I", v))[0] < 5:
                return struct.unpack("<i", struct.pack("<I", v))[0] / 10, None, "Bq/m3"
            return (v / 10 if v <= 90 else v // 10), e, "Bq/m3"
        return f["eec_rn"], f["eec_rn_error"], "Bq/m3"
    unit = "mBq/(s\u00b7m2)" if mode == 6 else "Bq/m3"
    if mode == 21:
        return f["integral_result"], f["integral_error"], unit
    if mode == 3:
        return f["primary_result"], f["primary_result"] * 20 // 100, unit
    return f["primary_result"], f["primary_error"], unit


def window_sums(mode, bounds, spectrum):
    if mode not in VIEWER_MODES:
        return [None] * 4
    count = 3 if mode in THREE_BOUNDARY_MODES else 2
    sums = []
    for w in range(count + 1):
        begin = 18 if w == 0 else bounds[w - 1] + 1
        end = (255 if mode in LAST_WINDOW_SKIPS_255 else 256) if w == count else bounds[w]
        sums.append(sum(spectrum[begin:min(end, 256)]))
    return sums + [None] * (4 - len(sums))


def decode(raw, digest, import_id, index):
    values = [s.unpack_from(raw, at)[0] for s, at in FIELD_STRUCTS]
    f = dict(zip((name for name, _, _ in FIELDS), values))
    mode = f["mode_code"]
    value, error, unit = list_value(mode, f)
    f["temperature"] = struct.unpack("<b", bytes([f["temperature"] & 0xFF]))[0]
    f["humidity"] &= 0xFF
    f["cycle_count"] &= 0xFF
    for name in ("ca", "cb", "cc", "kv", "fd"):
        f[name] = shortest(f[name])
    spectrum = SPECTRUM.unpack_from(raw, SPECTRUM_AT)
    bounds = (f["window_bound1"], f["window_bound2"], f["window_bound3"])
    return ([digest, raw, import_id, index,
             date_time(f["year"], f["month"], f["day"], f["hour"], f["minute"], f["second"]),
             mode, MODE_NAMES.get(mode, "???"), value, error, unit]
            + [f[name] for name, _, _ in FIELDS] + window_sums(mode, bounds, spectrum))


# SQLite keeps 9.0 as 9 in a NUMERIC column, as the archive's value does.
TYPES = {"digest": " BLOB NOT NULL UNIQUE", "value": " NUMERIC", "error": " NUMERIC"}
SCHEMA = f"""
CREATE TABLE imports (import_id INTEGER PRIMARY KEY, path TEXT NOT NULL, absolute_path TEXT NOT NULL,
  size INTEGER NOT NULL, sha256 TEXT NOT NULL, imported_at TEXT NOT NULL, user_name TEXT NOT NULL,
  host TEXT NOT NULL, records INTEGER, new_records INTEGER, known_records INTEGER,
  UNIQUE (sha256, absolute_path));
CREATE TABLE stored_records (record_id INTEGER PRIMARY KEY, point_id INTEGER,
  {", ".join(c + TYPES.get(c, "") for c in COLUMNS)});
CREATE INDEX stored_records_device_time ON stored_records (device_number, date_time);
CREATE INDEX stored_records_time ON stored_records (date_time);
CREATE INDEX stored_records_point ON stored_records (point_id);
CREATE INDEX stored_records_value ON stored_records (value);
CREATE INDEX stored_records_mode_time ON stored_records (mode, date_time);
CREATE INDEX stored_records_point_time ON stored_records (point_id, date_time);
CREATE TABLE sighting_runs (import_id INTEGER NOT NULL, first_index INTEGER NOT NULL, record_id INTEGER NOT NULL,
  records INTEGER NOT NULL, PRIMARY KEY (import_id, first_index)) WITHOUT ROWID;
CREATE INDEX sighting_runs_record ON sighting_runs (record_id);
"""
MAX_RUN = 4096
INSERT_RECORD = f"INSERT INTO stored_records ({', '.join(COLUMNS)}) VALUES ({', '.join('?' * len(COLUMNS))})"


def import_file(db, path):
    with open(path, "rb") as f:
        data = f.read()
    whole = len(data) - len(data) % RECORD
    records = [data[i:i + RECORD] for i in range(0, whole, RECORD)]
    digests = [hashlib.sha256(r).digest() for r in records]
    with db:
        import_id = db.execute(
            "INSERT INTO imports (path, absolute_path, size, sha256, imported_at, user_name, host) "
            "VALUES (?, ?, ?, ?, ?, ?, ?)",
            (path, os.path.abspath(path), len(data), hashlib.sha256(data).hexdigest(),
             datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S"), getpass.getuser(),
             socket.gethostname())).lastrowid
        ids = {}
        for at in range(0, len(digests), 500):
            chunk = digests[at:at + 500]
            ids.update(db.execute(f"SELECT digest, record_id FROM stored_records WHERE digest IN "
                                  f"({', '.join('?' * len(chunk))})", chunk).fetchall())
        fresh, seen = [], set()
        for index, (raw, digest) in enumerate(zip(records, digests)):
            if digest not in ids and digest not in seen:
                seen.add(digest)
                fresh.append(decode(raw, digest, import_id, index))
        db.executemany(INSERT_RECORD, fresh)
        if fresh:
            ids.update(db.execute("SELECT digest, record_id FROM stored_records WHERE first_import_id = ?",
                                  (import_id,)).fetchall())
        runs = []
        for index, d in enumerate(digests):
            run = runs[-1] if runs else None
            if run and run[3] < MAX_RUN and run[2] + run[3] == ids[d]:
                run[3] += 1
            else:
                runs.append([import_id, index, ids[d], 1])
        db.executemany("INSERT INTO sighting_runs VALUES (?, ?, ?, ?)", runs)
        db.execute("UPDATE imports SET records = ?, new_records = ?, known_records = ? WHERE import_id = ?",
                   (len(records), len(fresh), len(records) - len(fresh), import_id))
    return len(fresh)


def open_database(folder):
    db = sqlite3.connect(os.path.join(folder, "archive.sqlite"))
    db.execute("PRAGMA journal_mode=WAL")
    db.execute("PRAGMA synchronous=FULL")
    db.executescript(SCHEMA)
    return db


def timed(db, path):
    start = time.perf_counter()
    import_file(db, path)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file")
    parser.add_argument("--known")
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    new, known = [], []
    for _ in range(args.runs):
        with tempfile.TemporaryDirectory() as folder:
            db = open_database(folder)
            new.append(timed(db, args.file))
            if args.known:
                known.append(timed(db, args.known))
            db.close()
    print(f"new {statistics.median(new):.4f}")
    if known:
        print(f"known {statistics.median(known):.4f}")


if __name__ == "__main__":
    main()
