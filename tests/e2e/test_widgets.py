"""Class handlers seen from the client: the complaint on standard error,
feedback that commands cause, text view files, and windows as X sees them."""
import os
import re
import subprocess
import time

import pytest

from conftest import TIMEOUT, window_ui, window_id

BOX = ('<child><object class="GtkBox"><property name="visible">1</property>'
       '<property name="orientation">vertical</property>{}</object></child>')


def packed(*widgets):
    return BOX.format("".join("<child>%s</child>" % w for w in widgets))


NOTEBOOK = ('<object class="GtkNotebook" id="nb"><property name="visible">1</property>'
            + '<child><object class="GtkLabel"><property name="visible">1</property></object></child>' * 3
            + '</object>')
ENTRY = '<object class="GtkEntry" id="e"><property name="visible">1</property></object>'
TEXT_VIEW = '<object class="GtkTextView" id="tv"><property name="visible">1</property></object>'
GENERIC_ACTIONS = ("block, set_sensitive, set_visible, set_tooltip_text, grab_focus, "
                   "set_size_request, style, force, ping, snapshot")
IMAGE = '<object class="GtkImage" id="img"><property name="visible">1</property></object>'
MENU_ITEM = '<object class="GtkMenuItem" id="mi"><property name="label">m</property></object>'


@pytest.mark.parametrize("line, complaint, reason", [
    ("nb:set_current_page 3", 'ignoring GtkNotebook command "nb:set_current_page 3"',
     "no page 3: the notebook has 3"),
    ("nb:set_current_page 1 x", 'ignoring GtkNotebook command "nb:set_current_page 1 x"',
     "usage: set_current_page PAGE (counted from 0)"),
    ("mi:set_label x", 'ignoring GtkMenuItem command "mi:set_label x"',
     "GtkMenuItem has no action 'set_label'; it knows: %s" % GENERIC_ACTIONS),
    ("main:fullscreen 1", 'ignoring GtkWindow command "main:fullscreen 1"', "usage: fullscreen"),
    ("main:resize 640", 'ignoring GtkWindow command "main:resize 640"',
     "usage: resize WIDTH HEIGHT (each 1 to 16384) or resize"),
    ("tv:delete all", 'ignoring GtkTextView command "tv:delete all"', "usage: delete"),
    ("tv:place_cursor end ", 'ignoring GtkTextView command "tv:place_cursor end "',
     "usage: place_cursor end or place_cursor OFFSET"),
    # Read whole, it would never end.
    ("img:set_from_file /dev/zero", 'ignoring GtkImage command "img:set_from_file /dev/zero"',
     "not a regular file"),
], ids=["page-out-of-range", "page-garbage", "menu-item", "fullscreen-data", "resize-one-number",
        "delete-data", "cursor-end-blank", "image-from-a-device"])
def test_complaint_names_class_and_quotes_line(panel, line, complaint, reason):
    p = panel(window_ui(packed(NOTEBOOK, TEXT_VIEW, IMAGE), extra=MENU_ITEM))
    p.send(line)
    assert p.ping() == []
    assert p.wait_stderr("ignoring") == complaint
    p.wait_stderr("  " + reason)
    assert p.all_errors() == [complaint, "  " + reason]
    assert p.quit() == 0


def test_entry_text_echoes_and_block_silences(panel):
    p = panel(window_ui(packed(ENTRY)))
    p.send("e:set_text  hello ")
    assert p.read_line() == "e:text  hello "
    p.send("e:block 1", "e:set_text quiet")
    assert p.ping() == []
    p.send("e:block 0", "e:set_text loud")
    assert p.ping() == ["e:text loud"]
    assert p.errors() == []


def test_text_view_save_is_a_command_that_inserts_the_text(panel, tmp_path):
    p = panel(window_ui(packed(TEXT_VIEW)))
    first, second = tmp_path / "first.txt", tmp_path / "second.txt"
    p.send("tv:set_text one\\n two \\\\ three", "tv:save " + str(first))
    p.ping()
    saved = first.read_bytes()
    assert saved == b"tv:insert_at_cursor one\\n two \\\\ three\n"
    # The saved line, sent back after the view was emptied, brings the text back.
    p.send("tv:delete")
    p.send_bytes(saved)
    p.send("tv:save " + str(second))
    p.ping()
    assert second.read_bytes() == saved
    assert p.errors() == []
    assert p.quit() == 0


def test_text_view_save_to_an_unwritable_name_is_refused(panel, tmp_path):
    p = panel(window_ui(packed(TEXT_VIEW)))
    target = tmp_path / "missing" / "x.txt"
    p.send("tv:save " + str(target), "tv:save")
    p.ping()
    p.wait_stderr('"tv:save"')
    p.wait_for_reasons(2)
    assert p.all_errors() == ['ignoring GtkTextView command "tv:save %s"' % target,
                              "  cannot open the file: No such file or directory",
                              'ignoring GtkTextView command "tv:save"',
                              "  cannot open the file: No such file or directory"]


