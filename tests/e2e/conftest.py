"""Drives the real wirepanel binary as a client does: FIFOs or standard
streams, exact lines on each channel, exit statuses. Every wait has a timeout."""
import os
import select
import shutil
import stat
import subprocess
import threading
import time
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
WIREPANEL = os.environ.get("WIREPANEL", str(ROOT / "build" / "src" / "wirepanel"))
TIMEOUT = float(os.environ.get("WIREPANEL_TIMEOUT", "10"))

MAIN_WINDOW = '<object class="GtkWindow" id="main"><property name="title">wirepanel-test</property>{child}</object>'


def ui_text(objects, child=""):
    """A UI description: the given objects, or a window "main" holding child."""
    body = objects if objects is not None else MAIN_WINDOW.format(child=child)
    return '<?xml version="1.0"?><interface>' + body + "</interface>"


def window_ui(child="", extra=""):
    return ui_text(MAIN_WINDOW.format(child=child) + extra)


# The Wayland lane runs the tests that need no X server a second time, on
# a headless compositor that the caller started.
WAYLAND = os.environ.get("GDK_BACKEND") == "wayland"


def pytest_configure(config):
    config.addinivalue_line("markers", "x11: needs an X server or an X tool (xdotool, xprop, "
                            "xwininfo, python-xlib); left out of the Wayland lane")


def without_reasons(err, complete=True):
    """Standard error (a text or a list of lines) without the reason line
    that follows every complaint; fails when a complaint lacks its reason.
    A complaint quotes its line, whose line feeds continue it on further
    lines until the closing quote. Of a process still running, the last
    complaint's reason may not have been collected yet (complete=False)."""
    lines = err.splitlines() if isinstance(err, str) else list(err)
    kept, in_complaint = [], False
    for n, line in enumerate(lines):
        if line is None:
            continue
        if line.startswith(("ignoring ", "missing model/ignoring ")):
            in_complaint = True
        if in_complaint:
            kept.append(line)
            if line.endswith('"'):
                if n + 1 == len(lines) and not complete:
                    break
                reason = lines[n + 1] if n + 1 < len(lines) else ""
                assert reason.startswith("  ") and reason[2:3].strip(), \
                    "no reason line after the complaint %r: %r" % (line, reason)
                in_complaint = False
                lines[n + 1] = None
        else:
            kept.append(line)
    return kept


def reason_after(lines, complaint):
    """The reason line that follows a complaint among the lines."""
    n = lines.index(complaint)
    return lines[n + 1]


@pytest.fixture(scope="session", autouse=True)
def display():
    """Uses the display given by the caller, or starts a private Xvfb."""
    if WAYLAND:
        assert os.environ.get("WAYLAND_DISPLAY"), "GDK_BACKEND=wayland without WAYLAND_DISPLAY"
        yield os.environ["WAYLAND_DISPLAY"]
        return
    if os.environ.get("DISPLAY"):
        yield os.environ["DISPLAY"]
        return
    r, w = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(w,), stderr=subprocess.DEVNULL)
    os.close(w)
    ready, _, _ = select.select([r], [], [], TIMEOUT)
    assert ready, "Xvfb did not start"
    number = os.read(r, 64).decode().strip()
    os.close(r)
    os.environ["DISPLAY"] = ":" + number
    yield os.environ["DISPLAY"]
    proc.terminate()
    proc.wait(TIMEOUT)


