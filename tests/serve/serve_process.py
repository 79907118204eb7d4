"""kvd serve as a program for the tests that start it: in a folder of its
own, with the user's data folder (where a running server leaves its
address) inside the test's folder, on a port of 127.0.0.1 that it takes
itself and prints, asked over plain sockets as a script would. Every wait
is bounded."""
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


def tcp_queues():
    """{(local port, remote port): (send queue, receive queue)} of every TCP
    connection of 127.0.0.1, as the kernel holds them."""
    queues = {}
    with open("/proc/net/tcp") as table:
        for line in list(table)[1:]:
            fields = line.split()
            local, remote, sent_received = fields[1], fields[2], fields[4]
            if local.startswith("0100007F:") and remote.startswith("0100007F:"):
                sent, received = (int(n, 16) for n in sent_received.split(":"))
                queues[(int(local[9:], 16), int(remote[9:], 16))] = (sent, received)
    return queues


class Server:
    """`PROGRAM serve --no-open --archive ARCHIVE` started in `folder`: the
    port is one the server binds itself, known once it printed its address."""

    def __init__(self, program, folder, archive, data_home, name="serve"):
        self.port = None
        self.out = os.path.join(folder, name + ".out")
        self.err = os.path.join(folder, name + ".err")
        env = dict(os.environ, XDG_DATA_HOME=data_home)
        with open(self.out, "w") as out, open(self.err, "w") as err:
            self.process = subprocess.Popen(
                program + ["serve", "--no-open", "--archive", archive],
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

    def in_hand(self, s):
        """Waits until the server has read every byte sent on `s`: none left
        in the client's send queue, none in the server's receive queue (its
        end of the connection gone counts as read)."""
        ours, theirs = s.getsockname()[1], self.port
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            queues = tcp_queues()
            sent = queues.get((ours, theirs), (1, 0))[0]
            received = queues.get((theirs, ours), (0, 0))[1]
            if sent == 0 and received == 0:
                return s
            if self.process.poll() is not None:
                fail("kvd serve ended before it read the request", self)
            time.sleep(0.01)
        fail(f"the request was not read within {TIMEOUT} s", self)

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
