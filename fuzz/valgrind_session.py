"""Runs a scripted session touching every class under valgrind's memcheck
and fails when a definitely lost block was allocated from the server's own
code. Usage: valgrind_session.py path/to/wirepanel"""
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from storm import UI, VALID, GENERIC, Drain  # noqa: E402


def main():
    binary = os.path.abspath(sys.argv[1])
    work = Path(tempfile.mkdtemp())
    (work / "panel.ui").write_text(UI)
    scratch = work / "scratch"
    scratch.mkdir()
    for fifo in ("in", "out"):
        os.mkfifo(work / fifo)
    log = work / "memcheck.log"
    proc = subprocess.Popen(["valgrind", "--leak-check=full", "--show-leak-kinds=definite",
                             "--num-callers=30", "--fullpath-after=", "--log-file=%s" % log, binary,
                             "-u", "panel.ui", "-i", "in", "-o", "out"],
                            cwd=work, stderr=subprocess.DEVNULL)
    wfd = os.open(work / "in", os.O_WRONLY)
    rfd = os.open(work / "out", os.O_RDONLY)
    drain = Drain(rfd)
    drain.start()
    lines = []
    for name, commands in VALID.items():
        for command in commands + GENERIC:
            action = command.split(" ")[0]
            if action in ("save", "snapshot", "set_from_file"):
                command = "%s %s/%s" % (action, scratch, command.split(" ", 1)[1])
            lines.append("%s:%s" % (name, command))
    lines += ["tv:save %s/t.cmd" % scratch, "tv:load %s/t.cmd" % scratch, "lbl:ping"]
    drain.wanted = b"lbl:ping \n"
    os.write(wfd, ("\n".join(lines) + "\n").encode())
    if not drain.event.wait(600):
        proc.kill()
        sys.exit("no answer to ping under valgrind")
    os.write(wfd, b"main:main_quit\n")
    status = proc.wait(600)
    drain.stop = True
    report = log.read_text()
    summary = re.search(r"definitely lost: ([\d,]+) bytes in ([\d,]+) blocks", report)
    print("exit status %d; %s" % (status, summary.group(0) if summary else "no leaks found"))
    blocks = re.split(r"==\d+== *\n", report)
    ours = [block for block in blocks if "definitely lost in" in block
            and re.search(r"/src/(startup|channel|feedback|widgets|treeview|drawing)/", block)]
    for block in ours:
        print(block)
    print("memcheck log: %s" % log)
    sys.exit(1 if ours or status != 0 else 0)


if __name__ == "__main__":
    main()
