"""Tree views driven through the channels: saving and loading a model,
selection feedback, and a person editing cells in place."""
import pytest

from conftest import window_ui, xdotool, window_id

TITLE = "wirepanel-test"


def store(sid, kind, types, rows=()):
    """A list or tree store declared with its column types and top-level rows."""
    columns = "".join('<column type="%s"/>' % t for t in types)
    data = "".join("<row>%s</row>" % "".join('<col id="%d">%s</col>' % (i, v)
                                            for i, v in enumerate(row)) for row in rows)
    data = "<data>%s</data>" % data if data else ""
    return '<object class="%s" id="%s"><columns>%s</columns>%s</object>' % (
        kind, sid, columns, data)


def tree_view(vid, model=None, selection=None, columns="", props=""):
    """A visible tree view; with a selection id its selection is declared so that it is wired."""
    model_prop = '<property name="model">%s</property>' % model if model else ""
    sel = ('<child internal-child="selection"><object class="GtkTreeSelection" id="%s">'
           '<property name="mode">multiple</property></object></child>' % selection
           if selection else "")
    return ('<child><object class="GtkTreeView" id="%s"><property name="visible">1</property>'
            '%s%s%s%s</object></child>' % (vid, model_prop, props, sel, columns))


def column(cid, renderers, props=""):
    """A view column; renderers are (class, id, bound attribute, model column, properties)."""
    cells = "".join('<child><object class="%s" id="%s">%s</object><attributes>'
                    '<attribute name="%s">%d</attribute></attributes></child>'
                    % (cls, rid, rprops, attr, col) for cls, rid, attr, col, rprops in renderers)
    return ('<child><object class="GtkTreeViewColumn" id="%s">%s%s</object></child>'
            % (cid, props, cells))


def with_stores(ui, *stores):
    return ui.replace("<interface>", "<interface>" + "".join(stores), 1)


def click(wid, x, y, *modifiers):
    if modifiers:
        xdotool("keydown", *modifiers)
    try:
        xdotool("mousemove", "--window", wid, x, y, "click", 1)
    finally:
        if modifiers:
            xdotool("keyup", *modifiers)


# Rows of a fixed height, so that a person's click at a known place hits a
# known row whatever the theme's spacing: row n spans about 62n to 62n + 62.
TALL = '<property name="height">60</property>'
FIXED = '<property name="sizing">fixed</property><property name="fixed-width">%d</property>'
NO_HEADERS = '<property name="headers-visible">0</property>'


def test_saved_tree_store_reloads_into_an_identical_file(panel, tmp_path):
    ui = with_stores(window_ui(tree_view("fam", "family")),
                     store("family", "GtkTreeStore",
                           ["gchararray", "gint", "gdouble", "gboolean", "guint"]))
    p = panel(ui)
    p.send("fam:set 0 0 Ann", "fam:set 0 1 -3", "fam:set 0:1 0 two\\nlines \\\\ end",
           "fam:set 0:1:0 2 2.5", "fam:set 1 3 1", "fam:set 1 4 -1", "fam:set 2 0   blanks ")
    first, second, emptied = tmp_path / "first.txt", tmp_path / "second.txt", tmp_path / "e.txt"
    p.send("fam:save %s" % first, "fam:clear", "fam:save %s" % emptied)
    assert p.ping() == []
    saved = first.read_text()
    assert emptied.read_text() == ""
    assert saved.splitlines()[:12] == [
        "fam:set 0 0 Ann", "fam:set 0 1 -3", "fam:set 0 2 0.000000", "fam:set 0 3 0",
        "fam:set 0 4 0",
        "fam:set 0:0 0 ", "fam:set 0:0 1 0", "fam:set 0:0 2 0.000000", "fam:set 0:0 3 0",
        "fam:set 0:0 4 0",
        "fam:set 0:1 0 two\\nlines \\\\ end", "fam:set 0:1 1 0"]
    assert "fam:set 0:1:0 2 2.500000" in saved.splitlines()
    assert "fam:set 1 4 4294967295" in saved.splitlines()
    assert "fam:set 2 0   blanks " in saved.splitlines()
    assert len(saved.splitlines()) == 6 * 5
    p.send(*saved.splitlines())
    p.send("fam:save %s" % second)
    assert p.ping() == []
    assert second.read_text() == saved
    assert p.errors() == []
    assert p.quit() == 0


def selection_ui():
    return with_stores(window_ui(tree_view(
        "people", "folk", "people_sel",
        column("c0", [("GtkCellRendererText", "r0", "text", 0, TALL)], FIXED % 100),
        props=NO_HEADERS)),
        store("folk", "GtkListStore", ["gchararray", "gint"],
              [("Al", "3"), ("Bob", "7"), ("Cy", "-1")]))


