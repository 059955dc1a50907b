"""The session log: banner, wait records and command records."""
import os
import re
import resource
import signal
import subprocess

import pytest

from conftest import WIREPANEL, TIMEOUT, window_ui, mode_of

BANNER = "##########\t##### (New Wirepanel session) #####"
WAIT = re.compile(r"^[ \d]{9}\d\t### \(Idle\) ###$")


def run_logged(tmp_path, lines, log="log.txt"):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    proc = subprocess.run([WIREPANEL, "-u", str(ui), "-l", log], input=lines.encode(),
                          capture_output=True, timeout=TIMEOUT, cwd=tmp_path)
    assert proc.returncode == 0
    return proc.stderr.decode()


def command(line):
    return re.compile(r"^[ \d]{9}\d\t" + re.escape(line) + "$")


def check(lines, expected):
    assert len(lines) == len(expected), lines
    for line, want in zip(lines, expected):
        assert want.match(line) if hasattr(want, "match") else line == want, (line, want)


def test_records_alternate(tmp_path):
    (tmp_path / "f.cmd").write_text("inner:x\nmain:ping\n")
    run_logged(tmp_path, "a:x\n# comment\n\nb:set_text one\\ntwo\\\\\nx:load f.cmd\nmain:main_quit\n")
    log = tmp_path / "log.txt"
    check(log.read_text().split("\n"), [
        BANNER, WAIT, command("a:x"), WAIT, command("# comment"), WAIT, command(""),
        WAIT, command("b:set_text one\\ntwo\\\\"), WAIT, command("x:load f.cmd"), WAIT, ""])
    assert mode_of(log) == 0o600


def test_runs_append_and_permissions_become_0600(tmp_path):
    log = tmp_path / "log.txt"
    log.write_text("old\n")
    os.chmod(log, 0o644)
    run_logged(tmp_path, "a:x\nmain:main_quit\n")
    run_logged(tmp_path, "b:x\nmain:main_quit\n")
    check(log.read_text().split("\n"), [
        "old", BANNER, WAIT, command("a:x"), WAIT, BANNER, WAIT, command("b:x"), WAIT, ""])
    assert mode_of(log) == 0o600


def test_log_to_standard_error(tmp_path):
    err = run_logged(tmp_path, "a:x\nmain:main_quit\n", log="-").split("\n")
    # The GUI thread's complaint may come anywhere between the log lines.
    err.remove('ignoring command "a:x"')
    err.remove("  no object with that id")
    check(err, [BANNER, WAIT, command("a:x"), WAIT, ""])


def test_load_time_covers_the_whole_file(tmp_path):
    (tmp_path / "big.cmd").write_text("nosuch:x\n" * 20000)
    run_logged(tmp_path, "x:load big.cmd\nmain:main_quit\n")
    lines = (tmp_path / "log.txt").read_text().split("\n")
    assert command("x:load big.cmd").match(lines[2])
    assert "nosuch" not in "".join(lines)
    assert int(lines[2].split("\t")[0]) > 1000


def test_no_log_without_option(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    proc = subprocess.run([WIREPANEL, "-u", str(ui)], input=b"a:x\nmain:main_quit\n",
                          capture_output=True, timeout=TIMEOUT, cwd=tmp_path)
    assert proc.stderr == b'ignoring command "a:x"\n  no object with that id\n'
    assert sorted(os.listdir(tmp_path)) == ["panel.ui"]


def file_size_limit():
    """Writes beyond 2000 bytes fail with EFBIG instead of killing the process."""
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (2000, 2000))


# On Wayland the toolkit's window and cursor buffers are files too, and a
# file-size limit makes it abort there; the limit is tried under X only.
@pytest.mark.x11
def test_a_log_that_cannot_be_written_is_told_once_and_the_session_goes_on(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    lines = "".join("# comment %d\n" % i for i in range(1000)) + "main:ping\nmain:main_quit\n"
    proc = subprocess.run([WIREPANEL, "-u", str(ui), "-l", "log.txt"], input=lines.encode(),
                          capture_output=True, timeout=TIMEOUT, cwd=tmp_path,
                          preexec_fn=file_size_limit)
    assert proc.stderr == b"writing log file log.txt: File too large\n"
    assert proc.stdout == b"main:ping \n"
    assert proc.returncode == 0
    assert (tmp_path / "log.txt").stat().st_size == 2000
