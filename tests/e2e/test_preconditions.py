"""Client lines that used to draw a toolkit critical or warning: each is now
refused with the complaint and its reason, or carried out cleanly, and the
server runs with criticals fatal so that a new one would end it."""
import os

import pytest

from conftest import window_ui

CHILDREN = "".join(
    '<child><object class="%s" id="%s"><property name="visible">1</property>%s</object></child>'
    % row for row in [
        ("GtkLabel", "lbl", '<property name="label">label</property>'),
        ("GtkTextView", "tv", ""),
        ("GtkFontButton", "fb", ""),
        ("GtkDrawingArea", "da", '<property name="width-request">40</property>'
                                 '<property name="height-request">30</property>'),
        ("GtkEntry", "ent", ""),
        ("GtkTreeView", "tree", '<property name="model">store</property>'),
    ])
UI = window_ui('<child><object class="GtkBox" id="box"><property name="visible">1</property>'
               '<property name="orientation">vertical</property>' + CHILDREN + '</object></child>',
               extra='<object class="GtkFileChooserDialog" id="open"/>'
                     '<object class="GtkListStore" id="store"><columns>'
                     '<column type="gchararray"/></columns></object>')

NOT_UTF8 = "  the text is not valid UTF-8"


@pytest.fixture
def strict(panel):
    env = dict(os.environ, G_DEBUG="fatal-criticals", GSETTINGS_BACKEND="memory")
    return panel(UI, env=env)


@pytest.mark.parametrize("lines, cls, reason", [
    # gtk_text_buffer_emit_insert: assertion 'g_utf8_validate (...)'
    (["tv:set_text a\xffb"], "GtkTextView", NOT_UTF8),
    (["tv:insert_at_cursor \xc3\x28"], "GtkTextView", NOT_UTF8),
    # Pango's "Invalid UTF-8 string passed to pango_layout_set_text()"
    (["lbl:set_text \xed\xa0\x80"], "GtkLabel", NOT_UTF8),
    (["ent:set_text \xff"], "GtkEntry", NOT_UTF8),
    (["lbl:set_tooltip_text \xff"], "GtkLabel", NOT_UTF8),
    (["tree:set 0 0 \xff"], "GtkTreeView", NOT_UTF8),
    # cairo's error state: "drawing failure for widget"
    (["da:show_text 1 \xff"], "GtkDrawingArea", NOT_UTF8),
    # gtk_file_chooser_widget_set_current_name: assertion '... ACTION_SAVE ...'
    (["open:set_current_name x.txt"], "GtkFileChooserDialog",
     "  only a chooser that saves or creates a folder takes a name"),
    # gtk_widget_set_size_request: assertion 'width >= -1'
    (["lbl:set_size_request -5 10"], "GtkLabel",
     "  usage: set_size_request [WIDTH HEIGHT] (each -1 to 16384)"),
    # the font renderer failing on the chooser's preview of a huge font
    (["fb:set_font_name Sans 65535"], "GtkFontButton", "  font sizes above 1000 are refused"),
], ids=["text-view-set", "text-view-insert", "label", "entry", "tooltip", "tree-cell",
        "show-text", "open-chooser-name", "size-below-minus-one", "huge-font"])
def test_line_that_drew_a_toolkit_message_is_refused(strict, lines, cls, reason):
    raw = "".join(line + "\n" for line in lines).encode("latin-1")
    strict.send_bytes(raw)
    assert strict.ping() == []
    strict.wait_for_reasons(len(lines))
    expected = []
    for line in lines:
        expected += ['ignoring %s command "%s"' % (cls, line.encode("latin-1").decode(
            "utf-8", "replace")), reason]
    assert strict.all_errors() == expected
    assert strict.quit() == 0


# gtk_widget_draw: assertion '!widget->priv->alloc_needed'
def test_snapshot_right_after_a_resize_is_drawn_cleanly(strict, tmp_path):
    strict.send("lbl:set_size_request 300 120", "lbl:snapshot %s" % (tmp_path / "now.svg"),
                "lbl:set_text a longer text than before", "lbl:snapshot %s" % (tmp_path / "text.svg"))
    assert strict.ping() == []
    assert (tmp_path / "now.svg").read_text().count("<svg") == 1
    assert 'width="300' in (tmp_path / "now.svg").read_text()
    assert (tmp_path / "text.svg").stat().st_size > 0
    assert strict.quit() == 0
    assert strict.all_errors() == []
