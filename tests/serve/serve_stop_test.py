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
import re
import signal
import socket
import sqlite3
import subprocess
import sys
import time

RECORDS = 30000


def fail(why, server=None):
    print(f"serve-stop-test: FAILED: {why}")
    if server is not None:
        for name in ("serve.out", "serve.err"):
            if os.path.exists(name):
                sys.stdout.write("".join(f"  {line}" for line in open(name, errors="replace")))
    sys.exit(1)


def measurement_file(native, path):
    lines = []
    for k in range(RECORDS):
        day, rest = divmod(k, 24 * 60)
        hour, minute = divmod(rest, 60)
        lines.append(f"mode=14 deviceNumber=7 date={1 + day % 28:02d}.{1 + day // 28 % 12:02d}.{2018 + day // 336} "
                     f"time={hour:02d}:{minute:02d}:00 bounds=44,62,86 eecRn={100 + k % 900} eecRnError=5\n")
    with open("upload.txt", "w") as out:
        out.writelines(lines)
    subprocess.run([os.path.join(native, "kvdgen"), "upload.txt", path], check=True)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    native, work, signame, program = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4:]
    program = [os.path.abspath(p) if os.path.exists(p) else p for p in program]
    os.makedirs(work, exist_ok=True)
    os.chdir(work)
    for name in os.listdir("."):
        os.remove(name)
    measurement_file(native, "upload.kvd")
    port = free_port()
    with open("serve.out", "w") as out, open("serve.err", "w") as err:
        server = subprocess.Popen(program + ["serve", "--no-open", "--port", str(port), "--archive", "archive.sqlite"],
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err)
    try:
        run(server, port, getattr(signal, "SIG" + signame))
    finally:
        if server.poll() is None:
            server.kill()
            server.wait()


def run(server, port, sig):
    token = None
    deadline = time.monotonic() + 60
    while token is None and time.monotonic() < deadline:
        found = re.search(rf"http://127\.0\.0\.1:{port}/\?token=([0-9a-f]{{64}})", open("serve.out").read())
        token = found and found.group(1)
        if server.poll() is not None:
            fail("kvd serve ended before it printed its address", server)
        time.sleep(0.2)
    if token is None:
        fail("no address printed within 60 s", server)

    def request(method, path, body=b"", headers=()):
        s = socket.create_connection(("127.0.0.1", port), timeout=120)
        head = [f"{method} {path} HTTP/1.1", f"Host: 127.0.0.1:{port}", f"Authorization: Bearer {token}",
                f"Content-Length: {len(body)}", "Connection: close", *headers, "", ""]
        s.sendall("\r\n".join(head).encode() + body)
        return s

    def answer(s):
        data = b""
        try:
            while chunk := s.recv(65536):
                data += chunk
        except OSError:
            pass  # the connection dropped: no whole answer
        s.close()
        status = int(data.split(b" ", 2)[1]) if data.startswith(b"HTTP/1.1 ") else 0
        return status, data.partition(b"\r\n\r\n")[2]

    status, body = answer(request("GET", "/api/session"))
    if status != 200:
        fail(f"GET /api/session is {status}", server)
    csrf = json.loads(body)["csrf"]

    boundary = "kvdstoptest"
    upload = (f"--{boundary}\r\nContent-Disposition: form-data; name=\"file\"; filename=\"upload.kvd\"\r\n"
              f"Content-Type: application/octet-stream\r\n\r\n").encode() + open("upload.kvd", "rb").read() + \
             f"\r\n--{boundary}--\r\n".encode()
    # The whole upload is sent before the signal: the request is in hand.
    s = request("POST", "/api/import", upload, [f"X-CSRF-Token: {csrf}", f"Origin: http://127.0.0.1:{port}",
                                                f"Content-Type: multipart/form-data; boundary={boundary}"])
    server.send_signal(sig)
    status, body = answer(s)
    try:
        code = server.wait(timeout=60)
    except subprocess.TimeoutExpired:
        fail(f"kvd serve still runs 60 s after SIG{sig.name[3:]}", server)
    if status != 200:
        fail(f"the import in hand was answered {status}, not 200: {body[:300]!r}", server)
    new = json.loads(body)["new"]
    if new != RECORDS:
        fail(f"the import in hand added {new} records, the file holds {RECORDS}", server)
    if code != 0:
        fail(f"kvd serve ended with exit code {code}", server)
    if "kvd serve: stopped" not in open("serve.out").read():
        fail("kvd serve did not say that it stopped", server)
    archive = sqlite3.connect("archive.sqlite")
    checked = archive.execute("PRAGMA integrity_check").fetchone()[0]
    stored = archive.execute("SELECT count(*) FROM records").fetchone()[0]
    if checked != "ok" or stored != RECORDS:
        fail(f"the archive after the stop: integrity {checked}, {stored} records of {RECORDS}")
    print(f"serve-stop-test: SIG{sig.name[3:]} during an import of {RECORDS} records: answered 200, "
          f"all {stored} stored, integrity ok, stopped with exit code 0")


main()
