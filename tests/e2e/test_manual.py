"""The manual page renders cleanly and stays in step with the code: every
action keyword that a handler's table accepts is named in it, and every
action it documents is one that a handler accepts. The keywords are read
from the handlers' own tables, so a new action without a manual entry, or
a manual entry for an action that went away, fails here."""
import json
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from conftest import ROOT, WIREPANEL

MANUAL = ROOT / "doc" / "wirepanel.1"

# Where the handlers keep their ordered keyword tables (the actions of
# every widget sit with the other tables of classes), and the handlers
# that compare the action outside a table (the reader's special actions,
# a drawing area's "remove").
HANDLER_SOURCES = ["src/widgets/*.cpp", "src/treeview/*.cpp", "src/drawing/*.cpp",
                   "src/channel/*.cpp", "src/startup/class_tables.cpp"]
TABLE_ROW = re.compile(r'\.action\s*=\s*"(\w+)"')
DIRECT_TEST = re.compile(r'streq\(\s*[\w>.-]*action\s*,\s*"(\w+)"\s*\)')

# Sections whose tagged paragraphs each document one action.
ACTION_SECTIONS = ("COMMANDS", "WIDGET ACTIONS", "TREE VIEWS", "DRAWING AREAS")


def handler_keywords():
    """The action keywords of the handlers, by source file."""
    found = {}
    for pattern in HANDLER_SOURCES:
        for path in sorted(ROOT.glob(pattern)):
            text = path.read_text()
            words = set(TABLE_ROW.findall(text)) | set(DIRECT_TEST.findall(text))
            if words:
                found[path.relative_to(ROOT).as_posix()] = words
    return found


def first_word(args):
    """The first argument of a font macro line, quotes removed."""
    args = args.strip()
    if args.startswith('"'):
        return args[1:].split('"', 1)[0].strip().split(" ")[0]
    return args.split()[0] if args else ""


def bold_words(source):
    """Words set in bold: first arguments of .B, .BI and .BR, and \\fB runs."""
    words = set()
    for line in source.splitlines():
        m = re.match(r"\.(B|BI|BR)\s+(.*)", line)
        if m:
            words.add(first_word(m.group(2)))
        words.update(w.split()[0] for w in re.findall(r"\\fB([^\\]+)", line) if w.split())
    return words


def documented_actions(source):
    """The keywords heading the tagged paragraphs of the action sections."""
    actions, section, tag_next = set(), None, False
    for line in source.splitlines():
        if line.startswith(".SH"):
            section = line[3:].strip().strip('"')
        elif line in (".TP", ".TQ"):
            tag_next = True
            continue
        elif tag_next and section in ACTION_SECTIONS:
            m = re.match(r"\.(B|BI|BR)\s+(.*)", line)
            word = first_word(m.group(2)) if m else ""
            if re.fullmatch(r"[a-z_]+", word):
                actions.add(word)
        tag_next = False
    return actions


@pytest.fixture(scope="module")
def source():
    return MANUAL.read_text()


@pytest.fixture(scope="module")
def keywords():
    # Placeholder stubs stand in for handlers not written yet; their tables
    # cannot be read before they exist.
    stubs = sorted(p.relative_to(ROOT).as_posix() for pattern in HANDLER_SOURCES
                   for p in ROOT.glob(pattern) if p.name.endswith("stubs.cpp"))
    if stubs:
        pytest.skip("handlers still stubbed in this tree: " + ", ".join(stubs))
    return handler_keywords()


def test_renders_without_warnings():
    assert shutil.which("man"), "man is missing (scripts/install-deps.sh installs man-db)"
    proc = subprocess.run(["man", "--warnings", "-l", str(MANUAL)], capture_output=True,
                          text=True, timeout=60, env={"MANWIDTH": "80", "PATH": "/usr/bin:/bin"})
    assert proc.returncode == 0
    assert proc.stderr == ""
    for heading in ("NAME", "SYNOPSIS", "OPTIONS", "FIFOS", "DISPLAYS", "LINE FORMAT",
                    "FEEDBACK", "COMMAND FILES", "SESSION LOG", "IN A WEB BROWSER",
                    "EXIT STATUS"):
        assert re.search(r"^%s$" % heading, proc.stdout, re.M), heading


def test_names_every_action_of_every_handler(source, keywords):
    named = bold_words(source)
    missing = {path: sorted(words - named) for path, words in keywords.items() if words - named}
    assert missing == {}


def test_documents_only_actions_that_exist(source, keywords):
    accepted = set().union(*keywords.values())
    documented = documented_actions(source)
    assert len(documented) > 50, "the action sections were not found"
    assert sorted(documented - accepted) == []


def test_names_every_feedback_tag(source):
    """Tags that the wiring gives its callbacks, as it writes them: the
    rules of the naming convention and the table of classes."""
    wiring = [ROOT / "src" / "feedback" / "wiring.cpp",
              ROOT / "src" / "startup" / "class_tables.cpp"]
    if not all(path.exists() for path in wiring):
        pytest.skip("the signal wiring is not in this tree yet")
    text = "".join(path.read_text() for path in wiring)
    tags = set(re.findall(r'G_CALLBACK\(\w+\),\s*"([\w-]+)"', text))
    assert tags, "no tags found in the wiring"
    named = bold_words(source.replace(r"\-", "-"))
    assert sorted(tags - named) == []


def test_installed_with_the_program():
    """meson install puts the page beside the program."""
    build = Path(WIREPANEL).resolve().parents[1]
    if not (build / "meson-info").is_dir():
        pytest.skip("%s is not a meson build directory" % build)
    proc = subprocess.run(["meson", "introspect", "--installed", str(build)], capture_output=True,
                          text=True, timeout=60, check=True)
    installed = {Path(source).resolve(): target for source, target in json.loads(proc.stdout).items()}
    assert installed[MANUAL.resolve()].endswith("/share/man/man1/wirepanel.1")
    assert installed[Path(WIREPANEL).resolve()].endswith("/bin/wirepanel")
