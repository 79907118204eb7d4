"""kvd serve as a program for the tests that start it: in a folder of its
own, with the user's data folder (where a running server leaves its
address) inside the test's folder, on a free port of 127.0.0.1, asked over
plain sockets as a script would. Every wait is bounded."""
import os
import re
import socket
import subprocess
import sys
import time

TIMEOUT = 120


def fail(why, *servers):
    print(f"{os.path.basename(sys.argv[0])}: FAILED: {why}")
    for server in servers:
        for name in (server.out, server.err):
            if os.path.exists(name):
                sys.stdout.write("".join(f"  {line}" for line in open(name, errors="replace")))
    sys.exit(1)


def program_arguments(arguments):
    """PROGRAM... from the command line, files made absolute."""
    return [os.path.abspath(a) if os.path.exists(a) else a for a in arguments]


def fresh_folder(folder):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isdir(path):
            fresh_folder(path)
            os.rmdir(path)
        else:
            os.remove(path)
    return os.path.abspath(folder)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    """`PROGRAM serve --no-open --port P --archive ARCHIVE` started in `folder`."""

    def __init__(self, program, folder, archive, data_home, name="serve"):
        self.port = free_port()
        self.out = os.path.join(folder, name + ".out")
        self.err = os.path.join(folder, name + ".err")
        env = dict(os.environ, XDG_DATA_HOME=data_home)
        with open(self.out, "w") as out, open(self.err, "w") as err:
            self.process = subprocess.Popen(
                program + ["serve", "--no-open", "--port", str(self.port), "--archive", archive],
                cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.token = None

    def output(self):
        return open(self.out, errors="replace").read().replace("\r", "")

    def address(self):
        """The address and token it printed: (port, token), once it printed them."""
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            found = re.search(r"http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]{64})", self.output())
            if found:
                return int(found.group(1)), found.group(2)
            if self.process.poll() is not None:
                fail("kvd serve ended before it printed an address", self)
            time.sleep(0.2)
        fail("no address printed within 60 s", self)

    def wait_started(self):
        self.port, self.token = self.address()
        return self

    def request(self, method, path, body=b"", headers=()):
        """Sends the whole request; the answer is read by answer()."""
        s = socket.create_connection(("127.0.0.1", self.port), timeout=TIMEOUT)
        head = [f"{method} {path} HTTP/1.1", f"Host: 127.0.0.1:{self.port}", f"Authorization: Bearer {self.token}",
                f"Content-Length: {len(body)}", "Connection: close", *headers, "", ""]
        s.sendall("\r\n".join(head).encode() + body)
        return s

    def change(self, path, body, csrf, headers=()):
        return self.request("POST", path, body, [f"X-CSRF-Token: {csrf}", f"Origin: http://127.0.0.1:{self.port}",
                                                  *headers])

    def wait(self, seconds=60):
        try:
            return self.process.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def answer(s):
    """(status, body) of the answer; status 0 when the connection dropped."""
    data = b""
    try:
        while chunk := s.recv(65536):
            data += chunk
    except OSError:
        pass  # the connection dropped: no whole answer
    s.close()
    status = int(data.split(b" ", 2)[1]) if data.startswith(b"HTTP/1.1 ") else 0
    return status, data.partition(b"\r\n\r\n")[2]
