"""Displays other than X11: a headless Wayland compositor and a Broadway
server, each private to the test, and no display at all. What only X11 can
do is refused in words, and the toolkit never gets to call X on them."""
import os
import select
import socket
import subprocess
import time
from pathlib import Path

import pytest

from conftest import ROOT, TIMEOUT, WIREPANEL, Panel, reason_after, ui_text

USAGE = ("usage: wirepanel [[-i in-fifo] [-o out-fifo] [-b] [-u glade-file.ui] [-e xid]\n"
         "                  [-l log-file] [-O err-file] [--display X-server]] | [-h |-G |-V]\n")
DISPLAY_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY", "BROADWAY_DISPLAY", "GDK_BACKEND")
TOOLKIT_FAULTS = ("CRITICAL", "WARNING", "invalid cast", "X11")

SOCKET_UI = ui_text(
    '<object class="GtkWindow" id="main"><property name="title">wirepanel-test</property>'
    '<child><object class="GtkBox" id="box"><property name="visible">1</property>'
    '<child><object class="GtkSocket" id="sock"><property name="visible">1</property>'
    '<property name="width-request">200</property><property name="height-request">100</property>'
    '</object></child>'
    '<child><object class="GtkLabel" id="label"><property name="visible">1</property>'
    '</object></child>'
    '</object></child></object>')


def without_display(runtime_dir, **extra):
    """The environment with no display variable, and a runtime directory in
    which no compositor or Broadway server listens."""
    env = {k: v for k, v in os.environ.items() if k not in DISPLAY_VARIABLES}
    env["XDG_RUNTIME_DIR"] = str(runtime_dir)
    env.update(extra)
    return env


