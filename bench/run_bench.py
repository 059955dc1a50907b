#!/usr/bin/python3
"""Runs every benchmark case against its baseline measured in the same run and
prints one table. Usage: run_bench.py BUILD_DIR (under a display, see
scripts/with-xvfb.sh). Nothing here asserts: a missed target is a row marked
"no", and the exit status is 0 unless a case could not run at all."""
import os
import re
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

TIMEOUT = 120.0
COMMANDS = 200000
PINGS = 2000
DRAW_OPS = 100000
ROWS = 100000
MEMORY_OPS = 1000000
ROUNDS = 5  # best of, since other processes share the machine

BUILD = Path(sys.argv[1] if len(sys.argv) > 1 else "build-bench").resolve()
WIREPANEL = BUILD / "src" / "wirepanel"
WORK = Path(tempfile.mkdtemp(prefix="wirepanel-bench-"))

WINDOW = ('<?xml version="1.0"?><interface>{extra}<object class="GtkWindow" id="main">'
          '<property name="default-width">400</property><property name="default-height">300</property>'
          '{child}</object></interface>')
LABEL_UI = WINDOW.format(extra="", child='<child><object class="GtkLabel" id="l">'
                         '<property name="visible">1</property><property name="label">x</property>'
                         '</object></child>')
DRAW_UI = WINDOW.format(extra="", child='<child><object class="GtkDrawingArea" id="d">'
                        '<property name="visible">1</property></object></child>')
STORE = ('<object class="GtkListStore" id="st"><columns><column type="gchararray"/>'
         '<column type="gint"/></columns></object>')
TREE_COLUMNS = ''.join(
    '<child><object class="GtkTreeViewColumn" id="c%d"><child><object class="GtkCellRendererText" '
    'id="r%d"/><attributes><attribute name="text">%d</attribute></attributes></child></object></child>'
    % (i, i, i) for i in range(2))
TREE_UI = WINDOW.format(extra=STORE, child='<child><object class="GtkScrolledWindow" id="sw">'
                        '<property name="visible">1</property><child><object class="GtkTreeView" '
                        'id="tv"><property name="visible">1</property><property name="model">st'
                        '</property>%s</object></child></object></child>' % TREE_COLUMNS)


def editable_ui(renderers):
    """A tree view with the given number of columns, each with one editable text renderer."""
    columns = ''.join(
        '<child><object class="GtkTreeViewColumn" id="c%d"><child><object class="GtkCellRendererText" '
        'id="r%d"><property name="editable">1</property></object><attributes>'
        '<attribute name="text">0</attribute></attributes></child></object></child>' % (i, i)
        for i in range(renderers))
    store = ('<object class="GtkListStore" id="st"><columns><column type="gchararray"/></columns>'
             '</object>')
    return WINDOW.format(extra=store, child='<child><object class="GtkScrolledWindow" id="sw">'
                         '<property name="visible">1</property><child><object class="GtkTreeView" '
                         'id="tv"><property name="visible">1</property><property name="model">st'
                         '</property>%s</object></child></object></child>' % columns)


