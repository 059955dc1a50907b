"""One client line must neither end nor freeze the server: widgets grown
beyond what X can hold, text with thousands of tabs, rows far away."""
import time

import pytest

from conftest import window_ui

BOX = ('<child><object class="GtkBox"><property name="visible">1</property>'
       '<property name="orientation">vertical</property>%s</object></child>')


def child(cls, wid, props=""):
    return ('<child><object class="%s" id="%s"><property name="visible">1</property>%s'
            '</object></child>' % (cls, wid, props))


UI = window_ui(BOX % "".join([
    child("GtkLabel", "l"), child("GtkButton", "b"),
    child("GtkProgressBar", "pb", '<property name="show-text">1</property>'),
    child("GtkTextView", "t"), child("GtkStatusbar", "sb"),
    child("GtkTreeView", "tv", '<property name="model">ls</property>'),
])) .replace("</interface>", '<object class="GtkListStore" id="ls"><columns>'
             '<column type="gchararray"/></columns></object></interface>')

WIDE = "W" * 6000


# Off X11 the toolkit draws a window into an image of the client's own, which
# cannot be wider than 32767 pixels; text this wide ends the process inside
# the toolkit there, so those cases stay with X.
WIDER_THAN_AN_IMAGE = pytest.mark.x11


@pytest.mark.parametrize("line", [
    pytest.param("l:set_text " + WIDE, marks=WIDER_THAN_AN_IMAGE),
    pytest.param("b:set_label " + WIDE, marks=WIDER_THAN_AN_IMAGE),
    pytest.param("pb:set_text " + WIDE, marks=WIDER_THAN_AN_IMAGE),
    "main:resize 8000 8000",
], ids=["label", "button", "progress", "window"])
def test_widgets_beyond_x_limits_leave_the_server_running(panel, tmp_path, line):
    p = panel(UI)
    p.ping()
    p.send(line)
    p.ping()
    # Let the toolkit lay out and paint the grown window, then take a snapshot of it.
    time.sleep(0.5)
    p.send("main:snapshot %s" % (tmp_path / "big.pdf"))
    p.ping()
    assert p.quit() == 0


TABS = "\t" * 1001


@pytest.mark.parametrize("line", [
    "main:resize 16385 100", "main:resize 100 2147483647",
    "l:set_text " + TABS, "b:set_label " + TABS, "t:insert_at_cursor " + TABS,
    "sb:push c " + TABS, "tv:set 0 0 " + TABS, "main:set_title x" + TABS,
], ids=["big", "tall", "label", "button", "text", "status", "cell", "title"])
def test_a_line_with_too_many_tabs_is_refused_at_once(panel, line):
    p = panel(UI)
    start = time.monotonic()
    p.send(line)
    p.wait_stderr("ignoring ")
    p.ping()
    assert time.monotonic() - start < 5
    assert p.quit() == 0


def test_tabs_up_to_the_bound_and_on_separate_lines_are_accepted(panel):
    p = panel(UI)
    p.send("l:set_text " + "\t" * 1000, "t:insert_at_cursor " + ("\t" * 600 + "\\n") * 4)
    p.ping()
    assert not [l for l in p.stderr.lines if l.startswith("ignoring")]
    p.quit()


@pytest.mark.parametrize("line, refused", [
    ("tv:set 200000 0 last", False),
    ("tv:set 250000 0 far", True),
    ("tv:set 99999999 0 far", True),
])
def test_a_set_far_beyond_the_rows_is_refused(panel, line, refused):
    p = panel(UI)
    start = time.monotonic()
    p.send(line)
    p.ping(timeout=60)
    complaint = 'ignoring GtkTreeView command "%s"' % line
    if refused:
        p.wait_stderr(complaint)
    else:
        assert complaint not in p.errors()
    p.send("tv:set_cursor 0")
    p.ping()
    assert time.monotonic() - start < 30
    p.quit()
