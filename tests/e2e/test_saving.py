"""Saving files: a text view's "save", a tree view's "save" and "snapshot"
either put a complete file in place of the old one or refuse the command and
leave the old file exactly as it was, with no temporary file left behind."""
import ctypes
import os
import resource
import signal
import stat
import threading
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Optional

import pytest

from conftest import TIMEOUT, window_ui

UI = window_ui(
    '<child><object class="GtkBox"><property name="visible">1</property>'
    '<property name="orientation">vertical</property>'
    '<child><object class="GtkTextView" id="tv"><property name="visible">1</property>'
    '</object></child>'
    '<child><object class="GtkTreeView" id="view"><property name="visible">1</property>'
    '<property name="model">store</property></object></child>'
    '<child><object class="GtkDrawingArea" id="area"><property name="visible">1</property>'
    '<property name="width-request">200</property>'
    '<property name="height-request">100</property></object></child>'
    '</object></child>',
    '<object class="GtkListStore" id="store"><columns><column type="gchararray"/>'
    '<column type="gint"/></columns></object>')

# Each saver writes well over the 2000 bytes of the file-size limit below.
TEXT = "".join("line %d of the text\\n" % i for i in range(250))
TEXT_FILE = ("tv:insert_at_cursor %s\n" % TEXT).encode()
TREE_FILE = "".join("view:set %d 0 row %d\nview:set %d 1 %d\n" % (i, i, i, i * 7)
                    for i in range(500)).encode()
DRAWING = ["area:set_source_rgba 1 navy"] + [
    "area:rectangle 2 %d %d 7 7" % (x * 10, y * 10) for x in range(20) for y in range(10)
] + ["area:fill 2"]

OLD = b"old content that must survive\n"
OLD_MODE = 0o640


@dataclass
class Saver:
    suffix: str
    fill: list
    command: str
    complaint: str
    complete: Callable[[bytes], bool]


def complete_svg(data):
    return data.startswith(b"<?xml") and data.rstrip().endswith(b"</svg>") and len(data) > 2000


SAVERS = {
    "text view": Saver(".txt", ["tv:set_text " + TEXT], "tv:save %s",
                       'ignoring GtkTextView command "tv:save %s"', TEXT_FILE.__eq__),
    "tree view": Saver(".txt", ["view:set %d 0 row %d" % (i, i) for i in range(500)]
                       + ["view:set %d 1 %d" % (i, i * 7) for i in range(500)], "view:save %s",
                       'ignoring GtkTreeView command "view:save %s"', TREE_FILE.__eq__),
    "snapshot": Saver(".svg", DRAWING, "area:snapshot %s",
                      'ignoring GtkDrawingArea command "area:snapshot %s"', complete_svg),
}


# Loaded before any fork: a child should only call into it.
LIBC = ctypes.CDLL(None, use_errno=True)


def file_size_limit():
    """The simplest stand-in for a full disk: writes beyond 2000 bytes fail
    with EFBIG instead of killing the process."""
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (2000, 2000))


def without_write_override():
    """Tests run as root in CI, and root writes into any directory and file
    whatever its mode. Dropping the capabilities that override file permissions from
    the bounding set makes the program, still uid 0, obey a directory's mode
    bits after exec. An ordinary user has no such capabilities to drop."""
    for capability in (1, 2):  # CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH
        LIBC.prctl(24, capability, 0, 0, 0)  # PR_CAPBSET_DROP


def umask(mask):
    return lambda: os.umask(mask)


@dataclass
class Setting:
    target: str           # the name the command is given
    checked: Path         # where the result is read
    watched: list         # directories that must not keep a temporary file
    reader: Optional["FifoReader"] = None


class FifoReader(threading.Thread):
    """Reads a FIFO from its first writer's open to its end."""

    def __init__(self, path):
        super().__init__(daemon=True)
        self.path, self.data = path, b""

    def run(self):
        with open(self.path, "rb") as fifo:
            self.data = fifo.read()


def existing(path, content=OLD, mode=OLD_MODE):
    path.write_bytes(content)
    os.chmod(path, mode)
    return path


def plain_file(tmp_path, saver):
    target = existing(tmp_path / ("keep" + saver.suffix))
    return Setting(str(target), target, [tmp_path])


def locked_directory(tmp_path, saver):
    locked = tmp_path / "locked"
    locked.mkdir()
    target = existing(locked / ("keep" + saver.suffix))
    os.chmod(locked, 0o555)
    return Setting(str(target), target, [locked])


def read_only_file(tmp_path, saver):
    target = existing(tmp_path / ("keep" + saver.suffix), mode=0o444)
    return Setting(str(target), target, [tmp_path])


def dev_full(tmp_path, saver):
    # A snapshot needs its suffix, so /dev/full is reached through a link
    # that has one; the other savers take the same way.
    link = tmp_path / ("full" + saver.suffix)
    link.symlink_to("/dev/full")
    return Setting(str(link), Path("/dev/full"), [tmp_path, Path("/dev")])


def symbolic_link(tmp_path, saver):
    real = tmp_path / "real"
    real.mkdir()
    target = existing(real / ("keep" + saver.suffix))
    link = tmp_path / ("link" + saver.suffix)
    link.symlink_to(Path("real") / target.name)
    return Setting(str(link), target, [tmp_path, real])


