"""Command files: "load" reads commands from files, nested and bounded."""
import subprocess

import pytest

from conftest import WIREPANEL, TIMEOUT, window_ui, without_reasons


def run_lines(tmp_path, lines, args=()):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    proc = subprocess.run([WIREPANEL, "-u", str(ui)] + list(args), input=lines.encode(),
                          capture_output=True, timeout=TIMEOUT, cwd=tmp_path)
    return proc.returncode, proc.stdout.decode(), proc.stderr.decode()


def complaints(err):
    return without_reasons(err)


def test_nested_files_run_in_file_order(tmp_path):
    (tmp_path / "a.cmd").write_text("a1:x\na2:x\nx:load b.cmd\na3:x\n")
    (tmp_path / "b.cmd").write_text("b1:x\n# comment\n\nb2:x")  # no final line feed
    status, out, err = run_lines(tmp_path, "c0:x\nx:load a.cmd\nc1:x\nmain:main_quit\n")
    assert status == 0
    assert complaints(err) == ['ignoring command "%s:x"' % n
                               for n in ["c0", "a1", "a2", "b1", "b2", "a3", "c1"]]


def test_file_loading_itself_runs_once(tmp_path):
    (tmp_path / "self.cmd").write_text("s1:x\nmain:load self.cmd\ns2:x\n")
    status, _, err = run_lines(tmp_path, "x:load self.cmd\nmain:main_quit\n")
    assert status == 0
    assert complaints(err) == ['ignoring command "s1:x"',
                               'ignoring GtkWindow command "main:load self.cmd"',
                               'ignoring command "s2:x"']


def test_chain_stops_at_the_256th_file(tmp_path):
    for i in range(1, 258):
        (tmp_path / ("f%d" % i)).write_text("f%d:x\nx:load f%d\n" % (i, i + 1))
    status, _, err = run_lines(tmp_path, "x:load f1\nmain:main_quit\n")
    assert status == 0
    assert complaints(err) == ['ignoring command "f%d:x"' % i for i in range(1, 256)] + [
        'ignoring command "x:load f256"']


MISSING = "  cannot open the command file: No such file or directory"
LOAD_USAGE = "  usage: load FILE (a command file not being read already)"


@pytest.mark.parametrize("line, complaint, reason", [
    ("main:load missing.cmd", 'ignoring command "main:load missing.cmd"', MISSING),
    ("x:load missing.cmd", 'ignoring command "x:load missing.cmd"', MISSING),
    ("main:load", 'ignoring GtkWindow command "main:load"', LOAD_USAGE),
    ("main:load ", 'ignoring GtkWindow command "main:load "', LOAD_USAGE),
    ("x:load", 'ignoring command "x:load"', "  no object with that id"),
], ids=["missing-widget-name", "missing", "empty-widget", "empty-blank", "empty-unknown"])
def test_loads_that_fail(tmp_path, line, complaint, reason):
    assert run_lines(tmp_path, line + "\nmain:main_quit\n") == (0, "", complaint + "\n" + reason + "\n")


def test_trailing_blank_belongs_to_the_file_name(tmp_path):
    (tmp_path / "t.cmd ").write_text("blank:x\n")
    (tmp_path / "t.cmd").write_text("plain:x\n")
    status, out, err = run_lines(tmp_path, "x:load t.cmd \nmain:main_quit\n")
    assert (status, out, without_reasons(err)) == (0, "", ['ignoring command "blank:x"'])


def test_ping_in_nested_file_answers_after_both_files(tmp_path):
    (tmp_path / "outer").write_text("x:load inner\nmain:ping\nouter:x\n")
    (tmp_path / "inner").write_text("main:ping\ninner:x\n")
    status, out, err = run_lines(tmp_path, "x:load outer\nmain:ping\nmain:main_quit\n")
    assert (status, out) == (0, "main:ping \n" * 3)
    assert complaints(err) == ['ignoring command "inner:x"', 'ignoring command "outer:x"']


def test_main_quit_inside_a_file_ends_the_program(tmp_path):
    (tmp_path / "quit.cmd").write_text("q:x\nmain:main_quit\nafter:x\n")
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    proc = subprocess.Popen([WIREPANEL, "-u", str(ui)], stdin=subprocess.PIPE,
                            stderr=subprocess.PIPE, stdout=subprocess.PIPE, cwd=tmp_path)
    proc.stdin.write(b"x:load quit.cmd\n")
    proc.stdin.flush()
    assert proc.wait(TIMEOUT) == 0
    assert without_reasons(proc.stderr.read().decode()) == ['ignoring command "q:x"']
    proc.stdin.close()


VIEWS = ('<child><object class="GtkBox" id="box"><property name="visible">1</property>'
         '<child><object class="GtkTextView" id="tv"><property name="visible">1</property></object></child>'
         '<child><object class="GtkTreeView" id="tree"><property name="visible">1</property>'
         '<property name="model">store</property></object></child>'
         '</object></child>')
STORE = ('<object class="GtkTreeStore" id="store"><columns><column type="gchararray"/>'
         '<column type="gint"/></columns></object>')


def test_saved_views_load_back(panel, tmp_path):
    """A text view's and a tree store's saved files rebuild their content."""
    p = panel(window_ui(VIEWS, STORE))
    p.send("tv:set_text first line\\nsecond \\\\ line",
           "tree:set 0 0 top", "tree:set 0 1 7", "tree:set 0:1 0 child\\nwith break",
           "tree:set 1 1 -3",
           "tv:save %s" % (tmp_path / "text.cmd"), "tree:save %s" % (tmp_path / "tree.cmd"))
    p.ping()
    text_file = (tmp_path / "text.cmd").read_text()
    tree_file = (tmp_path / "tree.cmd").read_text()
    assert text_file == "tv:insert_at_cursor first line\\nsecond \\\\ line\n"
    p.send("tv:delete", "tree:clear",
           "x:load %s" % (tmp_path / "text.cmd"), "x:load %s" % (tmp_path / "tree.cmd"),
           "tv:save %s" % (tmp_path / "text2.cmd"), "tree:save %s" % (tmp_path / "tree2.cmd"))
    p.ping()
    assert (tmp_path / "text2.cmd").read_text() == text_file
    assert (tmp_path / "tree2.cmd").read_text() == tree_file
    assert "child\\nwith break" in tree_file
    assert p.errors() == []
    assert p.quit() == 0
