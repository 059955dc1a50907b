"""The channels as FIFOs: created or taken over with 0600, validated, removed."""
import os
import subprocess
import time

from conftest import WIREPANEL, TIMEOUT, Panel, window_ui, mode_of, is_fifo, run_wirepanel, \
    without_reasons


def test_fifos_created_0600_and_removed_at_exit(panel, tmp_path):
    p = panel(window_ui())
    assert is_fifo(p.in_path) and is_fifo(p.out_path)
    assert mode_of(p.in_path) == 0o600 and mode_of(p.out_path) == 0o600
    assert p.ping() == []
    assert p.quit() == 0
    assert not p.in_path.exists() and not p.out_path.exists()


def test_existing_fifo_taken_over(panel, tmp_path):
    os.mkfifo(tmp_path / "in.fifo", 0o644)
    os.chmod(tmp_path / "in.fifo", 0o644)
    p = panel(window_ui())
    p.ping()
    assert mode_of(p.in_path) == 0o600
    assert p.quit() == 0
    assert not p.in_path.exists()


def test_regular_file_refused_and_untouched(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    plain = tmp_path / "plain"
    plain.write_text("keep me\n")
    os.chmod(plain, 0o644)
    assert run_wirepanel(["-u", str(ui), "-i", str(plain)]) == (
        1, "", "using pre-existing fifo %s: not a FIFO\n" % plain)
    assert plain.read_text() == "keep me\n" and mode_of(plain) == 0o644


def test_directory_refused(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    assert run_wirepanel(["-u", str(ui), "-o", str(tmp_path)]) == (
        1, "", "using pre-existing fifo %s: not a FIFO\n" % tmp_path)


def test_fifo_that_cannot_be_made(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    target = tmp_path / "missing" / "in"
    assert run_wirepanel(["-u", str(ui), "-i", str(target)]) == (
        1, "", "making fifo %s: No such file or directory\n" % target)


def test_output_fifo_failure_leaves_input_fifo(tmp_path):
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    status, _, err = run_wirepanel(["-u", str(ui), "-i", str(tmp_path / "in"),
                                    "-o", str(tmp_path / "missing" / "out")])
    assert status == 1 and err.startswith("making fifo ")
    assert is_fifo(tmp_path / "in")


def test_client_closing_its_end_does_not_end_the_program(panel):
    p = panel(window_ui())
    os.close(p.wfd)
    time.sleep(0.2)
    assert p.proc.poll() is None
    p.wfd = os.open(p.in_path, os.O_WRONLY)
    assert p.ping() == []
    assert p.quit() == 0


def test_commands_written_before_start_run_in_order(tmp_path):
    """Commands waiting in the FIFO are read before the main loop runs."""
    ui = tmp_path / "panel.ui"
    ui.write_text(window_ui())
    in_fifo, out_fifo = tmp_path / "in", tmp_path / "out"
    os.mkfifo(in_fifo, 0o600)
    keep = os.open(in_fifo, os.O_RDWR)
    os.write(keep, b"a:x\nb:x\nmain:ping\nc:x\nmain:main_quit\n")
    proc = subprocess.run([WIREPANEL, "-u", str(ui), "-i", str(in_fifo), "-o", str(out_fifo)],
                          capture_output=True, timeout=TIMEOUT)
    os.close(keep)
    assert proc.returncode == 0
    assert without_reasons(proc.stderr.decode()) == [
        'ignoring command "a:x"', 'ignoring command "b:x"', 'ignoring command "c:x"']
