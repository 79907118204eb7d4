#!/usr/bin/env python3
"""serve_second_start_test.py WORK_DIR PROGRAM...: a second kvd serve for
the archive that one serves already opens that one (its address and token,
exit code 0, no second server), also when named from another folder; the
same file name in another folder is another archive and gets a server of
its own. Both servers stop on the page's Quit."""
import json
import os
import sys

from serve_process import Server, answer, fail, fresh_folder, program_arguments


def main():
    program = program_arguments(sys.argv[2:])
    work = fresh_folder(sys.argv[1])
    first_folder, other_folder = (os.path.join(work, name) for name in ("a", "b"))
    for folder in (first_folder, other_folder):
        os.makedirs(os.path.join(folder, "sub"))
    servers = []
    try:
        first = Server(program, first_folder, "lab.sqlite", work, "first")
        servers.append(first)
        first.wait_started()

        again = Server(program, os.path.join(first_folder, "sub"), os.path.join("..", "lab.sqlite"), work, "again")
        servers.append(again)
        if again.wait(60) != 0:
            fail("the second start for the same archive did not end with exit code 0", again)
        if "already running" not in again.output() or again.address() != (first.port, first.token):
            fail("the second start did not give the running server's address and token", again)

        other = Server(program, other_folder, "lab.sqlite", work, "other")
        servers.append(other)
        other.wait_started()
        if (other.port, other.token) == (first.port, first.token) or "already running" in other.output():
            fail("lab.sqlite of another folder was taken for the running one", other)

        for server in (first, other):
            status, body = answer(server.request("GET", "/api/session"))
            if status != 200:
                fail(f"GET /api/session is {status}", server)
            status, _ = answer(server.change("/api/quit", b"{}", json.loads(body)["csrf"],
                                             ["Content-Type: application/json"]))
            if status != 200 or server.wait() != 0:
                fail("the Quit did not stop the server with exit code 0", server)
    finally:
        for server in servers:
            server.stop()
    print("serve-second-start-test: the same archive opened the running server, another folder's got its own")


main()
