"""Whatever follows a quit stays in standard input for the next reader,
however the input arrives and wherever the quit stands in a batch; commands
run in the order read, and a flood waits in the client's channel instead of
piling up in memory."""
import os
import subprocess
import threading
import time

import pytest

from conftest import TIMEOUT, WIREPANEL, window_id, window_ui, xdotool
from test_widgets_print import DIALOG, answer, finish, is_mapped

ENTRY = '<child><object class="GtkEntry" id="e"><property name="visible">1</property></object></child>'


def run_then_cat(tmp_path, data, source, widgets=ENTRY):
    """Runs wirepanel and then cat on one standard input holding data, given
    as a pipe or as a regular file; returns (status, stdout, stderr)."""
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui(widgets))
    script = '"%s" -u "%s"; cat' % (WIREPANEL, ui)
    if source == "pipe":
        proc = subprocess.run(["sh", "-c", script], input=data, capture_output=True,
                              timeout=TIMEOUT * 3)
    else:
        path = tmp_path / "input"
        path.write_bytes(data)
        with open(path, "rb") as stdin:
            proc = subprocess.run(["sh", "-c", script], stdin=stdin, capture_output=True,
                                  timeout=TIMEOUT * 3)
    return proc.returncode, proc.stdout, proc.stderr


def lines(*items):
    return "".join(item + "\n" for item in items).encode()


LONG = "# " + "x" * 150000  # a comment longer than one block of input
BEFORE = ["e:set_text %d" % i for i in range(300)] + ["main:ping"]
AFTER = ["e:set_text after %d" % i for i in range(300)]

# (name, what is sent, the feedback wirepanel writes, what cat must find)
QUIT_CASES = [
    ("quit alone", lines("main:main_quit", "rest"), b"", lines("rest")),
    ("quit inside a batch", lines(*BEFORE, "main:main_quit", *AFTER),
     lines(*("e:text %d" % i for i in range(300)), "main:ping "), lines(*AFTER)),
    ("quit behind a long line", lines(LONG, "e:set_text end", "main:main_quit", LONG, "e:set_text no"),
     lines("e:text end"), lines(LONG, "e:set_text no")),
    ("quit as the last bytes", lines("main:ping", "main:main_quit"), lines("main:ping "), b""),
    ("no line feed after the rest", lines("main:main_quit") + b"e:set_text partial",
     b"", b"e:set_text partial"),
]


@pytest.mark.parametrize("source", ["pipe", "file"])
@pytest.mark.parametrize("name,data,feedback,rest", QUIT_CASES, ids=[c[0] for c in QUIT_CASES])
def test_a_quit_leaves_the_rest_of_standard_input(tmp_path, source, name, data, feedback, rest):
    status, out, err = run_then_cat(tmp_path, data, source)
    assert (status, err) == (0, b"")
    assert out == feedback + rest


@pytest.mark.parametrize("source", ["pipe", "file"])
def test_a_quit_in_a_command_file_leaves_what_follows_the_load(tmp_path, source):
    commands = tmp_path / "commands"
    commands.write_bytes(lines("e:set_text from file", "main:main_quit", "e:set_text never"))
    data = lines("main:ping", "main:load %s" % commands, *AFTER)
    status, out, err = run_then_cat(tmp_path, data, source)
    assert (status, err) == (0, b"")
    assert out == lines("main:ping ", "e:text from file", *AFTER)


# A button to "force" beside the entry: a ping after it is held until the
# button has shown its press, and whatever is read meanwhile waits behind it.
BUTTON_AND_ENTRY = ('<child><object class="GtkBox"><property name="visible">1</property>'
                    '<child><object class="GtkButton" id="btn"><property name="visible">1</property>'
                    '<property name="label">Press</property></object></child>' + ENTRY
                    + '</object></child>')


@pytest.mark.parametrize("stdio", [True, False], ids=["std streams", "FIFOs"])
def test_lines_read_while_a_ping_is_held_run_after_it_in_order(panel, stdio):
    p = panel(window_ui(BUTTON_AND_ENTRY), stdio=stdio)
    p.ping()
    p.send("btn:force", "main:ping")
    p.send("e:set_text a", "main:ping", "e:set_text b")
    got = [p.read_line() for _ in range(5)]
    assert got == ["btn:clicked ", "main:ping ", "e:text a", "main:ping ", "e:text b"]
    assert p.errors() == []
    assert p.quit() == 0


@pytest.mark.parametrize("source", ["pipe", "file"])
def test_a_quit_behind_a_held_ping_leaves_the_rest(tmp_path, source):
    data = lines("btn:force", "main:ping", "e:set_text a", "main:main_quit", *AFTER)
    status, out, err = run_then_cat(tmp_path, data, source, BUTTON_AND_ENTRY)
    assert (status, err) == (0, b"")
    assert out == lines("btn:clicked ", "main:ping ", "e:text a", *AFTER)


