#!/usr/bin/env python3
"""serve_stop_test.py NATIVE_BUILD WORK_DIR SIGNAL PROGRAM...: kvd serve
stopped by SIGNAL (INT for Ctrl+C, TERM) while it imports an upload. The
request in hand is finished and answered, the program says that it stopped
and ends with exit code 0, and the archive holds every record of the file,
whole (SQLite's integrity check, the native kvdgen's file read back by
count). PROGRAM is the native kvd, or Wine with kvd.exe, whose Ctrl+C Wine
turns into the console's CTRL_C_EVENT. Every wait is bounded."""
import json
import os
import signal
import sqlite3
import subprocess
import sys

from serve_process import Server, answer, fail, fresh_folder, program_arguments

RECORDS = 30000


def measurement_file(native, path):
    lines = []
    for k in range(RECORDS):
        day, rest = divmod(k, 24 * 60)
        hour, minute = divmod(rest, 60)
        lines.append(f"mode=14 deviceNumber=7 date={1 + day % 28:02d}.{1 + day // 28 % 12:02d}.{2018 + day // 336} "
                     f"time={hour:02d}:{minute:02d}:00 bounds=44,62,86 eecRn={100 + k % 900} eecRnError=5\n")
    with open(path + ".txt", "w") as out:
        out.writelines(lines)
    subprocess.run([os.path.join(native, "kvdgen"), path + ".txt", path], check=True)


def main():
    native, sig = os.path.abspath(sys.argv[1]), getattr(signal, "SIG" + sys.argv[3])
    program = program_arguments(sys.argv[4:])
    work = fresh_folder(sys.argv[2])
    upload_file = os.path.join(work, "upload.kvd")
    measurement_file(native, upload_file)
    server = Server(program, work, "archive.sqlite", work)
    try:
        run(server.wait_started(), upload_file, sig)
    finally:
        server.stop()
    archive = sqlite3.connect(os.path.join(work, "archive.sqlite"))
    checked = archive.execute("PRAGMA integrity_check").fetchone()[0]
    stored = archive.execute("SELECT count(*) FROM records").fetchone()[0]
    if checked != "ok" or stored != RECORDS:
        fail(f"the archive after the stop: integrity {checked}, {stored} records of {RECORDS}")
    print(f"serve-stop-test: SIG{sys.argv[3]} during an import of {RECORDS} records: answered 200, "
          f"all {stored} stored, integrity ok, stopped with exit code 0")


def run(server, upload_file, sig):
    status, body = answer(server.request("GET", "/api/session"))
    if status != 200:
        fail(f"GET /api/session is {status}", server)
    csrf = json.loads(body)["csrf"]

    boundary = "kvdstoptest"
    upload = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"file\"; filename=\"upload.kvd\"\r\n"
              f"Content-Type: application/octet-stream\r\n\r\n").encode() + open(upload_file, "rb").read() + \
        f"\r\n--{boundary}--\r\n".encode()
    # The signal comes once the server has read the whole upload: the
    # request is in hand.
    s = server.in_hand(server.change("/api/import", upload, csrf,
                                     [f"Content-Type: multipart/form-data; boundary={boundary}"]))
    server.process.send_signal(sig)
    status, body = answer(s)
    code = server.wait()
    if code is None:
        fail(f"kvd serve still runs 60 s after the signal", server)
    if status != 200:
        fail(f"the import in hand was answered {status}, not 200: {body[:300]!r}", server)
    if json.loads(body)["new"] != RECORDS:
        fail(f"the import in hand added {json.loads(body)['new']} records, the file holds {RECORDS}", server)
    if code != 0:
        fail(f"kvd serve ended with exit code {code}", server)
    if "kvd serve: stopped" not in server.output():
        fail("kvd serve did not say that it stopped", server)


main()
