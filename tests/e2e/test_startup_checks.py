"""Start-up tells the truth: a UI file that is not well-formed XML is refused
with its name, line and column; in the background the parent's exit status
and message are the child's; a failed start-up leaves no FIFO behind."""
import os
import re
import time

import pytest

from conftest import TIMEOUT, run_wirepanel, ui_text, window_ui

GOOD = window_ui()

# Each broken file, with the message start-up gives for it.
BROKEN = [
    pytest.param('<?xml version="1.0"?>\n<interface>\n  <object class="GtkWindow" id="main">',
                 "{ui}:3:39 not well-formed XML: Premature end of data in tag object line 3",
                 id="truncated"),
    pytest.param('<?xml version="1.0"?>\n<interface>\n  <object class="GtkWindow" id="main">\n'
                 '  </objekt>\n</interface>\n',
                 "{ui}:4:12 not well-formed XML: Opening and ending tag mismatch: "
                 "object line 3 and objekt", id="mismatched-tag"),
    pytest.param('<?xml version="1.0"?>\n<interface>\n  <object class="GtkWindow" id="main">\n'
                 '    <property name="title">a &bogus; b</property>\n  </object>\n</interface>\n',
                 "{ui}:4:37 not well-formed XML: Entity 'bogus' not defined", id="bad-entity"),
    pytest.param("", "{ui}:1:1 not well-formed XML: Document is empty", id="empty"),
    # Well-formed, but the toolkit's own loader refuses it; its message names the file too.
    pytest.param('<?xml version="1.0"?>\n<!DOCTYPE interface [ <!ENTITY t "x"> ]>\n<interface>\n'
                 '  <object class="GtkWindow" id="main">\n'
                 '    <property name="title">&t;</property>\n  </object>\n</interface>\n',
                 "{ui}: Error on line 5: Entity name \u201ct\u201d is not known",
                 id="toolkit-markup-error"),
    pytest.param('<?xml version="1.0"?>\n<interface>\n  <object class="GtkNoSuch" id="main"/>\n'
                 '</interface>\n', "{ui}:3:40 Invalid object type 'GtkNoSuch'",
                 id="toolkit-unknown-class"),
]


@pytest.mark.parametrize("text, message", BROKEN)
def test_broken_ui_file_is_refused_with_name_line_and_column(tmp_path, text, message):
    ui = tmp_path / "broken.ui"
    ui.write_text(text)
    assert run_wirepanel(["-u", str(ui)]) == (1, "", message.format(ui=ui) + "\n")


def missing_ui(tmp_path):
    return str(tmp_path / "nothere.ui"), "Failed to open file \u201c%s\u201d: No such file or directory" % (
        tmp_path / "nothere.ui")


def no_main_ui(tmp_path):
    path = tmp_path / "nomain.ui"
    path.write_text(ui_text('<object class="GtkWindow" id="other"/>'))
    return str(path), "no toplevel window with id 'main'"


def broken_ui(tmp_path):
    path = tmp_path / "broken.ui"
    path.write_text(GOOD[:60])
    return str(path), "%s:1:61 not well-formed XML: " % path


@pytest.mark.parametrize("background", [True, False], ids=["background", "foreground"])
@pytest.mark.parametrize("make_ui", [missing_ui, no_main_ui, broken_ui],
                         ids=["missing-file", "no-main", "broken-xml"])
def test_failed_start_up_says_why_and_leaves_no_fifo(tmp_path, make_ui, background):
    ui, message = make_ui(tmp_path)
    in_fifo, out_fifo = tmp_path / "in", tmp_path / "out"
    args = ["-u", ui, "-i", str(in_fifo), "-o", str(out_fifo)] + (["-b"] if background else [])
    status, out, err = run_wirepanel(args)
    assert (status, out) == (1, "")
    assert err.startswith(message) and err.endswith("\n") and err.count("\n") == 1
    assert not in_fifo.exists() and not out_fifo.exists()


def test_background_failure_goes_to_the_parents_redirected_stderr_once(tmp_path):
    ui, message = no_main_ui(tmp_path)
    err_file = tmp_path / "err.txt"
    status, out, err = run_wirepanel(["-u", ui, "-i", str(tmp_path / "in"), "-o",
                                      str(tmp_path / "out"), "-O", str(err_file), "-b"])
    assert (status, out, err) == (1, "", "")
    assert err_file.read_text() == message + "\n"


def test_background_start_prints_pid_once_the_window_is_up(tmp_path):
    ui = tmp_path / "good.ui"
    ui.write_text(GOOD)
    in_fifo, out_fifo = tmp_path / "in", tmp_path / "out"
    status, out, err = run_wirepanel(["-u", str(ui), "-i", str(in_fifo), "-o", str(out_fifo),
                                      "-b"])
    assert (status, err) == (0, "")
    assert re.fullmatch(r"\d+\n", out)
    fd_out = os.open(out_fifo, os.O_RDONLY | os.O_NONBLOCK)
    fd_in = os.open(in_fifo, os.O_WRONLY)
    try:
        os.write(fd_in, b"main:ping\n")
        deadline = time.monotonic() + TIMEOUT
        got = b""
        while not got.endswith(b"\n") and time.monotonic() < deadline:
            try:
                got += os.read(fd_out, 100)
            except BlockingIOError:
                time.sleep(0.02)
        assert got == b"main:ping \n"
        os.write(fd_in, b"main:main_quit\n")
    finally:
        os.close(fd_in)
        os.close(fd_out)
    deadline = time.monotonic() + TIMEOUT
    while (in_fifo.exists() or out_fifo.exists()) and time.monotonic() < deadline:
        time.sleep(0.05)
    assert not in_fifo.exists() and not out_fifo.exists()
