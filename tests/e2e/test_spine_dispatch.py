"""Splitting and dispatch, seen through the "ignoring" complaint and exits."""
import subprocess

import pytest

from conftest import WIREPANEL, TIMEOUT, window_ui, window_id, without_reasons

EXTRA = ('<object class="GtkListStore" id="store"><columns><column type="gchararray"/></columns>'
         '</object><object class="GtkAdjustment" id="adj"/>'
         '<object class="GtkAboutDialog" id="about"/>')
CHILD = '<child><object class="GtkLinkButton" id="link"><property name="visible">True</property>' \
        '</object></child>'


def run_lines(tmp_path, lines):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui(CHILD, EXTRA))
    proc = subprocess.run([WIREPANEL, "-u", str(ui)], input=lines.encode(), capture_output=True,
                          timeout=TIMEOUT)
    return proc.returncode, proc.stdout.decode(), proc.stderr.decode()


@pytest.mark.parametrize("line, complaint, reason", [
    ("nosuch:set_text hi", 'ignoring command "nosuch:set_text hi"',
     "  no object with that id"),
    ("main:main_quit now", 'ignoring command "main:main_quit now"',
     "  main_quit takes no data"),
    (":main_quit", 'ignoring command ":main_quit"',
     "  the line does not begin with an id, a colon and an action"),
    ("   ", 'ignoring command "   "',
     "  the line does not begin with an id, a colon and an action"),
    ("main ping", 'ignoring command "main ping"',
     "  the line does not begin with an id, a colon and an action"),
    ("main:", 'ignoring command "main:"',
     "  the line does not begin with an id, a colon and an action"),
    ("main:Ping", 'ignoring GtkWindow command "main:Ping"',
     "  GtkWindow has no action 'Ping'; it knows: set_title, fullscreen, unfullscreen, resize, move, block, set_sensitive, set_visible, set_tooltip_text, grab_focus, set_size_request, style, force, ping, snapshot"),
    ("main:ping x", 'ignoring GtkWindow command "main:ping x"',
     "  usage: ping"),
    ("about:set_title x", 'ignoring GtkAboutDialog command "about:set_title x"',
     "  GtkAboutDialog has no action 'set_title'; it knows: block, set_sensitive, set_visible, set_tooltip_text, grab_focus, set_size_request, style, force, ping, snapshot"),
    ("link:set_label x", 'ignoring GtkLinkButton command "link:set_label x"',
     "  GtkLinkButton has no action 'set_label'; it knows: block, set_sensitive, set_visible, set_tooltip_text, grab_focus, set_size_request, style, force, ping, snapshot"),
    ("store:ping", 'ignoring GtkListStore command "store:ping"',
     "  GtkListStore has no action 'ping'; it knows: block"),
    ("adj:set_visible 1", 'ignoring GtkAdjustment command "adj:set_visible 1"',
     "  GtkAdjustment has no action 'set_visible'; it knows: block"),
    ("a.b:ping", 'ignoring command "a.b:ping"',
     "  the line does not begin with an id, a colon and an action"),
    ("main:set_text a\\nb", 'ignoring GtkWindow command "main:set_text a\nb"',
     "  GtkWindow has no action 'set_text'; it knows: set_title, fullscreen, unfullscreen, resize, move, block, set_sensitive, set_visible, set_tooltip_text, grab_focus, set_size_request, style, force, ping, snapshot"),
    ("load", 'ignoring command "load"',
     "  the line does not begin with an id, a colon and an action"),
    ("main:load", 'ignoring GtkWindow command "main:load"',
     "  usage: load FILE (a command file not being read already)"),
    ("mian:ping", 'ignoring command "mian:ping"',
     "  no object with that id; the nearest is 'main'"),
    ("lnik:ping", 'ignoring command "lnik:ping"',
     "  no object with that id; the nearest is 'link'"),
    ("main:resize 10", 'ignoring GtkWindow command "main:resize 10"',
     "  usage: resize WIDTH HEIGHT (each 1 to 16384) or resize"),
    ("main:set_sensitive maybe", 'ignoring GtkWindow command "main:set_sensitive maybe"',
     "  usage: set_sensitive 0|1"),
    ("adj:block 2", 'ignoring GtkAdjustment command "adj:block 2"', "  usage: block 0|1"),
    ("main:snapshot x.bmp", 'ignoring GtkWindow command "main:snapshot x.bmp"',
     "  usage: snapshot FILE.svg|.pdf|.ps|.eps|.epsf"),
    ("main:snapshot /nonexistent/dir/x.svg",
     'ignoring GtkWindow command "main:snapshot /nonexistent/dir/x.svg"',
     "  cannot open the file: No such file or directory"),
    ("main:load /nonexistent/x.cmd", 'ignoring command "main:load /nonexistent/x.cmd"',
     "  cannot open the command file: No such file or directory"),
], ids=lambda v: v.replace(" ", "_"))
def test_unusable_lines_are_ignored(tmp_path, line, complaint, reason):
    status, out, err = run_lines(tmp_path, line + "\nmain:main_quit\n")
    assert (status, out, err) == (0, "", complaint + "\n" + reason + "\n")


@pytest.mark.parametrize("lines", [
    "x:main_quit\n", "nosuch:main_quit\n", "main:main_quit   \n", "  main:main_quit\t\n",
])
def test_main_quit_by_any_name(tmp_path, lines):
    """Nothing read after the quit runs."""
    assert run_lines(tmp_path, lines + "main:ping\n") == (0, "", "")


def test_comments_and_empty_lines_do_nothing(tmp_path):
    status, out, err = run_lines(tmp_path, "\n# comment\n   # indented\nmain:ping\n\nmain:main_quit\n")
    assert (status, out, err) == (0, "main:ping \n", "")


def test_commands_run_in_order(tmp_path):
    lines = "".join("w%d:x\n" % i for i in range(200)) + "main:main_quit\n"
    status, _, err = run_lines(tmp_path, lines)
    assert status == 0
    assert without_reasons(err) == ['ignoring command "w%d:x"' % i for i in range(200)]


def test_nul_ends_the_line_text(tmp_path):
    status, out, err = run_lines(tmp_path, "main:ping\0 garbage\nmain:main_quit\n")
    assert (status, out, err) == (0, "main:ping \n", "")


def test_standard_input_left_for_the_next_reader(tmp_path):
    """Bytes after main_quit stay in standard input for the next process."""
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    script = '"%s" -u "%s"; cat' % (WIREPANEL, ui)
    proc = subprocess.run(["sh", "-c", script], input=b"main:main_quit\nrest of input\n",
                          capture_output=True, timeout=TIMEOUT)
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, b"rest of input\n", b"")


@pytest.mark.x11
def test_end_of_input_keeps_the_window(panel):
    p = panel(window_ui(), stdio=True)
    p.send("main:ping")
    assert p.read_line() == "main:ping "
    p.proc.stdin.close()
    window_id("wirepanel-test")
    assert p.proc.poll() is None


def test_quit_with_commands_still_queued(tmp_path):
    lines = "main:main_quit\n" + "main:ping\n" * 5000
    status, out, err = run_lines(tmp_path, lines)
    assert status == 0 and err == ""
    assert out.count("main:ping") < 5000


def test_quit_while_reader_waits(panel):
    p = panel(window_ui())
    p.ping()
    p.send("main:main_quit")
    assert p.wait_exit() == 0
    assert p.errors() == []
