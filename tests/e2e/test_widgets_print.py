"""The print dialog, answered by a person at the keyboard: "print" waits for
the answer while other commands go on, and the dialog hides afterwards."""
import os
import subprocess
import time

import pytest

from conftest import TIMEOUT, window_ui, window_id, xdotool

DIALOG = '<object class="GtkPrintUnixDialog" id="pd"><property name="title">print-test</property></object>'
UI = window_ui('<child><object class="GtkLabel" id="l"><property name="visible">1</property>'
               '<property name="label">x</property></object></child>', extra=DIALOG)


def is_mapped(wid):
    out = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True,
                         timeout=TIMEOUT, check=True).stdout
    return "Map State: IsViewable" in out


def open_dialog(p, line):
    """Sends the print command and proves that commands still run meanwhile."""
    p.send(line)
    wid = window_id("print-test")
    # This ping is answered from inside the dialog's own main loop.
    assert p.ping() == []
    assert is_mapped(wid)
    xdotool("windowfocus", "--sync", wid)
    return wid


def choose_print_to_file():
    # The printer list has the focus; "Print to File" is its only printer here.
    xdotool("key", "Down")


def answer(keys):
    xdotool("key", keys)


def finish(p, wid, feedback=()):
    """Waits until "print" has hidden its dialog, then for the commands behind it."""
    deadline = time.monotonic() + TIMEOUT
    while is_mapped(wid):
        assert time.monotonic() < deadline, "the dialog stays open"
        time.sleep(0.05)
    assert p.ping() == list(feedback)


@pytest.fixture
def printing(panel, tmp_path):
    return panel(UI, env=dict(os.environ, HOME=str(tmp_path)))


@pytest.mark.x11
def test_missing_file_with_ok_is_refused(printing):
    wid = open_dialog(printing, "pd:print /nonexistent/file.pdf")
    choose_print_to_file()
    answer("alt+p")
    finish(printing, wid)
    assert printing.wait_stderr("ignoring GtkPrintUnixDialog") == \
        'ignoring GtkPrintUnixDialog command "pd:print /nonexistent/file.pdf"'
    assert printing.quit() == 0


# Closing the dialog's window is reported like any window's close.
@pytest.mark.x11
@pytest.mark.parametrize("keys, feedback", [("alt+c", []), ("Escape", ["pd:closed "])],
                         ids=["cancel", "close"])
def test_cancel_or_close_does_nothing(printing, tmp_path, keys, feedback):
    wid = open_dialog(printing, "pd:print /nonexistent/file.pdf")
    choose_print_to_file()
    answer(keys)
    finish(printing, wid, feedback)
    assert [e for e in printing.errors() if "ignoring" in e or "response" in e] == []
    assert not (tmp_path / "output.pdf").exists()


@pytest.mark.x11
def test_print_to_file_copies_the_file(printing, tmp_path):
    source = tmp_path / "source.ps"
    source.write_bytes(b"%!PS\n% a small job\nshowpage\n" + bytes(range(256)))
    wid = open_dialog(printing, "pd:print " + str(source))
    choose_print_to_file()
    answer("Return")
    finish(printing, wid)
    # The file printer writes into the working directory, after "print" ended.
    output = tmp_path / "output.pdf"
    deadline = time.monotonic() + TIMEOUT
    while not (output.exists() and output.read_bytes() == source.read_bytes()):
        assert time.monotonic() < deadline, "no printed file"
        time.sleep(0.05)
    assert [e for e in printing.errors() if "ignoring" in e] == []
    assert printing.quit() == 0


@pytest.mark.x11
def test_second_print_while_the_dialog_waits_is_refused(printing):
    wid = open_dialog(printing, "pd:print /nonexistent/a")
    printing.send("pd:print /nonexistent/b")
    assert printing.ping() == []
    assert printing.wait_stderr("ignoring") == \
        'ignoring GtkPrintUnixDialog command "pd:print /nonexistent/b"'
    assert is_mapped(wid)
    answer("alt+c")
    finish(printing, wid)
    assert [e for e in printing.errors() if "ignoring" in e] == \
        ['ignoring GtkPrintUnixDialog command "pd:print /nonexistent/b"']


def test_print_dialog_has_no_window_actions(printing):
    printing.send("pd:set_title x")
    printing.ping()
    assert printing.wait_stderr("set_title") == 'ignoring GtkPrintUnixDialog command "pd:set_title x"'


@pytest.mark.x11
def test_quit_while_the_dialog_waits(printing):
    """A quit is not held up until a person answers the dialog."""
    open_dialog(printing, "pd:print /nonexistent/file.pdf")
    printing.send("main:main_quit")
    assert printing.wait_exit() == 0
    assert [e for e in printing.errors() if "ignoring" in e or "response" in e] == []