def fifo_being_read(tmp_path, saver):
    fifo = tmp_path / ("pipe" + saver.suffix)
    os.mkfifo(fifo, OLD_MODE)
    os.chmod(fifo, OLD_MODE)
    reader = FifoReader(fifo)
    reader.start()
    return Setting(str(fifo), fifo, [tmp_path], reader)


def new_file(tmp_path, saver):
    target = tmp_path / ("new" + saver.suffix)
    return Setting(str(target), target, [tmp_path])


@dataclass
class Case:
    prepare: Callable
    preexec: Optional[Callable]
    refused: bool
    mode: Optional[int]   # the target's mode afterwards; None: as before


CASES = {
    "file size limit": Case(plain_file, file_size_limit, True, None),
    "directory without write permission": Case(locked_directory, without_write_override,
                                               True, None),
    "read-only target": Case(read_only_file, without_write_override, True, None),
    "/dev/full": Case(dev_full, None, True, None),
    "symbolic link": Case(symbolic_link, umask(0o077), False, None),
    "FIFO being read": Case(fifo_being_read, None, False, None),
    "existing file keeps mode": Case(plain_file, umask(0o077), False, None),
    "new file gets umask mode": Case(new_file, umask(0o027), False, 0o640),
}


def entries(directories):
    """The names in each directory; in /dev only those a temporary file
    beside /dev/full would have."""
    return {d: sorted(name for name in os.listdir(d)
                      if d != Path("/dev") or name.startswith("full"))
            for d in directories}


def snapshot_of(path):
    if not path.exists():
        return None
    st = os.stat(path)
    content = path.read_bytes() if stat.S_ISREG(st.st_mode) else None
    return stat.S_IFMT(st.st_mode), stat.S_IMODE(st.st_mode), content


# On Wayland the toolkit's window and cursor buffers are files too, and a
# file-size limit makes it abort there; the limit is tried under X only.
@pytest.mark.parametrize("saver_name", SAVERS)
@pytest.mark.parametrize("case_name", [
    pytest.param(name, marks=pytest.mark.x11) if name == "file size limit" else name
    for name in CASES])
def test_a_save_is_complete_or_refused_with_the_old_file_kept(panel, tmp_path, case_name,
                                                             saver_name):
    case, saver = CASES[case_name], SAVERS[saver_name]
    setting = case.prepare(tmp_path, saver)
    p = panel(UI, preexec=case.preexec)
    p.send(*saver.fill)
    p.ping()
    before = entries(setting.watched)
    old = snapshot_of(setting.checked)
    p.send(saver.command % setting.target)
    p.ping()
    try:
        complaint = saver.complaint % setting.target
        if case.refused:
            p.wait_stderr(complaint)
        complaints = [line for line in p.errors() if line.startswith("ignoring")]
        after = snapshot_of(setting.checked)
        if case.refused:
            assert complaints == [complaint]
            assert after == old, "the old file is kept as it was"
        else:
            assert complaints == []
            if setting.reader:
                setting.reader.join(TIMEOUT)
                assert not setting.reader.is_alive()
                content = setting.reader.data
            else:
                content = after[2]
            assert saver.complete(content), content[-200:]
            assert after[1] == (case.mode if case.mode is not None else old[1])
            assert after[0] == (old[0] if old else stat.S_IFREG)
        made = {setting.checked.name} if old is None else set()
        assert entries(setting.watched) == {
            d: sorted(set(names) | (made if d == setting.checked.parent else set()))
            for d, names in before.items()}, "no temporary file is left"
        if case.prepare in (symbolic_link, dev_full):
            assert os.path.islink(setting.target), "the link stays a link"
    finally:
        for d in setting.watched:
            if d.parent == tmp_path:
                os.chmod(d, 0o755)


@pytest.mark.parametrize("saver_name", ["text view", "tree view"])
def test_a_save_over_an_old_file_loads_back_as_it_was_saved(panel, tmp_path, saver_name):
    saver = SAVERS[saver_name]
    first = existing(tmp_path / "first.cmd", b"tv:set_text stale\nview:set 900 0 stale\n")
    second = existing(tmp_path / "second.cmd")
    p = panel(UI)
    p.send(*saver.fill)
    p.send(saver.command % first)
    p.ping()
    saved = first.read_bytes()
    assert saver.complete(saved)
    p.send("tv:delete", "view:clear", "x:load %s" % first, saver.command % second)
    p.ping()
    assert second.read_bytes() == saved
    assert p.errors() == []


# /dev/stdout and the links in /proc/self/fd stand for the process's own
# open descriptors, here pipes: the save is written into them, as a plain
# open writes it, and the lines arrive between the others.
@pytest.mark.parametrize("saver_name, fill, saved", [
    ("text view", ["tv:set_text hello"], ["tv:insert_at_cursor hello"]),
    ("tree view", ["view:set 0 0 a", "view:set 0 1 3"], ["view:set 0 0 a", "view:set 0 1 3"]),
])
@pytest.mark.parametrize("stream", ["/dev/stdout", "/proc/self/fd/1", "/dev/stderr"])
def test_a_save_to_the_programs_own_stream_is_written_into_it(panel, saver_name, fill, saved,
                                                             stream):
    p = panel(UI, stdio=True)
    p.send(*fill, SAVERS[saver_name].command % stream)
    lines = p.ping()
    if stream == "/dev/stderr":
        assert lines == []
        p.stderr.wait_for(lambda _: len(p.all_errors()) >= len(saved))
        assert p.all_errors() == saved
    else:
        assert lines == saved
        assert p.all_errors() == []