class StderrCollector(threading.Thread):
    """Collects the lines a process writes on standard error."""

    def __init__(self, stream):
        super().__init__(daemon=True)
        self.stream = stream
        self.lines = []
        self.cond = threading.Condition()

    def run(self):
        for raw in iter(self.stream.readline, b""):
            with self.cond:
                self.lines.append(raw.decode("utf-8", "replace").rstrip("\n"))
                self.cond.notify_all()

    def wait_for(self, predicate, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                for line in self.lines:
                    if predicate(line):
                        return line
                left = deadline - time.monotonic()
                if left <= 0:
                    raise AssertionError("no such line on stderr; got %r" % self.lines)
                self.cond.wait(left)


class Panel:
    """A private wirepanel with its own FIFOs (or standard streams)."""

    def __init__(self, workdir, ui, args=(), stdio=False, env=None, start_channels=True,
                 preexec=None, program=None):
        self.dir = Path(workdir)
        self.ui = self.dir / "panel.ui"
        self.ui.write_text(ui)
        self.in_path = self.dir / "in.fifo"
        self.out_path = self.dir / "out.fifo"
        self.stdio = stdio
        self.buffer = b""
        cmd = [program or WIREPANEL, "-u", str(self.ui)]
        if not stdio:
            cmd += ["-i", str(self.in_path), "-o", str(self.out_path)]
        cmd += list(args)
        self.proc = subprocess.Popen(
            cmd, cwd=self.dir, stdin=subprocess.PIPE if stdio else subprocess.DEVNULL,
            stdout=subprocess.PIPE if stdio else subprocess.DEVNULL,
            stderr=subprocess.PIPE, env=env, preexec_fn=preexec)
        self.stderr = StderrCollector(self.proc.stderr)
        self.stderr.start()
        if stdio:
            self.wfd = self.proc.stdin.fileno()
            self.rfd = self.proc.stdout.fileno()
        elif start_channels:
            self.wfd, self.rfd = self._open_fifos()

    def _open_fifos(self):
        deadline = time.monotonic() + TIMEOUT
        while True:
            try:
                wfd = os.open(self.in_path, os.O_WRONLY | os.O_NONBLOCK)
                rfd = os.open(self.out_path, os.O_RDONLY | os.O_NONBLOCK)
                os.set_blocking(wfd, True)
                return wfd, rfd
            except OSError:
                if self.proc.poll() is not None or time.monotonic() > deadline:
                    raise AssertionError("wirepanel did not open its FIFOs: %r" % self.stderr.lines)
                time.sleep(0.02)

    def send(self, *lines):
        data = "".join(line + "\n" for line in lines).encode()
        os.write(self.wfd, data) if len(data) < 4096 else self._write_all(data)

    def _write_all(self, data):
        view = memoryview(data)
        while view:
            n = os.write(self.wfd, view)
            view = view[n:]

    def send_bytes(self, data):
        self._write_all(data)

    def read_line(self, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.rfd], [], [], max(left, 0))
            if not ready:
                raise AssertionError("no feedback line within %ss; partial %r, stderr %r"
                                     % (timeout, self.buffer, self.stderr.lines))
            chunk = os.read(self.rfd, 65536)
            if not chunk:
                raise AssertionError("output channel closed; stderr %r" % self.stderr.lines)
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode("utf-8", "replace")

    def no_line(self, wait=0.3):
        """True when no feedback line arrives within the given time."""
        try:
            line = self.read_line(wait)
        except AssertionError:
            return True
        raise AssertionError("unexpected feedback line %r" % line)

    def ping(self, widget="main", timeout=TIMEOUT):
        """Barrier: returns the feedback lines written before the ping's answer."""
        self.send(widget + ":ping")
        lines = []
        while True:
            line = self.read_line(timeout)
            if line == widget + ":ping ":
                return lines
            lines.append(line)

    def wait_stderr(self, text, timeout=TIMEOUT):
        return self.stderr.wait_for(lambda line: text in line, timeout)

    def errors(self):
        """Standard error so far, the reason line after each complaint left out."""
        return without_reasons(self.all_errors(), complete=False)

    def wait_for_reasons(self, count, timeout=TIMEOUT):
        """Waits until that many reason lines have come."""
        def counted(_):
            return sum(1 for line in self.stderr.lines if line.startswith("  ")) >= count
        self.stderr.wait_for(counted, timeout)

    def all_errors(self):
        with self.stderr.cond:
            return list(self.stderr.lines)

    def wait_exit(self, timeout=TIMEOUT):
        return self.proc.wait(timeout)

    def quit(self):
        self.send("main:main_quit")
        return self.wait_exit()

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(TIMEOUT)
        for fd in ("wfd", "rfd"):
            if not self.stdio and hasattr(self, fd):
                try:
                    os.close(getattr(self, fd))
                except OSError:
                    pass


@pytest.fixture
def panel(tmp_path):
    """Factory: panel(ui_text, args=...) starts a private wirepanel."""
    started = []

    def start(ui, **kwargs):
        p = Panel(tmp_path, ui, **kwargs)
        started.append(p)
        return p

    yield start
    for p in started:
        p.close()


def run_wirepanel(args, cwd=None, timeout=TIMEOUT, stdin=subprocess.DEVNULL):
    """Runs wirepanel to its end and returns (status, stdout, stderr)."""
    proc = subprocess.run([WIREPANEL] + list(args), cwd=cwd, stdin=stdin, capture_output=True,
                          timeout=timeout)
    return proc.returncode, proc.stdout.decode(), proc.stderr.decode()


def is_fifo(path):
    return stat.S_ISFIFO(os.stat(path).st_mode)


def mode_of(path):
    return stat.S_IMODE(os.stat(path).st_mode)


def xdotool(*args, timeout=TIMEOUT):
    """Runs xdotool and returns its standard output."""
    assert shutil.which("xdotool"), "xdotool is missing"
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True,
                          timeout=timeout, check=True).stdout


def window_id(title, timeout=TIMEOUT, pid=None):
    """The X window id of the mapped window with this title, belonging to a
    live process (or to pid): a window of an earlier test's process may
    linger on the server for a moment after that process has gone."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                             capture_output=True, text=True).stdout.split()
        for wid in reversed(out):
            owner = subprocess.run(["xdotool", "getwindowpid", wid], capture_output=True,
                                   text=True).stdout.strip()
            if owner.isdigit() and (pid is None or int(owner) == pid) and \
                    os.path.exists("/proc/%s" % owner):
                return wid
        time.sleep(0.05)
    raise AssertionError("no window titled %r" % title)


