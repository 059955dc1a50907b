"""The command line: every option with its exact message, stream and status."""
import os
import stat
import re
import subprocess
import time

import pytest

from conftest import WIREPANEL, TIMEOUT, run_wirepanel, window_ui, ui_text, mode_of, is_fifo

USAGE = ("usage: wirepanel [[-i in-fifo] [-o out-fifo] [-b] [-u glade-file.ui] [-e xid]\n"
         "                  [-l log-file] [-O err-file] [--display X-server]] | [-h |-G |-V]\n")


@pytest.fixture
def ui(tmp_path):
    path = tmp_path / "panel.ui"
    path.write_text(window_ui())
    return str(path)


@pytest.mark.parametrize("args, status, out, err", [
    (["-h"], 0, USAGE, ""),
    (["-V", "-x"], 0, "4.7.0\n", ""),
    (["-u", "nowhere.ui", "-V"], 0, "4.7.0\n", ""),
    (["-x"], 1, "", USAGE),
    (["-u"], 1, "", USAGE),
    (["-h", "extra"], 0, USAGE, ""),
    (["extra"], 1, "", "illegal parameter 'extra'\n" + USAGE),
    (["-V", "extra"], 0, "4.7.0\n", ""),
], ids=["help", "version-stops-parsing", "version-after-option", "bad-option",
        "missing-argument", "help-before-argument", "illegal-parameter", "version-before-argument"])
def test_option_messages(args, status, out, err):
    assert run_wirepanel(args) == (status, out, err)


def test_versions_of_gtk_and_cairo():
    status, out, err = run_wirepanel(["-G"])
    assert status == 0 and err == ""
    assert re.fullmatch(r"GTK\+  v\d+\.\d+\.\d+ \(running v\d+\.\d+\.\d+\)\n"
                        r"cairo v\d+\.\d+\.\d+ \(running v\d+\.\d+\.\d+\)\n", out)


@pytest.mark.parametrize("xid", ["0x1f", "012", " 12", "12x", "-12", ""])
def test_invalid_socket_ids_refused(ui, xid):
    assert run_wirepanel(["-u", ui, "-e", xid]) == (
        1, "", "%s is not a valid XEmbed socket id\n" % xid)


@pytest.mark.x11
def test_socket_id_of_right_form_but_no_socket(ui):
    status, out, err = run_wirepanel(["-u", ui, "-e", "12"])
    assert (status, out) == (1, "")
    assert err.endswith("unable to embed into XEmbed socket 12\n")


@pytest.mark.parametrize("objects", [
    None,
    '<object class="GtkBox" id="main"/>',
    '<object class="GtkWindow" id="other"/>',
], ids=["empty", "box-named-main", "no-main"])
def test_main_must_be_a_window(tmp_path, objects):
    path = tmp_path / "bad.ui"
    path.write_text(ui_text(objects or ""))
    assert run_wirepanel(["-u", str(path)]) == (1, "", "no toplevel window with id 'main'\n")


def test_a_dialog_is_a_window(tmp_path):
    path = tmp_path / "dialog.ui"
    path.write_text(ui_text('<object class="GtkDialog" id="main"/>'))
    proc = subprocess.run([WIREPANEL, "-u", str(path)], input=b"main:main_quit\n",
                          capture_output=True, timeout=TIMEOUT)
    assert (proc.returncode, proc.stderr) == (0, b"")


def test_builder_error_is_reported(tmp_path):
    status, out, err = run_wirepanel(["-u", str(tmp_path / "missing.ui")])
    assert (status, out) == (1, "")
    assert "missing.ui" in err and err.endswith("\n") and err.count("\n") == 1


def test_default_ui_file_and_standard_streams(tmp_path):
    (tmp_path / "wirepanel.ui").write_text(window_ui())
    proc = subprocess.run([WIREPANEL], cwd=tmp_path, input=b"main:ping\nmain:main_quit\n",
                          capture_output=True, timeout=TIMEOUT)
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, b"main:ping \n", b"")


def test_stderr_redirected_to_file_with_0600(tmp_path, ui):
    err_file = tmp_path / "err.txt"
    err_file.write_text("before\n")
    os.chmod(err_file, 0o644)
    proc = subprocess.run([WIREPANEL, "-u", ui, "-O", str(err_file)],
                          input=b"nosuch:x\nmain:main_quit\n", capture_output=True, timeout=TIMEOUT)
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, b"", b"")
    assert err_file.read_text() == 'before\nignoring command "nosuch:x"\n  no object with that id\n'
    assert mode_of(err_file) == 0o600


@pytest.mark.parametrize("option", ["-O", "-l"])
def test_a_device_named_as_log_or_error_file_keeps_its_permissions(tmp_path, ui, option):
    # A private stand-in for /dev/null: the same device under another name.
    device = tmp_path / "null"
    try:
        os.mknod(device, stat.S_IFCHR | 0o666, os.makedev(1, 3))
    except PermissionError:
        pytest.skip("making a device node needs root")
    os.chmod(device, 0o666)
    proc = subprocess.run([WIREPANEL, "-u", ui, option, str(device)],
                          input=b"main:main_quit\n", capture_output=True, timeout=TIMEOUT)
    assert (proc.returncode, proc.stdout, proc.stderr) == (0, b"", b"")
    assert mode_of(device) == 0o666


def test_stderr_redirection_failure_goes_to_stdout(tmp_path, ui):
    target = tmp_path / "no" / "err.txt"
    status, out, err = run_wirepanel(["-u", ui, "-O", str(target)])
    assert (status, err) == (1, "")
    assert out == "redirecting stderr to %s: No such file or directory\n" % target


def test_log_file_failure(tmp_path, ui):
    target = tmp_path / "no" / "log.txt"
    assert run_wirepanel(["-u", ui, "-l", str(target)]) == (
        1, "", "opening log file %s: No such file or directory\n" % target)


def test_background_needs_both_fifos(tmp_path, ui):
    in_fifo = tmp_path / "in"
    assert run_wirepanel(["-u", ui, "-i", str(in_fifo), "-b"]) == (
        1, "", "parameter -b requires both -i and -o\n")
    assert is_fifo(in_fifo)


def test_background_prints_child_pid(tmp_path, ui):
    in_fifo, out_fifo = tmp_path / "in", tmp_path / "out"
    status, out, err = run_wirepanel(["-u", ui, "-i", str(in_fifo), "-o", str(out_fifo), "-b"])
    assert (status, err) == (0, "")
    assert re.fullmatch(r"\d+\n", out)
    pid = int(out)
    os.kill(pid, 0)
    fd_in = os.open(in_fifo, os.O_WRONLY)
    fd_out = os.open(out_fifo, os.O_RDONLY | os.O_NONBLOCK)
    os.write(fd_in, b"main:ping\nmain:main_quit\n")
    os.close(fd_in)
    end = time.monotonic() + TIMEOUT
    while time.monotonic() < end and (in_fifo.exists() or out_fifo.exists()):
        time.sleep(0.05)
    assert not in_fifo.exists() and not out_fifo.exists()
    assert os.read(fd_out, 100) == b"main:ping \n"
    os.close(fd_out)
