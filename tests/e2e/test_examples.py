"""Every example client and the demo run end to end against the real
binary, playing the user's part by themselves (AUTOPLAY), and must reach
their final line without a single refused command: an example that uses an
action wrongly, or that the program no longer understands, fails here."""
import os
import re
import signal
import subprocess

import pytest

from conftest import ROOT, TIMEOUT, WIREPANEL

EXAMPLES = ROOT / "examples"
PYTHON = "/usr/bin/python3"

# Lines on standard error that no example may cause.
FAULTS = re.compile(r"ignoring|send error|CRITICAL|Sanitizer|runtime error")

CASES = [
    pytest.param(["bash", "hello.sh"], {"AUTOPLAY": "1"}, None, 0, r"bye", id="fifos-and-b"),
    pytest.param(["bash", "coprocess.sh"], {"AUTOPLAY": "1"}, None, 0,
                 re.escape("last output: DLROW ,OLLEH"), id="coprocess"),
    pytest.param([PYTHON, "client.py"], {"AUTOPLAY": "1"}, None, 0,
                 re.escape('{"name": "Ada Lovelace", "age": 36, "newsletter": true}'),
                 id="python-client"),
    # The answer keeps a backslash and inner blanks exactly.
    pytest.param(["bash", "ask.sh", "What is your name?", "Ada \\ Lovelace "], {"AUTOPLAY": "ok"},
                 None, 0, re.escape("Ada \\ Lovelace "), id="ask-ok"),
    pytest.param(["bash", "ask.sh", "Delete everything?"], {"AUTOPLAY": "cancel"}, None, 1, None,
                 id="ask-cancel"),
    # Lines that are no number are skipped.
    pytest.param(["bash", "plot.sh", "Squares"], {"AUTOPLAY": "1"}, "# n^2\n1\n4\n9\nnine\n-2.5e1\n",
                 0, re.escape("plotted 4 values from -25 to 9"), id="plot"),
    pytest.param(["bash", "demo.sh"], {"AUTOPLAY": "6", "DEMO_TICK": "0.2"}, None, 0,
                 r"demo finished after [1-9]\d* samples", id="demo"),
]


# The examples use every kind of widget: they can only run once no handler
# is a placeholder stub any more.
STUBS = sorted(p.relative_to(ROOT).as_posix() for p in (ROOT / "src").glob("*/*stubs.cpp"))
needs_handlers = pytest.mark.skipif(bool(STUBS), reason="handlers still stubbed: " + ", ".join(STUBS))


def run_example(argv, env, stdin, cwd):
    """Runs an example to its end; on a timeout its whole process group goes."""
    proc = subprocess.Popen(argv, cwd=cwd, env=env, stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            start_new_session=True)
    try:
        out, err = proc.communicate(stdin or "", timeout=6 * TIMEOUT)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, err = proc.communicate()
        raise AssertionError("%s did not finish; stdout %r, stderr %r" % (argv, out, err))
    return proc.returncode, out, err


@needs_handlers
@pytest.mark.parametrize("argv, extra_env, stdin, status, final_line", CASES)
def test_example_reaches_its_final_line(tmp_path, argv, extra_env, stdin, status, final_line):
    env = dict(os.environ, WIREPANEL=WIREPANEL, **extra_env)
    argv = [argv[0], str(EXAMPLES / argv[1])] + argv[2:]
    code, out, err = run_example(argv, env, stdin, tmp_path)
    assert (code, [line for line in err.splitlines() if FAULTS.search(line)]) == (status, []), err
    lines = out.splitlines()
    if final_line is None:
        assert lines == []
    else:
        assert lines and re.fullmatch(final_line, lines[-1]), out
    assert list(tmp_path.iterdir()) == []    # nothing left behind in the working directory


@pytest.mark.x11
def test_demo_screenshot(tmp_path):
    """make run without a display: the demo under Xvfb, and a PNG of its window."""
    shot = tmp_path / "shot.png"
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env["WIREPANEL_SCREENSHOT_FILE"] = str(shot)
    code, out, err = run_example(["sh", str(ROOT / "scripts" / "run-example.sh"), WIREPANEL],
                                 env, None, tmp_path)
    assert code == 0, err
    assert out.splitlines()[-1] == "screenshot saved to %s" % shot
    png = shot.read_bytes()
    assert png.startswith(b"\x89PNG\r\n\x1a\n")
    # The IHDR chunk: the window of the demo, not the whole screen.
    width, height = int.from_bytes(png[16:20], "big"), int.from_bytes(png[20:24], "big")
    assert (width, height) != (1280, 1024) and width >= 600 and height >= 400