def xwininfo(wid):
    out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True,
                         timeout=TIMEOUT, check=True).stdout
    values = dict(re.findall(r"^\s*([A-Za-z -]+):\s+(-?\d+)\s*$", out, re.M))
    return {k: int(v) for k, v in values.items()}


def wait_for(probe, expected, timeout=TIMEOUT):
    """Polls until probe() returns expected: X applies a change after the command ran."""
    deadline = time.monotonic() + timeout
    while True:
        got = probe()
        if got == expected or time.monotonic() > deadline:
            return got
        time.sleep(0.05)


WINDOW_WITH_DEFAULTS = window_ui(packed('<object class="GtkLabel"><property name="visible">1</property>'
                                        '<property name="label">x</property></object>')).replace(
    '<property name="title">', '<property name="default-width">300</property>'
                               '<property name="default-height">200</property><property name="title">', 1)


@pytest.mark.x11
def test_window_title_size_and_position_as_x_sees_them(panel):
    p = panel(WINDOW_WITH_DEFAULTS)
    wid = window_id("wirepanel-test")
    size = lambda: (xwininfo(wid)["Width"], xwininfo(wid)["Height"])
    assert wait_for(size, (300, 200)) == (300, 200)

    p.send("main:set_title  New title ")
    p.ping()
    name = lambda: subprocess.run(["xprop", "-id", wid, "WM_NAME"], capture_output=True,
                                  text=True, timeout=TIMEOUT).stdout.strip()
    assert wait_for(name, 'WM_NAME(STRING) = " New title "') == 'WM_NAME(STRING) = " New title "'

    p.send("main:resize 640 480")
    assert wait_for(size, (640, 480)) == (640, 480)
    p.send("main:resize")
    assert wait_for(size, (300, 200)) == (300, 200)

    position = lambda: (xwininfo(wid)["Absolute upper-left X"], xwininfo(wid)["Absolute upper-left Y"])
    p.send("main:move -10 20")
    assert wait_for(position, (-10, 20)) == (-10, 20)
    p.ping()
    assert p.errors() == []


ADJ = ('<object class="GtkAdjustment" id="adj{n}"><property name="upper">10</property>'
       '<property name="step-increment">1</property></object>')
VALUE_WIDGETS = packed(
    '<object class="GtkSwitch" id="sw"><property name="visible">1</property></object>',
    '<object class="GtkCheckButton" id="cb"><property name="visible">1</property></object>',
    '<object class="GtkSpinButton" id="sp"><property name="visible">1</property>'
    '<property name="adjustment">adj1</property><property name="digits">2</property></object>',
    '<object class="GtkScale" id="sc"><property name="visible">1</property>'
    '<property name="adjustment">adj2</property></object>',
    '<object class="GtkCalendar" id="ca"><property name="visible">1</property></object>')


@pytest.mark.parametrize("commands, lines", [
    (["sw:set_active 1", "sw:set_active 1", "sw:set_active 0"], ["sw:1 ", "sw:0 "]),
    (["cb:set_active 1", "cb:set_active 1 "], ["cb:1 "]),
    (["sp:set_text 2.5", "sp:set_text 2.5", "sp:set_text 99"], ["sp:text 2.500000", "sp:text 10.000000"]),
    (["sc:set_value 4", "sc:set_value -3"], ["sc:value 4.000000", "sc:value 0.000000"]),
    (["ca:select_date 2024-12-24", "ca:select_date 2024-12-24 x"], ["ca:clicked 2024-12-24"]),
], ids=["switch", "check-button", "spin-button", "scale", "calendar"])
def test_value_commands_cause_the_usual_feedback(panel, commands, lines):
    """A value set by a command is echoed like a person's change, once per change."""
    p = panel(window_ui(VALUE_WIDGETS, extra=ADJ.format(n=1) + ADJ.format(n=2)))
    p.send(*commands)
    assert p.ping() == lines


def test_numbers_use_a_full_stop_under_a_decimal_comma_locale(panel):
    env = dict(os.environ, LC_ALL="de_DE.utf8")
    p = panel(window_ui(VALUE_WIDGETS, extra=ADJ.format(n=1) + ADJ.format(n=2)), env=env)
    p.send("sp:set_text 2.5", "sp:set_text 3,5", "sc:set_value 1.25")
    assert p.ping() == ["sp:text 2.500000", "sc:value 1.250000"]
    assert p.wait_stderr("ignoring") == 'ignoring GtkSpinButton command "sp:set_text 3,5"'