@pytest.fixture(scope="module")
def weston(tmp_path_factory):
    """A headless compositor of its own; the environment of its clients."""
    proc = subprocess.Popen(
        [str(ROOT / "scripts" / "with-weston.sh"), "sh", "-c",
         'echo "$XDG_RUNTIME_DIR $WAYLAND_DISPLAY"; exec cat >/dev/null'],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    ready, _, _ = select.select([proc.stdout], [], [], 6 * TIMEOUT)
    line = proc.stdout.readline().decode().split() if ready else []
    if len(line) != 2:
        proc.terminate()
        pytest.fail("weston did not start: %r" % proc.communicate(timeout=TIMEOUT)[1])
    runtime_dir, socket_name = line
    yield without_display(runtime_dir, WAYLAND_DISPLAY=socket_name, GDK_BACKEND="wayland")
    proc.stdin.close()
    proc.wait(TIMEOUT)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def port_open(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


@pytest.fixture(scope="module")
def broadway(tmp_path_factory):
    """A Broadway server of its own: its client socket lies in a private
    runtime directory, its web port is a free one on the loopback."""
    runtime_dir = tmp_path_factory.mktemp("broadway-runtime")
    runtime_dir.chmod(0o700)
    for _ in range(5):
        port = free_port()
        proc = subprocess.Popen(["broadwayd", "--address", "127.0.0.1", "--port", str(port), ":5"],
                                env=without_display(runtime_dir), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + TIMEOUT
        while proc.poll() is None and not port_open(port) and time.monotonic() < deadline:
            time.sleep(0.05)
        if proc.poll() is None and port_open(port):
            break
        proc.kill()
        proc.wait(TIMEOUT)
    else:
        pytest.fail("broadwayd did not start")
    yield without_display(runtime_dir, BROADWAY_DISPLAY=":5", GDK_BACKEND="broadway")
    proc.terminate()
    proc.wait(TIMEOUT)


@pytest.fixture(params=["weston", "broadway"])
def other_display(request):
    return request.getfixturevalue(request.param)


def run_with(env, args, stdin=b"", cwd=None):
    proc = subprocess.run([WIREPANEL] + list(args), input=stdin, capture_output=True, env=env,
                          cwd=cwd, timeout=3 * TIMEOUT)
    return proc.returncode, proc.stdout.decode(), proc.stderr.decode()


def toolkit_faults(lines):
    return [line for line in lines if any(word in line for word in TOOLKIT_FAULTS)]


def test_embedding_needs_x11(other_display, tmp_path):
    (tmp_path / "panel.ui").write_text(SOCKET_UI)
    assert run_with(other_display, ["-u", "panel.ui", "-e", "12345"], cwd=tmp_path) == (
        1, "", "unable to embed into XEmbed socket 12345: embedding needs an X11 display\n")


def test_socket_loads_and_refuses_its_commands(other_display, tmp_path):
    p = Panel(tmp_path, SOCKET_UI, env=other_display)
    try:
        p.send("sock:id", "sock:set_visible 1", "sock:set_sensitive 0", "sock:ping")
        assert p.ping() == []
        p.send("box:snapshot box.svg")
        assert p.ping() == []
        assert (tmp_path / "box.svg").read_bytes().startswith(b"<?xml")
        assert p.quit() == 0
        errors = p.all_errors()
        complaints = ['ignoring GtkSocket command "%s"' % line
                      for line in ("sock:id", "sock:set_visible 1", "sock:set_sensitive 0",
                                   "sock:ping")]
        assert [line for line in errors if line.startswith("ignoring")] == complaints
        assert {reason_after(errors, line) for line in complaints} == {
            "  a socket needs an X11 display"}
        assert toolkit_faults(p.errors()) == []
    finally:
        p.close()


def test_window_placement_is_accepted_without_complaint(other_display, tmp_path):
    """Where the display server places windows, the window commands still
    take their usual data and neither they nor the toolkit complain."""
    p = Panel(tmp_path, SOCKET_UI, env=other_display)
    try:
        p.send("main:move -10 20", "main:resize 640 480", "main:move 300 200", "main:resize",
               "label:set_text placed")
        assert p.ping() == []
        assert p.quit() == 0
        assert p.all_errors() == []
    finally:
        p.close()


@pytest.mark.parametrize("args, out", [
    (["-h"], USAGE),
    (["-V"], "4.7.0\n"),
    (["-u", "nowhere.ui", "-V", "-x"], "4.7.0\n"),
], ids=["help", "version", "version-after-option"])
@pytest.mark.parametrize("backend", [None, "x11", "wayland"])
def test_options_that_need_no_display(tmp_path, args, out, backend):
    env = without_display(tmp_path, **({"GDK_BACKEND": backend} if backend else {}))
    assert run_with(env, args) == (0, out, "")


def test_versions_need_no_display(tmp_path):
    status, out, err = run_with(without_display(tmp_path), ["-G"])
    assert (status, err) == (0, "")
    assert out.startswith("GTK+  v3.") and "\ncairo v" in out


@pytest.mark.parametrize("extra, args, err", [
    ({}, [], "cannot open display with WAYLAND_DISPLAY unset, DISPLAY unset, "
             "BROADWAY_DISPLAY unset\n"),
    ({"DISPLAY": ":65000", "WAYLAND_DISPLAY": "nowhere"}, ["-u", "missing.ui"],
     "cannot open display with WAYLAND_DISPLAY=nowhere, DISPLAY=:65000, BROADWAY_DISPLAY unset\n"),
    ({"GDK_BACKEND": "x11"}, [], "cannot open display with GDK_BACKEND=x11, DISPLAY unset\n"),
    ({"GDK_BACKEND": "wayland,x11", "DISPLAY": ":65000"}, ["-e", "12"],
     "cannot open display with GDK_BACKEND=wayland,x11, WAYLAND_DISPLAY unset, DISPLAY=:65000\n"),
    ({"DISPLAY": ":65000"}, ["--display", ":65001"], "cannot open display :65001 given with --display\n"),
    ({}, ["-x"], USAGE),
    ({}, ["extra"], "illegal parameter 'extra'\n" + USAGE),
], ids=["nothing-set", "variables-named", "x11-only", "two-backends", "display-option",
        "bad-option-first", "illegal-parameter-first"])
def test_start_without_display_names_what_it_tried(tmp_path, extra, args, err):
    (tmp_path / "wirepanel.ui").write_text(SOCKET_UI)
    assert run_with(without_display(tmp_path, **extra), args, cwd=tmp_path) == (1, "", err)
