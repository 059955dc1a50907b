"""Feedback lines as a person produces them: real pointer and keyboard events
under Xvfb (xdotool), and window closing by the WM_DELETE_WINDOW client
message that a window manager would send."""
import os
import subprocess
import time

import pytest
from Xlib import X, display as xdisplay, protocol

from conftest import TIMEOUT, window_ui, xdotool

pytestmark = pytest.mark.x11

TITLE = "wirepanel-test"


def widget(cls, wid, props=""):
    return ('<object class="%s" id="%s"><property name="visible">1</property>%s</object>'
            % (cls, wid, props))


def child(cls, wid, props=""):
    return "<child>%s</child>" % widget(cls, wid, props)


def click(wid, x, y, *more):
    xdotool("mousemove", "--window", wid, x, y, "click", *more, 1)


def visible_windows(p, name="."):
    """The mapped windows of this panel's process: a window of an earlier
    test's process may outlive that process for a moment on the X server."""
    query = ["--all", "--onlyvisible", "--pid", str(p.proc.pid), "--name", name]
    out = subprocess.run(["xdotool", "search"] + query, capture_output=True, text=True,
                         timeout=TIMEOUT).stdout
    return set(out.split())


def own_window(p, title=TITLE):
    """The X window id of the panel's mapped window with this title."""
    found = set()
    wait_until(lambda: found.update(visible_windows(p, "^%s$" % title)) or found,
               "a window titled %r" % title)
    return found.pop()


def read_until(p, last_prefix):
    """Feedback lines up to the first that starts with last_prefix. X events
    and commands reach the program on different roads, so a ping is no
    barrier for what the pointer or keyboard did: wait for the lines."""
    lines = [p.read_line()]
    while not lines[-1].startswith(last_prefix):
        lines.append(p.read_line())
    return lines


def wait_until(predicate, what, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.02)


def send_delete_window(wid):
    """Asks the window to close exactly as a window manager does."""
    d = xdisplay.Display()
    try:
        window = d.create_resource_object("window", int(wid))
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=0)
        d.sync()  # the server has taken the event before the connection closes
    finally:
        d.close()


def close_and_read(p, wid):
    """Closes the window and returns the line it writes. A window that has
    only just been mapped may miss a close sent before the toolkit has
    taken in its own map; a window manager never closes one that early, so
    a lost first request is sent once more."""
    send_delete_window(wid)
    try:
        return p.read_line(3)
    except AssertionError:
        send_delete_window(wid)
        return p.read_line()


def is_viewable(wid):
    d = xdisplay.Display()
    try:
        return d.create_resource_object("window", int(wid)).get_attributes().map_state \
            == X.IsViewable
    finally:
        d.close()


def test_button_click_writes_clicked_with_its_blank(panel):
    p = panel(window_ui(child("GtkButton", "b1", '<property name="label">Press</property>')))
    p.ping()
    click(own_window(p), 10, 10)
    assert p.read_line() == "b1:clicked "
    assert p.ping() == []


def test_typing_into_an_entry_writes_one_line_per_change(panel):
    p = panel(window_ui(child("GtkEntry", "e1")))
    p.ping()
    click(own_window(p), 10, 10)
    xdotool("type", "--delay", "30", "a\\b")
    assert [p.read_line() for _ in range(3)] == ["e1:text a", "e1:text a\\\\", "e1:text a\\\\b"]
    assert p.ping() == []


def test_check_button_toggle_writes_its_state_as_the_tag(panel):
    p = panel(window_ui(child("GtkCheckButton", "c1", '<property name="label">Check</property>')))
    p.ping()
    wid = own_window(p)
    click(wid, 8, 8)
    assert p.read_line() == "c1:1 "
    click(wid, 8, 8)
    assert p.read_line() == "c1:0 "
    assert p.ping() == []


def test_event_box_reports_press_motion_release_and_keys(panel):
    p = panel(window_ui(child("GtkEventBox", "eb", '<property name="width-request">200</property>'
                                                    '<property name="height-request">100</property>')))
    p.ping()
    wid = own_window(p)
    xdotool("mousemove", "--window", wid, 10, 20, "mousedown", 1)
    assert p.read_line() == "eb:button_press 1 10.0 20.0"
    xdotool("mousemove", "--window", wid, 30, 40)
    xdotool("mouseup", 1)
    lines = read_until(p, "eb:button_release ")
    assert lines[-2:] == ["eb:motion 30.0 40.0", "eb:button_release 1 30.0 40.0"]
    assert all(line.startswith("eb:motion ") for line in lines[:-1])
    p.send("eb:grab_focus")
    p.ping()
    xdotool("key", "a", "Return")
    assert [p.read_line(), p.read_line()] == ["eb:key_press a", "eb:key_press Return"]
    assert p.ping() == []


