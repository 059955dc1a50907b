"""Clients that stop reading or vanish: feedback that cannot be written is
dropped after about a second while commands go on; lines written after the
client reads again arrive whole and in order; a vanished client leaves the
server waiting, not spinning."""
import fcntl
import os
import select
import time

from conftest import window_ui

UI = window_ui('<child><object class="GtkBox"><property name="visible">1</property>'
               '<child><object class="GtkLabel" id="l"><property name="visible">1</property>'
               '</object></child><child><object class="GtkEntry" id="e">'
               '<property name="visible">1</property></object></child></object></child>')
# Seconds nobody reads the output channel (a minute under `make fuzz`).
STALL = int(os.environ.get("WIREPANEL_STALL", "4"))
F_GETPIPE_SZ = 1032


def cpu_seconds(pid):
    fields = open("/proc/%d/stat" % pid).read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def drain(fd, quiet=0.3):
    data = b""
    while select.select([fd], [], [], quiet)[0]:
        chunk = os.read(fd, 1 << 16)
        if not chunk:
            break
        data += chunk
    return data


def test_a_stalled_client_loses_lines_then_gets_the_new_ones_whole(panel):
    p = panel(UI)
    p.ping()
    size = fcntl.fcntl(p.rfd, F_GETPIPE_SZ)
    # Fill the output channel with long lines, then go on producing feedback
    # nobody reads.
    long_texts = ["%04d" % n + "x" * 3996 for n in range(size // 4008 + 1)]
    p.send(*["e:set_text " + t for t in long_texts])
    for n in range(STALL):
        p.send("l:ping", "nobody:probe%d" % n)
    for n in range(STALL):
        # Commands are still carried out between the dropped lines.
        p.wait_stderr('ignoring command "nobody:probe%d"' % n, timeout=STALL + 10)
    dropped = [l for l in p.errors() if l.startswith("send error; ")]
    assert len(dropped) >= STALL and set(dropped) <= {
        "send error; discarding feedback message l:ping",
        "send error; discarding feedback message e:text"}
    old = drain(p.rfd).decode()
    assert old.endswith("\n")
    assert set(old.split("\n")[:-1]) <= {"e:text " + t for t in long_texts} | {"l:ping "}
    p.buffer = b""
    after = ["after%d" % n for n in range(200)]
    p.send(*["e:set_text " + t for t in after])
    assert p.ping("l") == ["e:text " + t for t in after]
    assert p.quit() == 0


def test_a_client_that_vanishes_mid_line_leaves_the_server_idle(panel):
    p = panel(UI)
    p.ping()
    p.send_bytes(b"l:set_te")
    os.close(p.wfd)
    os.close(p.rfd)
    p.wfd = p.rfd = -1
    time.sleep(0.5)
    start = cpu_seconds(p.proc.pid)
    time.sleep(2)
    assert p.proc.poll() is None
    assert cpu_seconds(p.proc.pid) - start < 0.3
