"""Snapshots: a widget written into an SVG, PDF, PostScript or EPS file of
the widget's size, and the names and widgets that are refused."""
import re
import subprocess

import pytest

from conftest import window_ui

AREA = ('<child><object class="GtkDrawingArea" id="area"><property name="visible">1</property>'
        '<property name="width-request">200</property>'
        '<property name="height-request">100</property></object></child>')

# A frame around the whole area and a line across it, so that the ink fills
# the page and the bounding box of an EPS equals the widget's size.
DRAWING = ["area:set_source_rgba 1 navy", "area:rectangle 1 0 0 200 100", "area:fill 1",
           "area:set_source_rgba 2 yellow", "area:move_to 2 10 50", "area:line_to 2 190 50",
           "area:stroke 2"]


@pytest.fixture
def area_panel(panel):
    p = panel(window_ui(AREA))
    p.ping()
    return p


def snapshot(p, name, widget="area"):
    p.send(widget + ":snapshot " + name)
    p.ping()


def shapes_in(text):
    return text.count("<path") + text.count("<rect")


def svg_size(text):
    root = re.search(r"<svg[^>]*>", text).group(0)
    return re.search(r'width="([^"]*)"', root).group(1), re.search(r'height="([^"]*)"', root).group(1)


def check_svg(path):
    text = path.read_text()
    assert svg_size(text) == ("200pt", "100pt")
    assert shapes_in(text) >= 2, "the draw operations are in the file as vectors"


def check_pdf(path):
    info = subprocess.run(["pdfinfo", str(path)], capture_output=True, text=True, check=True).stdout
    assert re.search(r"^Page size:\s+200 x 100 pts", info, re.M), info
    assert re.search(r"^Pages:\s+1$", info, re.M), info


def check_ps(path):
    text = path.read_bytes().decode("latin-1")
    assert text.startswith("%!PS-Adobe-3.0\n"), "plain PostScript, not EPS"
    assert re.search(r"^%%DocumentMedia: \S+ 200 100 ", text, re.M)
    assert "%%BoundingBox: 0 0 200 100\n" in text


def check_eps(path):
    text = path.read_bytes().decode("latin-1")
    assert text.startswith("%!PS-Adobe-3.0 EPSF-3.0\n")
    assert "%%BoundingBox: 0 0 200 100\n" in text


@pytest.mark.parametrize("name, check", [
    ("area.svg", check_svg),
    (".svg", check_svg),
    ("area.pdf", check_pdf),
    ("area.ps", check_ps),
    ("area.eps", check_eps),
    ("area.epsf", check_eps),
])
def test_snapshot_writes_format_by_suffix(area_panel, tmp_path, name, check):
    area_panel.send(*DRAWING)
    snapshot(area_panel, name)
    check(tmp_path / name)
    assert area_panel.errors() == []


@pytest.mark.parametrize("name", ["area.SVG", "area.svg ", "", "area.svgz", "area"])
def test_snapshot_refuses_unknown_suffix(area_panel, tmp_path, name):
    line = "area:snapshot " + name if name else "area:snapshot"
    area_panel.send(line)
    area_panel.wait_stderr('ignoring GtkDrawingArea command "%s"' % line)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["in.fifo", "out.fifo", "panel.ui"]


def test_snapshot_of_hidden_widget_refused(area_panel, tmp_path):
    area_panel.send("area:set_visible 0", "area:snapshot hidden.svg")
    area_panel.wait_stderr('ignoring GtkDrawingArea command "area:snapshot hidden.svg"')
    assert not (tmp_path / "hidden.svg").exists()
    area_panel.send("area:set_visible 1")
    snapshot(area_panel, "shown.svg")
    assert svg_size((tmp_path / "shown.svg").read_text()) == ("200pt", "100pt")


@pytest.mark.parametrize("name", ["no/such/dir/area.svg", "/proc/area.svg"])
def test_snapshot_that_cannot_be_created_is_refused(area_panel, tmp_path, name):
    area_panel.send("area:snapshot " + name)
    area_panel.wait_stderr('ignoring GtkDrawingArea command "area:snapshot %s"' % name)
    assert [e for e in area_panel.errors() if e.startswith("ignoring")] == [
        'ignoring GtkDrawingArea command "area:snapshot %s"' % name]
    area_panel.wait_for_reasons(1)
    assert area_panel.all_errors()[1].startswith("  cannot open the file: ")
    assert not (tmp_path / "no").exists()


def test_snapshot_of_other_widget(panel, tmp_path):
    p = panel(window_ui('<child><object class="GtkLabel" id="label">'
                        '<property name="visible">1</property>'
                        '<property name="label">snap</property></object></child>'))
    p.ping()
    snapshot(p, "label.svg", "label")
    width, height = svg_size((tmp_path / "label.svg").read_text())
    assert width.endswith("pt") and float(width[:-2]) > 0 and float(height[:-2]) > 0


def test_block_stops_replay_in_snapshots(area_panel, tmp_path):
    snapshot(area_panel, "empty.svg")
    empty = shapes_in((tmp_path / "empty.svg").read_text())
    area_panel.send(*DRAWING[:3])
    area_panel.send("area:block 1")
    area_panel.send(*DRAWING[3:])
    snapshot(area_panel, "blocked.svg")
    area_panel.send("area:block 0")
    snapshot(area_panel, "unblocked.svg")
    assert shapes_in((tmp_path / "blocked.svg").read_text()) == empty
    assert shapes_in((tmp_path / "unblocked.svg").read_text()) >= empty + 2, "commands sent while blocked count"
    assert area_panel.errors() == []
    assert area_panel.quit() == 0