ROW = {0: ["people:gchararray 0 0 Al", "people:gint 0 1 3"],
       1: ["people:gchararray 1 0 Bob", "people:gint 1 1 7"],
       2: ["people:gchararray 2 0 Cy", "people:gint 2 1 -1"]}


@pytest.mark.x11
def test_selection_changes_write_the_cells_of_every_selected_row(panel):
    p = panel(selection_ui())
    p.ping()
    p.send("people:set_cursor 1")
    assert p.ping() == ["people:clicked "] + ROW[1]
    p.send("people:set_cursor")
    assert p.ping() == ["people:clicked "]
    wid = window_id(TITLE)
    click(wid, 50, 30)
    assert p.ping() == ["people:clicked "] + ROW[0]
    click(wid, 50, 155, "ctrl")
    assert p.ping() == ["people:clicked "] + ROW[0] + ROW[2]
    p.send("people:clear")
    assert p.ping() == ["people:clicked "]
    assert p.quit() == 0


def test_block_silences_selection_feedback_until_unblocked(panel):
    p = panel(selection_ui())
    p.ping()
    p.send("people:block 1", "people:set_cursor 2", "people:set_cursor 0")
    assert p.ping() == []
    p.send("people:block 0", "people:set_cursor 2")
    assert p.ping() == ["people:clicked "] + ROW[2]
    p.send("people:block")
    p.wait_stderr('ignoring GtkTreeView command "people:block"')


@pytest.mark.parametrize("view, model", [
    ("bare", None),
    ("filtered", "filter"),
])
def test_view_without_a_store_prefixes_every_complaint(panel, view, model):
    ui = with_stores(window_ui(tree_view(view, model)),
                     store("folk", "GtkListStore", ["gchararray"], [("Al",)]),
                     '<object class="GtkTreeModelFilter" id="filter">'
                     '<property name="child_model">folk</property></object>')
    p = panel(ui)
    for line in ("%s:set_visible 1" % view, "%s:set 0 0 x" % view):
        p.send(line)
        p.wait_stderr(line)
    assert p.ping() == []
    p.wait_for_reasons(2)
    assert p.errors() == ['missing model/ignoring GtkTreeView command "%s:set_visible 1"' % view,
                          'missing model/ignoring GtkTreeView command "%s:set 0 0 x"' % view]


def editable_ui(headers):
    text_props = '<property name="editable">1</property>' + TALL
    toggle_props = '<property name="activatable">1</property>' + TALL
    columns = (column("c_name", [("GtkCellRendererText", "r_name", "text", 0, text_props)],
                      FIXED % 120 + '<property name="clickable">1</property>')
               + column("c_on", [("GtkCellRendererToggle", "r_on", "active", 1, toggle_props)],
                        FIXED % 60))
    return with_stores(window_ui(tree_view("tv", "st", None, columns,
                                           "" if headers else NO_HEADERS)),
                       store("st", "GtkListStore", ["gchararray", "gboolean"],
                             [("a", "0"), ("b", "0"), ("c", "1")]))


def saved(p, path):
    p.send("tv:save %s" % path)
    p.ping()
    return path.read_text().splitlines()


@pytest.mark.x11
def test_person_edits_a_text_cell_and_clicks_a_toggle_cell(panel, tmp_path):
    p = panel(editable_ui(headers=False))
    p.ping()
    wid = window_id(TITLE)
    click(wid, 60, 90)
    assert p.ping() == []
    click(wid, 60, 90)
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", "20", "new text")
    xdotool("key", "Return")
    assert p.ping() == ["tv:gchararray 1 0 new text"]
    click(wid, 150, 90)
    click(wid, 150, 155)
    assert p.ping() == []
    assert saved(p, tmp_path / "cells.txt") == [
        "tv:set 0 0 a", "tv:set 0 1 0", "tv:set 1 0 new text", "tv:set 1 1 1",
        "tv:set 2 0 c", "tv:set 2 1 0"]
    assert p.quit() == 0


@pytest.mark.x11
def test_block_on_a_column_stops_header_clicks_but_not_cell_edits(panel, tmp_path):
    p = panel(editable_ui(headers=True))
    p.ping()
    wid = window_id(TITLE)
    click(wid, 60, 8)
    assert p.ping() == ["c_name:clicked "]
    p.send("c_name:block 1")
    p.ping()
    click(wid, 60, 8)
    assert p.ping() == []
    click(wid, 60, 50)
    click(wid, 60, 50)
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", "20", "x")
    xdotool("key", "Return")
    assert p.ping() == ["tv:gchararray 0 0 x"]
    p.send("c_name:block 0")
    p.ping()
    click(wid, 60, 8)
    assert p.ping() == ["c_name:clicked "]
