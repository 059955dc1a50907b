"""How commands reach the GUI thread under a flood: one at a time in the order
read, ahead of the drawing areas' idle redraws, without starving a person's
clicks, and still inside the print dialog's own main loop."""
import fcntl
import os
import select
import subprocess
import threading
import time

import pytest

from conftest import TIMEOUT, window_id, window_ui, xdotool
from test_draw import window_pixel
from test_widgets_print import DIALOG, answer, is_mapped

TITLE = "wirepanel-test"
PACKED = '<child><object class="GtkBox" id="box"><property name="visible">1</property>%s</object></child>'
ENTRY = '<child><object class="GtkEntry" id="e"><property name="visible">1</property></object></child>'
BUTTON = ('<child><object class="GtkButton" id="b"><property name="visible">1</property>'
          '<property name="label">press</property></object></child>')
AREA = ('<child><object class="GtkDrawingArea" id="area"><property name="visible">1</property>'
        '<property name="width-request">200</property>'
        '<property name="height-request">100</property></object></child>')
RED = (255, 0, 0)


def test_a_flood_runs_one_command_at_a_time_in_the_order_read(panel):
    p = panel(window_ui(PACKED % (ENTRY + BUTTON)))
    p.ping()
    # Each command's feedback is written before the next command starts, so
    # the lines come back exactly interleaved.
    lines = []
    for i in range(3000):
        lines += ["e:set_text t%d" % i, "b:ping"]
    p.send_bytes("".join(line + "\n" for line in lines).encode())
    expected = []
    for i in range(3000):
        expected += ["e:text t%d" % i, "b:ping "]
    assert p.ping() == expected
    assert p.errors() == []


def read_until_blocked(p, prefix):
    """Reads lines until one starting with prefix begins to arrive, then stops
    reading: the GUI thread stays inside the write of that line meanwhile."""
    while not p.buffer.startswith(prefix.encode()):
        if b"\n" in p.buffer:
            p.buffer = p.buffer.split(b"\n", 1)[1]
            continue
        ready, _, _ = select.select([p.rfd], [], [], TIMEOUT)
        assert ready, "no feedback within %ss" % TIMEOUT
        p.buffer += os.read(p.rfd, 4096)


@pytest.mark.x11
def test_commands_run_before_the_idle_redraw_of_a_drawing_area(panel):
    p = panel(window_ui(PACKED % (AREA + ENTRY)))
    p.ping()
    wid = window_id(TITLE)
    assert window_pixel(wid, 100, 50) != RED
    # A small output FIFO and long lines make the GUI thread wait for us at
    # will, so that all commands are queued before the fill and a snapshot of
    # the screen taken in the middle of the later ones shows whether the
    # redraw that the fill asked for slipped in among them.
    fcntl.fcntl(p.rfd, fcntl.F_SETPIPE_SZ, 4096)
    lines = (["e:set_text " + "a" * 60000, "area:set_source_rgba 1 red",
              "area:rectangle 1 0 0 400 400", "area:fill 1"]
             + ["e:set_text %d%s" % (i, "x" * 2000) for i in range(100)]
             + ["e:set_text " + "z" * 60000, "main:ping"])
    p.send_bytes("".join(line + "\n" for line in lines).encode())
    read_until_blocked(p, "e:text a")
    time.sleep(0.2)  # the reader queues the rest meanwhile
    read_until_blocked(p, "e:text z")
    time.sleep(0.2)  # time enough for a redraw that was wrongly let in
    assert window_pixel(wid, 100, 50) != RED, "redrawn while commands were waiting"
    assert p.read_line() == "e:text " + "z" * 60000
    assert p.read_line() == "main:ping "
    # Once the queue is empty the idle redraw comes: the snapshot above could see it.
    deadline = time.monotonic() + TIMEOUT
    while window_pixel(wid, 100, 50) != RED:
        assert time.monotonic() < deadline, "the fill never reached the screen"
        time.sleep(0.05)
    assert p.quit() == 0


@pytest.mark.x11
def test_a_persons_click_is_served_during_a_long_flood(panel):
    p = panel(window_ui(PACKED % (BUTTON + ENTRY)))
    p.ping()
    wid = window_id(TITLE)
    flood = "".join("e:set_text %d\n" % i for i in range(60000)).encode()
    xdotool("mousemove", "--window", wid, 10, 10)
    writer = threading.Thread(target=p.send_bytes, args=(flood + b"main:ping\n",), daemon=True)
    writer.start()
    # Clicked once the flood is surely under way: its first lines are back.
    first = p.read_line()
    assert first.startswith("e:text ")
    xdotool("click", "1")
    lines = [first]
    while lines[-1] != "main:ping ":
        lines.append(p.read_line())
    writer.join(TIMEOUT)
    assert "b:clicked " in lines
    clicked = lines.index("b:clicked ")
    # The click came before the flood ended, with many commands still to go.
    assert clicked < len(lines) - 1000, "the click waited for the flood (at %d of %d)" % (
        clicked, len(lines))
    assert [line for line in lines if line != "b:clicked "] == \
        ["e:text %d" % i for i in range(60000)] + ["main:ping "]


@pytest.mark.x11
def test_commands_run_inside_the_nested_loop_of_the_print_dialog(panel, tmp_path):
    p = panel(window_ui(PACKED % ENTRY, extra=DIALOG), env=dict(os.environ, HOME=str(tmp_path)))
    p.send("pd:print /nonexistent/file.pdf", "e:set_text inside", "main:ping")
    wid = window_id("print-test")
    # Both lines come while "print" still waits for its answer.
    assert p.read_line() == "e:text inside"
    assert p.read_line() == "main:ping "
    assert is_mapped(wid)
    xdotool("windowfocus", "--sync", wid)
    answer("alt+c")
    deadline = time.monotonic() + TIMEOUT
    while is_mapped(wid):
        assert time.monotonic() < deadline, "the dialog stays open"
        time.sleep(0.05)
    p.send("e:set_text after")
    assert p.ping() == ["e:text after"]
    assert p.quit() == 0
