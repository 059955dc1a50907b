"""Draw commands over the real channel: the exact complaint for refused
commands, and numbers that cairo cannot take kept away from it."""
import subprocess
import time

import pytest

from conftest import window_id, window_ui

AREA = ('<child><object class="GtkDrawingArea" id="area"><property name="visible">1</property>'
        '<property name="width-request">200</property>'
        '<property name="height-request">100</property></object></child>')


@pytest.fixture
def area_panel(panel):
    p = panel(window_ui(AREA))
    p.ping()
    return p


@pytest.mark.parametrize("line", [
    "area:line_to 10 20",
    "area:line_to 1 10 20 30",
    "area:stroke 1 x",
    "area:line_to  =1 5 5",
    "area:line_to 7 <1 5 5",
    "area:remove",
    "area:remove 1 2",
    "area:transform 1 1 2 3",
    "area:set_font_face 1 Italic bold",
    "area:set_source_rgba 1 no-such-colour",
    "area:line_to 1 nan 0",
    "area:arc 1 0 0 10 0 inf",
    "area:arc 1 0 0 1e30 0 360",
    "area:rotate 1 -infinity",
    "area:set_dash 1 4 nan",
    "area:no_such_action 1",
])
def test_refused_draw_command(area_panel, line):
    area_panel.send(line)
    area_panel.wait_stderr('ignoring GtkDrawingArea command "%s"' % line)


def test_accepted_commands_are_silent(area_panel):
    area_panel.send("area:line_to 1 10 20", "area:line_to 1 10 20  ", "area:stroke 1",
                    "area:line_to =1 5 5", "area:line_to 7<1 5 5", "area:remove 1",
                    "area:remove 1", "area:show_text 2", "area:transform 3",
                    "area:set_dash 4 4 2 x 9", "area:arc 5 0 0 10000000 0 360",
                    "area:line_to 6 10000000 -10000000", "area:stroke 6")
    assert area_panel.ping() == []
    assert area_panel.errors() == []
    assert area_panel.quit() == 0, "clean exit, nothing leaked"


def test_huge_numbers_do_not_freeze(area_panel, tmp_path):
    """Arcs at the limit of what is accepted, or scaled far beyond it by
    transformations that pile up, still leave the server answering at once."""
    area_panel.send("area:arc 1 100 50 1e7 0 360", "area:arc_negative 1 100 50 1e7 -1e7 1e7",
                    "area:arc 1 0 0 1e999 0 360", "area:stroke 1",
                    *["area:scale 2 1e7 1e7"] * 6, "area:arc 2 0 0 10 0 90", "area:stroke 2",
                    "area:snapshot big.svg")
    start = time.monotonic()
    area_panel.ping(timeout=5)
    assert time.monotonic() - start < 5
    assert (tmp_path / "big.svg").exists()


def window_pixel(wid, x, y):
    """The colour of one pixel of an X window, as (red, green, blue)."""
    xwd = subprocess.run(["xwd", "-silent", "-id", wid], capture_output=True, check=True, timeout=10)
    ppm = subprocess.run(["xwdtopnm"], input=xwd.stdout, capture_output=True, check=True,
                         timeout=10).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum value
        while ppm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[pos:end])
        pos = end
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    width = int(fields[1])
    start = pos + 1 + 3 * (y * width + x)
    return tuple(ppm[start:start + 3])


def wait_pixel(wid, colour, timeout=10):
    deadline = time.monotonic() + timeout
    while True:
        seen = window_pixel(wid, 100, 50)
        if seen == colour:
            return
        if time.monotonic() > deadline:
            raise AssertionError("pixel stayed %r, wanted %r" % (seen, colour))
        time.sleep(0.05)


@pytest.mark.x11
def test_list_replayed_on_screen(area_panel):
    """Painting commands, replacements and removals repaint the area."""
    wid = window_id("wirepanel-test")
    background = window_pixel(wid, 100, 50)
    area_panel.send("area:set_source_rgba 1 red", "area:rectangle 1 0 0 200 100", "area:fill 1")
    wait_pixel(wid, (255, 0, 0))
    area_panel.send("area:set_source_rgba =1 blue")
    wait_pixel(wid, (0, 0, 255))
    area_panel.send("area:remove 1")
    wait_pixel(wid, background)
