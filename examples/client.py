#!/usr/bin/env python3
"""A wirepanel client in Python, standard library only.

The Panel class is the part to copy: it starts wirepanel on two FIFOs,
sends commands (escaping their data) and reads feedback lines (unescaping
their payload). Below it, a small form: the script follows what the user
enters from the feedback lines alone, and prints the record as JSON when
the user presses Submit.

usage: client.py
  WIREPANEL  the program to run (default: wirepanel, found on PATH)
  AUTOPLAY   if set, fill in the form and submit it by itself
"""
import errno
import json
import os
import re
import select
import subprocess
import tempfile
import time
from pathlib import Path


class Panel:
    """A running wirepanel, talked to through two FIFOs."""

    def __init__(self, ui, wirepanel=None, timeout=10):
        self.dir = tempfile.TemporaryDirectory(prefix="wirepanel-")
        self.in_path = os.path.join(self.dir.name, "in")
        self.out_path = os.path.join(self.dir.name, "out")
        # Made here, so that both exist before wirepanel runs; it takes
        # them over and removes them when it exits.
        os.mkfifo(self.in_path, 0o600)
        os.mkfifo(self.out_path, 0o600)
        program = wirepanel or os.environ.get("WIREPANEL", "wirepanel")
        self.proc = subprocess.Popen([program, "-u", str(ui), "-i", self.in_path,
                                      "-o", self.out_path], stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL)
        self.rfd = os.open(self.out_path, os.O_RDONLY | os.O_NONBLOCK)
        self.wfd = self._open_writer(timeout)
        self.buffer = b""

    def _open_writer(self, timeout):
        # Opening a FIFO for writing fails until someone has it open for
        # reading: wait for wirepanel, but not for ever.
        deadline = time.monotonic() + timeout
        while True:
            try:
                fd = os.open(self.in_path, os.O_WRONLY | os.O_NONBLOCK)
                os.set_blocking(fd, True)
                return fd
            except OSError as error:
                if error.errno != errno.ENXIO or self.proc.poll() is not None \
                        or time.monotonic() > deadline:
                    raise RuntimeError("wirepanel did not start") from error
                time.sleep(0.02)

    def send(self, widget, action, data=""):
        """One command. A backslash or newline in the data is escaped."""
        data = str(data).replace("\\", "\\\\").replace("\n", "\\n")
        os.write(self.wfd, ("%s:%s %s\n" % (widget, action, data)).encode())

    def read(self, timeout=None):
        """The next feedback line as (id, tag, payload); None when wirepanel
        has exited, TimeoutError when nothing came in time."""
        while b"\n" not in self.buffer:
            ready, _, _ = select.select([self.rfd], [], [], timeout)
            if not ready:
                raise TimeoutError("no feedback line")
            chunk = os.read(self.rfd, 4096)
            if not chunk:
                return None
            self.buffer += chunk
        raw, self.buffer = self.buffer.split(b"\n", 1)
        head, _, payload = raw.decode("utf-8", "replace").partition(" ")
        widget, _, tag = head.partition(":")
        return widget, tag, unescape(payload)

    def ping(self, widget="main", timeout=10):
        """Waits until every command sent so far has been carried out, and
        returns the feedback lines that came before the answer."""
        self.send(widget, "ping")
        lines = []
        while (line := self.read(timeout)) != (widget, "ping", ""):
            if line is None:
                raise RuntimeError("wirepanel exited")
            lines.append(line)
        return lines

    def close(self, timeout=10):
        """Ends wirepanel (if still running) and waits for it."""
        try:
            self.send("main", "main_quit")
        except BrokenPipeError:     # it has gone already: the window was closed
            pass
        status = self.proc.wait(timeout)
        os.close(self.wfd)
        os.close(self.rfd)
        self.dir.cleanup()
        return status


def unescape(text):
    """Feedback payloads carry a newline as \\n and a backslash as \\\\."""
    return re.sub(r"\\(.)", lambda m: "\n" if m.group(1) == "n" else m.group(1), text)


def main():
    panel = Panel(Path(__file__).with_name("client.ui"))
    record = {"name": "", "age": 0, "newsletter": False}
    if os.environ.get("AUTOPLAY"):
        # Commands change the widgets, and the widgets report the change
        # exactly as if the user had made it.
        panel.send("name", "set_text", "Ada Lovelace")
        panel.send("age", "set_text", 36)
        panel.send("newsletter", "set_active", 1)
        panel.send("submit", "force")
    while (line := panel.read()) is not None:
        widget, tag, payload = line
        if widget == "name" and tag == "text":
            record["name"] = payload
        elif widget == "age" and tag == "text":
            record["age"] = int(float(payload))
        elif widget == "newsletter":
            record["newsletter"] = tag == "1"
        elif widget == "submit" and tag == "clicked":
            panel.send("summary", "set_text", "Thank you, %s." % (record["name"] or "stranger"))
            panel.ping()            # the summary is shown before we go on
            break
        elif widget == "main" and tag == "closed":
            break
    panel.close()
    print(json.dumps(record))


if __name__ == "__main__":
    main()