@pytest.mark.parametrize("stdio", [True, False], ids=["std streams", "FIFOs"])
def test_a_ping_is_answered_in_order_while_a_flood_is_still_being_read(panel, stdio):
    p = panel(window_ui(ENTRY), stdio=stdio)
    p.ping()
    before, after = 20000, 60000
    flood = lines(*("e:set_text %d" % i for i in range(before)), "main:ping",
                  *("e:set_text %d" % i for i in range(before, before + after)), "main:ping")
    writer = threading.Thread(target=p.send_bytes, args=(flood,), daemon=True)
    writer.start()
    first = [p.read_line() for _ in range(before)]
    assert p.read_line() == "main:ping "
    # Nobody reads the feedback of the commands after the ping meanwhile, so
    # the GUI can run only as many as the output channel holds, and the
    # reader can take only a bounded number ahead of them: most of the flood
    # must still wait in the input channel, its writer blocked.
    assert writer.is_alive(), "the whole flood was taken into memory"
    rest = [p.read_line() for _ in range(after)]
    assert p.read_line() == "main:ping "
    writer.join(TIMEOUT)
    assert first + rest == ["e:text %d" % i for i in range(before + after)]
    assert p.errors() == []
    assert p.quit() == 0


# Lines that arrive in pieces, each piece written on its own: the GUI thread
# reading between the pieces must join them, escapes split across them too.
SPLIT_CASES = [
    ("line in two pieces", [b"e:set_te", b"xt split\n"], ["e:text split"]),
    ("escape split", [b"e:set_text a\\", b"nb\\", b"\\c\n"], ["e:text a\nb\\c"]),
    ("two lines and a half", [b"e:set_text 1\ne:set_text 2\ne:set", b"_text 3\n"],
     ["e:text 1", "e:text 2", "e:text 3"]),
    ("line longer than a block", [b"# " + b"y" * 70000, b"y" * 70000 + b"\n", b"e:set_text after\n"],
     ["e:text after"]),
]


@pytest.mark.parametrize("stdio", [True, False], ids=["std streams", "FIFOs"])
@pytest.mark.parametrize("name,pieces,expected", SPLIT_CASES, ids=[c[0] for c in SPLIT_CASES])
def test_a_line_written_in_pieces_is_read_whole(panel, stdio, name, pieces, expected):
    p = panel(window_ui(ENTRY), stdio=stdio)
    p.ping()
    for piece in pieces:
        p.send_bytes(piece)
        # Gives the panel time to read the piece alone; the result must not
        # depend on whether it did.
        time.sleep(0.1)
    assert [line.replace("\\n", "\n").replace("\\\\", "\\") for line in p.ping()] == expected
    assert p.errors() == []


def test_a_quit_inside_a_batch_on_fifos_runs_nothing_after_it(panel):
    p = panel(window_ui(ENTRY))
    p.ping()
    p.send("e:set_text before", "main:main_quit", *("e:set_text after %d" % i for i in range(100)))
    assert p.read_line() == "e:text before"
    assert p.wait_exit() == 0
    with pytest.raises(AssertionError, match="closed"):
        p.read_line()


@pytest.mark.x11
@pytest.mark.parametrize("stdio", [True, False], ids=["std streams", "FIFOs"])
def test_lines_sent_while_the_print_dialog_waits_run_inside_its_loop(panel, tmp_path, stdio):
    p = panel(window_ui(ENTRY, extra=DIALOG), stdio=stdio,
              env=dict(os.environ, HOME=str(tmp_path)))
    p.ping()  # the panel is up before the dialog is asked for
    p.send("pd:print /nonexistent/file.pdf")
    # The dialog loads its print back-ends first, which on a busy machine takes a while.
    try:
        wid = window_id("print-test", timeout=TIMEOUT * 3, pid=p.proc.pid)
    except AssertionError as error:
        raise AssertionError("%s; running %s, stderr %r" % (
            error, p.proc.poll() is None, p.all_errors())) from None
    # Written only once the dialog is up, so they are read inside its loop.
    p.send("e:set_text inside", "main:ping")
    assert p.read_line() == "e:text inside"
    assert p.read_line() == "main:ping "
    assert is_mapped(wid)
    xdotool("windowfocus", "--sync", wid)
    answer("alt+c")
    finish(p, wid)
    assert p.quit() == 0


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


@pytest.mark.parametrize("stdio", [True, False], ids=["std streams", "FIFOs"])
def test_half_a_line_is_waited_for_without_spinning(panel, stdio):
    p = panel(window_ui(ENTRY), stdio=stdio)
    p.ping()
    p.send_bytes(b"e:set_te")
    time.sleep(0.2)  # lets the panel take the half line in; not a barrier
    before = cpu_seconds(p.proc.pid)
    time.sleep(1.0)
    # A panel that polled input it cannot use would burn the whole second.
    assert cpu_seconds(p.proc.pid) - before < 0.5
    p.send_bytes(b"xt whole\n")
    assert p.ping() == ["e:text whole"]


@pytest.mark.parametrize("stdio", [True, False], ids=["std streams", "FIFOs"])
@pytest.mark.parametrize("lead", [0, 20000], ids=["alone", "behind a flood"])
def test_lines_before_a_load_that_waits_have_run(panel, tmp_path, stdio, lead):
    """Opening a FIFO as a command file waits for its writer; what came
    before the load in the same write has run meanwhile."""
    fifo = tmp_path / "commands.fifo"
    os.mkfifo(fifo)
    p = panel(window_ui(ENTRY), stdio=stdio)
    p.ping()
    data = lines(*("e:set_text %d" % i for i in range(lead)), "e:set_text before",
                 "main:load %s" % fifo)
    writer = threading.Thread(target=p.send_bytes, args=(data,), daemon=True)
    writer.start()
    assert [p.read_line() for _ in range(lead + 1)][-1] == "e:text before"
    writer.join(TIMEOUT)
    with open(fifo, "w") as writer:
        writer.write("e:set_text inside\n")
    assert p.ping() == ["e:text inside"]
    assert p.quit() == 0