class Channel:
    """A process on two FIFOs: lines go in through one, lines come out of the other."""

    def __init__(self, proc, in_path=None, out_path=None):
        self.proc = proc
        self.buffer = b""
        if in_path is None:  # on the process's standard input and output
            self.wfd, self.rfd = proc.stdin.fileno(), proc.stdout.fileno()
            return
        deadline = time.monotonic() + TIMEOUT
        while True:
            try:
                self.wfd = os.open(in_path, os.O_WRONLY | os.O_NONBLOCK)
                break
            except OSError:
                if proc.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("%s did not open its FIFOs" % proc.args[0])
                time.sleep(0.001)
        os.set_blocking(self.wfd, True)
        self.rfd = os.open(out_path, os.O_RDONLY)

    def write(self, data):
        view = memoryview(data)
        while view:
            view = view[os.write(self.wfd, view):]

    def write_in_background(self, data):
        thread = threading.Thread(target=self.write, args=(data,), daemon=True)
        thread.start()
        return thread

    def read_line(self, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        while b"\n" not in self.buffer:
            ready, _, _ = select.select([self.rfd], [], [], max(deadline - time.monotonic(), 0))
            if not ready:
                raise RuntimeError("no line within %ss" % timeout)
            chunk = os.read(self.rfd, 65536)
            if not chunk:
                raise RuntimeError("channel closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode()

    def wait_for(self, expected):
        while self.read_line() != expected:
            pass

    def close(self):
        if self.proc.stdin is not None:
            self.proc.stdin.close()
            self.proc.stdout.close()
        else:
            os.close(self.wfd)
            os.close(self.rfd)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def fifo_pair(name):
    d = WORK / name
    d.mkdir()
    for f in ("in", "out"):
        os.mkfifo(d / f)
    return d


def launch_panel(d):
    """Starts wirepanel on the UI file and FIFOs in d; returns once it answers."""
    proc = subprocess.Popen([str(WIREPANEL), "-u", str(d / "panel.ui"), "-i", str(d / "in"),
                             "-o", str(d / "out")], cwd=d, stdin=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    channel = Channel(proc, d / "in", d / "out")
    channel.write(b"main:ping\n")
    channel.wait_for("main:ping ")
    return channel


def start_panel(ui, name):
    d = fifo_pair(name)
    (d / "panel.ui").write_text(ui)
    return launch_panel(d)


def finish_panel(channel):
    channel.write(b"main:main_quit\n")
    channel.close()


def timed_flood(channel, data, answer):
    """Seconds from the first byte written until the answer's line arrives."""
    start = time.monotonic()
    writer = channel.write_in_background(data)
    channel.wait_for(answer)
    seconds = time.monotonic() - start
    writer.join(TIMEOUT)
    return seconds


def best_of(measure, rounds=ROUNDS):
    return min(measure() for _ in range(rounds))


def best_of_alternating(measure, baseline, rounds=ROUNDS):
    """Best of each side, their rounds taken in turn: a machine that slows
    down or speeds up for a few seconds then weighs on both sides alike."""
    pairs = [(measure(), baseline()) for _ in range(rounds)]
    return min(p[0] for p in pairs), min(p[1] for p in pairs)


def flood_once(ui, name, lines):
    """A measure of the seconds a panel takes to run the given lines and answer a ping."""
    data = ("".join(lines) + "main:ping\n").encode()

    def once():
        channel = start_panel(ui, name + str(time.monotonic_ns()))
        try:
            return timed_flood(channel, data, "main:ping ")
        finally:
            finish_panel(channel)
    return once


def panel_flood(ui, name, lines):
    """Best seconds for a panel to run the given lines and answer a ping."""
    return best_of(flood_once(ui, name, lines))


def run_program(*args):
    out = subprocess.run([str(a) for a in args], capture_output=True, text=True, timeout=TIMEOUT,
                         check=True).stdout
    return out


def command_throughput():
    lines = ["l:set_text %d\n" % i for i in range(COMMANDS)]
    panel, base = best_of_alternating(
        flood_once(LABEL_UI, "label", lines),
        lambda: float(run_program(BUILD / "bench" / "label_loop", COMMANDS)), ROUNDS + 2)
    return COMMANDS / panel, COMMANDS / base


def wish_throughput():
    wish = shutil.which("wish") or shutil.which("wish8.6")
    if wish is None:
        return None
    data = ("".join(".l configure -text %d\n" % i for i in range(COMMANDS))
            + "puts done; flush stdout\n").encode()

    def once():
        proc = subprocess.Popen([wish], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        proc.stdin.write(b"label .l -text x; pack .l; update; puts ready; flush stdout\n")
        proc.stdin.flush()
        if proc.stdout.readline() != b"ready\n":
            raise RuntimeError("wish did not start")
        start = time.monotonic()
        writer = threading.Thread(target=lambda: (proc.stdin.write(data), proc.stdin.flush()),
                                  daemon=True)
        writer.start()
        line = proc.stdout.readline()
        seconds = time.monotonic() - start
        writer.join(TIMEOUT)
        if line != b"done\n":
            raise RuntimeError("wish answered %r" % line)
        proc.stdin.write(b"exit\n")
        proc.stdin.close()
        proc.wait(TIMEOUT)
        return seconds
    return COMMANDS / best_of(once)


def round_trips(channel, line, answer=None):
    data = (line + "\n").encode()
    answer = line if answer is None else answer
    times = []
    for _ in range(PINGS):
        start = time.monotonic()
        channel.write(data)
        channel.wait_for(answer)
        times.append(time.monotonic() - start)
    times.sort()
    return statistics.median(times), times[int(len(times) * 0.99)]


def round_trip():
    """Best median of a few rounds on each side, with that round's 99th percentile."""
    def panel_round():
        panel = start_panel(LABEL_UI, "ping" + str(time.monotonic_ns()))
        try:
            return round_trips(panel, "main:ping ")
        finally:
            finish_panel(panel)

    def echo_round():
        d = fifo_pair("echo" + str(time.monotonic_ns()))
        proc = subprocess.Popen([str(BUILD / "bench" / "fifo_echo"), str(d / "in"), str(d / "out")])
        echo = Channel(proc, d / "in", d / "out")
        try:
            return round_trips(echo, "main:ping ")
        finally:
            echo.close()
    return best_of(panel_round, 3), best_of(echo_round, 3)


def broadway_rows(x11_rate, x11_median):
    """Command throughput and ping round trip of wirepanel under Broadway,
    started through wirepanel-web with a headless browser showing the page
    as a person's would, beside the same figures on the X display of this
    run. There is no target yet: the rows report."""
    web = BUILD / "src" / "wirepanel-web"
    if not web.exists() or not shutil.which("broadwayd"):
        return [("Broadway", "-", "no wirepanel-web or broadwayd", "-", "-", "-")]
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.common.by import By
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        profile = WORK / "chromium"
        for arg in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                    "--no-first-run", "--disable-background-networking",
                    "--disable-component-update", "--disable-sync", "--user-data-dir=%s" % profile):
            options.add_argument(arg)
        options.set_capability("unhandledPromptBehavior", "dismiss")
        browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    except Exception as error:  # the figures without a page still tell something
        print("broadway: no browser (%s); measuring without a page" % error, file=sys.stderr)
        browser = None

    def show(proc):
        line = proc.stderr.readline().decode()
        url = re.search(r"(https?://\S+)", line)
        if not url:
            raise RuntimeError("wirepanel-web printed %r" % line)
        threading.Thread(target=proc.stderr.read, daemon=True).start()
        if browser is None:
            return
        try:
            browser.get(url.group(1))
        except Exception:  # the "disconnected" alert of the previous page
            browser.get(url.group(1))
        deadline = time.monotonic() + TIMEOUT
        while not [c for c in browser.find_elements(By.TAG_NAME, "canvas") if c.is_displayed()]:
            if time.monotonic() > deadline:
                raise RuntimeError("the window did not appear in the page")
            time.sleep(0.05)

    def start():
        d = fifo_pair("web" + str(time.monotonic_ns()))
        (d / "panel.ui").write_text(LABEL_UI)
        proc = subprocess.Popen([str(web), "-u", str(d / "panel.ui"), "-i", str(d / "in"),
                                 "-o", str(d / "out")], cwd=d, stdin=subprocess.DEVNULL,
                                stderr=subprocess.PIPE)
        show(proc)
        channel = Channel(proc, d / "in", d / "out")
        channel.write(b"main:ping\n")
        channel.wait_for("main:ping ")
        return channel

    def flood():
        channel = start()
        try:
            data = ("".join("l:set_text %d\n" % i for i in range(COMMANDS)) + "main:ping\n")
            return timed_flood(channel, data.encode(), "main:ping ")
        finally:
            finish_panel(channel)

    def pings():
        channel = start()
        try:
            return round_trips(channel, "main:ping ")
        finally:
            finish_panel(channel)

    try:
        rate = COMMANDS / best_of(flood)
        median, p99 = best_of(pings, 3)
    finally:
        if browser is not None:
            browser.quit()
    page = "" if browser else ", no page"
    return [("command throughput, Broadway%s" % page, "%.0f cmd/s" % rate,
             "%.0f cmd/s X11" % x11_rate, "%.0f %%" % (100 * rate / x11_rate), "-", "-"),
            ("round trip, Broadway%s" % page, "%.0f us (p99 %.0f us)" % (median * 1e6, p99 * 1e6),
             "%.0f us X11" % (x11_median * 1e6), "%.2fx" % (median / x11_median), "-", "-")]


# The peer's answer to a ping: a label, and one line back for "l:ping", with
# line buffering on both channels; the channels are standard input and output
# or the two FIFOs named on its command line.
WISH_SCRIPT = r"""label .l -text x; pack .l
if {$argc == 2} {set in [open [lindex $argv 0] r]; set out [open [lindex $argv 1] w]} else {set in stdin; set out stdout}
fconfigure $in -blocking 0 -buffering line; fconfigure $out -buffering line
proc answer {in out} {
    while {[gets $in line] >= 0} {if {$line eq "l:ping"} {puts $out "l:ping "} else {.l configure -text $line}}
    if {[eof $in]} exit
}
fileevent $in readable [list answer $in $out]
"""


def wish_program():
    return shutil.which("wish8.6") or shutil.which("wish")


def piped(args):
    proc = subprocess.Popen([str(a) for a in args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, bufsize=0)
    return Channel(proc)


def on_fifos(args, d):
    proc = subprocess.Popen([str(a) for a in args], cwd=d, stdin=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    return Channel(proc, d / "in", d / "out")


def ping_rounds(start):
    """Best median of three rounds of pings on the channel that start() opens."""
    def once():
        channel = start()
        try:
            channel.write(b"l:ping\n")  # up and answering
            channel.wait_for("l:ping ")
            return round_trips(channel, "l:ping", "l:ping ")
        finally:
            channel.close()
    return best_of(once, 3)


def peer_round_trips():
    """wirepanel and wish answering the same pings, on pipes and on FIFOs;
    None for wish when it is not installed."""
    script = WORK / "answer.tcl"
    script.write_text(WISH_SCRIPT)
    wish = wish_program()
    results = {}
    for kind in ("pipes", "FIFOs"):
        def panel():
            d = fifo_pair("rt" + str(time.monotonic_ns()))
            (d / "panel.ui").write_text(LABEL_UI)
            args = [WIREPANEL, "-u", d / "panel.ui"]
            if kind == "pipes":
                return piped(args)
            return on_fifos(args + ["-i", d / "in", "-o", d / "out"], d)

        def peer():
            d = fifo_pair("rtw" + str(time.monotonic_ns()))
            if kind == "pipes":
                return piped([wish, script])
            return on_fifos([wish, script, d / "in", d / "out"], d)
        results[kind] = (ping_rounds(panel), ping_rounds(peer) if wish else None)
    return results


def drawing_ingest():
    lines = ["d:line_to 1 %d %d\n" % (i % 400, (i * 7) % 300) for i in range(DRAW_OPS)]
    lines.append("d:stroke 1\n")
    return (DRAW_OPS + 1) / panel_flood(DRAW_UI, "draw", lines)


def drawing_replay():
    out = run_program(BUILD / "bench" / "replay_bench")
    direct = float(re.search(r"made directly:\s*([0-9.]+) ms", out).group(1))
    replay = float(re.search(r"replay of the draw list:\s*([0-9.]+) ms", out).group(1))
    return replay, direct


def tree_fill():
    lines = []
    for i in range(ROWS):
        lines.append("tv:set %d 0 row%d\n" % (i, i))
        lines.append("tv:set %d 1 %d\n" % (i, i))
    panel = panel_flood(TREE_UI, "tree", lines)
    base = best_of(lambda: float(run_program(BUILD / "bench" / "list_fill", ROWS)))
    return ROWS / panel, ROWS / base


def start_up(renderers):
    ui = editable_ui(renderers)

    def once():
        d = fifo_pair("start%d-%d" % (renderers, time.monotonic_ns()))
        (d / "panel.ui").write_text(ui)
        start = time.monotonic()
        channel = launch_panel(d)
        seconds = time.monotonic() - start
        finish_panel(channel)
        return seconds
    return best_of(once)


def resident_bytes(pid):
    for line in Path("/proc/%d/status" % pid).read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) * 1024
    raise RuntimeError("no VmRSS")


def memory():
    panel = start_panel(DRAW_UI, "memory" + str(time.monotonic_ns()))
    try:
        # A first batch settles the allocator's arenas so that what follows is growth.
        panel.write(b"d:move_to 1 0 0\nmain:ping\n")
        panel.wait_for("main:ping ")
        before = resident_bytes(panel.proc.pid)
        chunk = 10000
        for start in range(0, MEMORY_OPS, chunk):
            panel.write("".join("d:line_to 1 %d %d\n" % (i % 400, i % 300)
                                for i in range(start, start + chunk)).encode())
        panel.write(b"main:ping\n")
        panel.wait_for("main:ping ")
        after = resident_bytes(panel.proc.pid)
    finally:
        finish_panel(panel)
    return (after - before) / MEMORY_OPS


def main():
    if not WIREPANEL.exists():
        sys.exit("run_bench.py: no %s; build first" % WIREPANEL)
    rows = []

    def row(case, figure, unit, baseline, ratio, target, met):
        rows.append((case, "%s %s" % (figure, unit), baseline, ratio, target, "yes" if met else "NO"))

    print("measuring (a few minutes)...", file=sys.stderr, flush=True)
    rate, limit = command_throughput()
    row("command throughput", "%.0f" % rate, "cmd/s", "%.0f cmd/s in process" % limit,
        "%.0f %%" % (100 * rate / limit), ">= 70 %", rate >= 0.7 * limit)
    peer = wish_throughput()
    if peer is None:
        rows.append(("peer throughput", "%.0f cmd/s" % rate, "no wish installed", "-", ">= 25x", "NO"))
    else:
        row("peer throughput", "%.0f" % rate, "cmd/s", "%.0f cmd/s wish" % peer,
            "%.1fx" % (rate / peer), ">= 25x", rate >= 25 * peer)
    (median, p99), (echo_median, echo_p99) = round_trip()
    row("round trip", "%.0f us (p99 %.0f us)" % (median * 1e6, p99 * 1e6), "",
        "%.0f us (p99 %.0f us) FIFO echo" % (echo_median * 1e6, echo_p99 * 1e6),
        "%.2fx" % (median / echo_median), "<= 3x", median <= 3 * echo_median)
    for kind, (panel, peer) in peer_round_trips().items():
        case = "round trip, %s" % kind
        figure = "%.0f us (p99 %.0f us)" % (panel[0] * 1e6, panel[1] * 1e6)
        if peer is None:
            rows.append((case, figure, "no wish installed", "-", "<= wish", "NO"))
            continue
        row(case, figure, "", "%.0f us (p99 %.0f us) wish" % (peer[0] * 1e6, peer[1] * 1e6),
            "%.2fx (p99 %.2fx)" % (panel[0] / peer[0], panel[1] / peer[1]), "<= 1x, p99 <= 1x",
            panel[0] <= peer[0] and panel[1] <= peer[1])
    rows.extend(broadway_rows(rate, median))
    ingest = drawing_ingest()
    row("drawing ingest", "%.0f" % ingest, "op/s", "%.0f cmd/s commands" % rate,
        "%.0f %%" % (100 * ingest / rate), ">= 50 %", ingest >= 0.5 * rate)
    replay, direct = drawing_replay()
    row("drawing replay", "%.2f" % replay, "ms", "%.2f ms direct cairo" % direct,
        "%.2fx" % (replay / direct), "<= 1.2x", replay <= 1.2 * direct)
    fill, fill_limit = tree_fill()
    row("tree fill", "%.0f" % fill, "rows/s", "%.0f rows/s in process" % fill_limit,
        "%.0f %%" % (100 * fill / fill_limit), ">= 40 %", fill >= 0.4 * fill_limit)
    small, large = start_up(250), start_up(1000)
    row("start-up, 1000 renderers", "%.0f" % (large * 1e3), "ms", "%.0f ms with 250" % (small * 1e3),
        "%.2fx" % (large / small), "<= 4.5x", large <= 4.5 * small)
    per_op = memory()
    row("memory per line_to", "%.1f" % per_op, "bytes", "-", "-", "<= 64 bytes", per_op <= 64)

    header = ("case", "wirepanel", "baseline (same run)", "ratio", "target", "met")
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    line = "  ".join("%-*s" % (w, h) for w, h in zip(widths, header))
    print(line)
    print("  ".join("-" * w for w in widths))
    for r in rows:
        print("  ".join("%-*s" % (w, str(c).strip()) for w, c in zip(widths, r)))
    shutil.rmtree(WORK, ignore_errors=True)


if __name__ == "__main__":
    main()