def test_calendar_double_click_writes_clicked_then_doubleclicked(panel, tmp_path):
    # A generous double-click time, so that a busy machine still clicks twice
    # within it.
    settings = tmp_path / "config" / "gtk-3.0" / "settings.ini"
    settings.parent.mkdir(parents=True)
    settings.write_text("[Settings]\ngtk-double-click-time=3000\n")
    env = dict(os.environ, XDG_CONFIG_HOME=str(tmp_path / "config"))
    p = panel(window_ui(child("GtkCalendar", "cal", '<property name="year">2024</property>'
                                                     '<property name="month">2</property>'
                                                     '<property name="day">1</property>')),
              env=env)
    p.ping()
    wid = own_window(p)
    # The middle of the day grid lies in the shown month whatever the layout.
    geometry = xdotool("getwindowgeometry", wid).split("Geometry: ")[1].split()[0]
    width, height = (int(v) for v in geometry.split("x"))
    click(wid, width // 2, height * 3 // 5, "--repeat", 2, "--delay", 80)
    lines = read_until(p, "cal:doubleclicked ")
    assert p.ping() == []
    assert lines[-1].startswith("cal:doubleclicked 2024-03-")
    day = lines[-1].split()[-1]
    assert lines[:-1] and set(lines[:-1]) == {"cal:clicked " + day}


def test_menu_items_write_their_label_when_activated(panel):
    submenu = ('<child type="submenu"><object class="GtkMenu" id="menu">'
               '<child>%s</child></object></child>'
               % widget("GtkMenuItem", "open", '<property name="label">Open _it</property>'
                                               '<property name="use-underline">1</property>'))
    bar = ('<object class="GtkMenuBar" id="bar"><property name="visible">1</property>'
           '<child><object class="GtkMenuItem" id="file"><property name="visible">1</property>'
           '<property name="label">File</property>%s</object></child></object>' % submenu)
    p = panel(window_ui("<child>%s</child>" % bar))
    p.ping()
    before = visible_windows(p)
    click(own_window(p), 10, 5)
    assert p.read_line() == "file:active File"
    wait_until(lambda: visible_windows(p) - before, "the submenu")
    popup = (visible_windows(p) - before).pop()
    click(popup, 10, 10)
    assert p.read_line() == "open:active Open _it"
    assert p.ping() == []


SECOND = ('<object class="GtkWindow" id="w2"><property name="title">second</property>'
          '<child>%s</child></object>' % widget("GtkLabel", "l2", '<property name="label">2</property>'))


def test_closing_another_window_writes_closed_and_hides_it(panel):
    p = panel(window_ui(extra=SECOND))
    p.send("w2:set_visible 1")
    p.ping()
    wid = own_window(p, "second")
    assert close_and_read(p, wid) == "w2:closed "
    wait_until(lambda: not is_viewable(wid), "the window to hide")
    p.send("w2:set_visible 1")
    p.ping()
    wait_until(lambda: is_viewable(wid), "the window to come back")
    assert p.proc.poll() is None


def test_closing_main_writes_closed_and_exits_with_status_0(panel):
    p = panel(window_ui())
    p.ping()
    assert close_and_read(p, own_window(p)) == "main:closed "
    assert p.wait_exit() == 0


def test_blocked_main_ignores_closing_until_unblocked(panel):
    p = panel(window_ui(child("GtkEventBox", "eb", '<property name="width-request">50</property>'
                                                   '<property name="height-request">50</property>')))
    p.send("main:block 1")
    p.ping()
    wid = own_window(p)
    send_delete_window(wid)
    # X events are handled in order: once the press is reported, so is the
    # close, had it written anything.
    xdotool("mousemove", "--window", wid, 5, 5, "click", 1)
    assert p.read_line() == "eb:button_press 1 5.0 5.0"
    assert p.proc.poll() is None and is_viewable(wid)
    p.send("main:block 0")
    p.ping()
    send_delete_window(wid)
    assert read_until(p, "main:")[-1] == "main:closed "
    assert p.wait_exit() == 0
