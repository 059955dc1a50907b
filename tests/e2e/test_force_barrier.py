"""A "ping" or "main_quit" after "force" waits until the activations that
"force" started have written their lines; a feedback line the gone reader
cannot take is reported like one that timed out."""
import subprocess
import time

import pytest

from conftest import TIMEOUT, WIREPANEL, window_ui

WIDGETS = ('<child><object class="GtkBox"><property name="visible">1</property>'
           '<property name="orientation">vertical</property>'
           '<child><object class="GtkButton" id="btn"><property name="visible">1</property>'
           '<property name="label">Press</property></object></child>'
           '<child><object class="GtkSwitch" id="sw"><property name="visible">1</property>'
           '</object></child>'
           '<child><object class="GtkCheckButton" id="cb"><property name="visible">1</property>'
           '<property name="label">Check</property></object></child>'
           '<child><object class="GtkEntry" id="e"><property name="visible">1</property>'
           '</object></child>'
           '<child><object class="GtkButton" id="hidden"><property name="label">Hidden</property>'
           '</object></child>'
           '</object></child>')
UI = window_ui(WIDGETS)


@pytest.fixture
def shown(panel):
    p = panel(UI)
    p.ping()
    return p


@pytest.mark.parametrize("widget, line", [
    ("btn", "btn:clicked "),
    ("sw", "sw:1 "),
    ("cb", "cb:1 "),
], ids=["button", "switch", "check-button"])
def test_ping_waits_for_the_forced_activation(shown, widget, line):
    shown.send(widget + ":force", "main:ping")
    assert [shown.read_line(), shown.read_line()] == [line, "main:ping "]


def test_commands_between_force_and_ping_run_at_once_in_order(shown):
    shown.send("btn:force", "sw:force", "e:set_text a", "cb:force", "main:ping", "e:set_text b")
    lines = [shown.read_line() for _ in range(6)]
    assert lines[0] == "e:text a"
    assert sorted(lines[1:4]) == ["btn:clicked ", "cb:1 ", "sw:1 "]
    assert lines[4:] == ["main:ping ", "e:text b"]


def test_a_button_that_cannot_click_holds_nothing_up(shown):
    # A button never shown has no press to show: "force" clicks nothing.
    start = time.monotonic()
    shown.send("hidden:force", "main:ping")
    assert shown.read_line() == "main:ping "
    assert time.monotonic() - start < 0.9


def test_main_quit_waits_for_the_forced_click(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(UI)
    proc = subprocess.run([WIREPANEL, "-u", str(ui)], input=b"btn:force\nmain:main_quit\n",
                          capture_output=True, timeout=TIMEOUT)
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, b"btn:clicked \n", b"")


def test_a_line_the_gone_reader_cannot_take_is_reported(panel):
    p = panel(window_ui(), stdio=True)
    p.ping()
    p.proc.stdout.close()
    p.send("main:ping", "main:ping")
    deadline = time.monotonic() + TIMEOUT
    while len(p.errors()) < 2 and time.monotonic() < deadline:
        time.sleep(0.05)
    assert p.errors() == ["send error; discarding feedback message main:ping"] * 2
    p.send("main:main_quit")
    assert p.wait_exit() == 0
