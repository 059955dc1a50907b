"""Feedback as a client sees it: the naming convention that ties buttons to
dialogs and text views, the escaping of payloads, and a client that stops
reading its output channel."""
import time

import pytest

from conftest import ui_text, window_ui, MAIN_WINDOW
from test_feedback_person import is_viewable, own_window, wait_until

DIALOG = ('<object class="GtkDialog" id="dlg"><property name="title">dialog</property></object>'
          '<object class="GtkFileChooserDialog" id="fc"><property name="title">chooser</property>'
          '</object>')


def objects(*xml):
    return ('<child><object class="GtkBox" id="box"><property name="visible">1</property>%s'
            '</object></child>' % "".join("<child>%s</child>" % x for x in xml))


def button(bid):
    return '<object class="GtkButton" id="%s"><property name="visible">1</property></object>' % bid


@pytest.mark.parametrize("bid, lines, hidden", [
    ("dlg_cancel", ["dlg_cancel:clicked "], True),
    ("dlg_ok", ["dlg_ok:clicked "], True),
    ("dlg_ok_again", ["dlg_ok_again:clicked "], True),
    ("dlg_apply", ["dlg_apply:clicked "], False),
    ("box_ok", ["box_ok:clicked "], False),
    ("nodialog_cancel", ["nodialog_cancel:clicked "], False),
], ids=["cancel", "ok", "suffix-inside-id", "apply-on-plain-dialog", "target-not-a-dialog",
        "target-missing"])
@pytest.mark.x11
def test_dialog_buttons_write_clicked_and_hide_their_dialog(panel, bid, lines, hidden):
    p = panel(window_ui(objects(button(bid)), extra=DIALOG))
    p.send("dlg:set_visible 1")
    p.ping()
    wid = own_window(p, "dialog")
    # GTK clicks an activated button after its pressed look has shown.
    p.send(bid + ":force")
    assert [p.read_line() for _ in lines] == lines
    assert p.ping() == []
    if hidden:
        wait_until(lambda: not is_viewable(wid), "the dialog to hide")
    else:
        assert is_viewable(wid)


@pytest.mark.x11
def test_file_chooser_dialog_apply_keeps_it_open_ok_writes_then_hides(panel):
    p = panel(window_ui(objects(button("fc_ok"), button("fc_apply")), extra=DIALOG))
    p.send("fc:set_visible 1")
    p.ping()
    wid = own_window(p, "chooser")
    for bid in ("fc_apply", "fc_ok"):
        p.send(bid + ":force")
        lines = [p.read_line() for _ in range(3)]
        assert lines[:2] == [bid + ":clicked ", "fc:file "]
        assert lines[2].startswith("fc:folder ")
        assert p.ping() == []
        if bid == "fc_apply":
            assert is_viewable(wid)
    wait_until(lambda: not is_viewable(wid), "the chooser to hide")


@pytest.mark.parametrize("suffix", ["_ok", "_cancel"])
def test_ok_or_cancel_of_a_main_dialog_ends_the_program(panel, suffix):
    main = ('<object class="GtkDialog" id="main"><property name="title">wirepanel-test</property>'
            '<child internal-child="vbox"><object class="GtkBox" id="vbox">'
            '<child>%s</child></object></child></object>' % button("main" + suffix))
    p = panel(ui_text(main))
    p.ping()
    p.send("main%s:force" % suffix)
    assert p.read_line() == "main%s:clicked " % suffix
    assert p.wait_exit() == 0


TEXT_VIEW = ('<object class="GtkTextBuffer" id="buf"><property name="text">'
             'one&#10;two \\ three&#13;end</property></object>')


@pytest.mark.parametrize("bid, line", [
    ("tv_send_text", "tv_send_text:text one\\ntwo \\\\ three\rend"),
    ("tv_send_selection", "tv_send_selection:text "),
    ("none_send_text", "none_send_text:clicked "),
    ("buf_send_text", "buf_send_text:clicked "),
], ids=["whole-text-escaped", "empty-selection", "no-such-view", "target-not-a-view"])
def test_text_view_buttons_send_the_text_escaped_on_one_line(panel, bid, line):
    view = ('<object class="GtkTextView" id="tv"><property name="visible">1</property>'
            '<property name="buffer">buf</property></object>')
    p = panel(ui_text(TEXT_VIEW + MAIN_WINDOW.format(child=objects(view, button(bid)))))
    p.send(bid + ":force")
    assert p.read_line() == line
    assert p.ping() == []


def test_a_stalled_client_loses_lines_after_a_second_each_while_commands_go_on(panel):
    # Lines of a page each: sixteen fill the 64 KiB of the FIFO.
    long_id = "w" * 4000
    label = ('<object class="GtkLabel" id="%s"><property name="visible">1</property></object>'
             % long_id)
    p = panel(window_ui(objects(label)))
    p.ping()
    total = 18
    start = time.monotonic()
    p.send(*([long_id + ":ping"] * total), "main:frobnicate")
    p.wait_stderr('ignoring GtkWindow command "main:frobnicate"')
    elapsed = time.monotonic() - start
    drops = [line for line in p.errors() if line.startswith("send error")]
    assert drops and set(drops) == {"send error; discarding feedback message %s:ping" % long_id}
    assert len(drops) * 0.9 <= elapsed < len(drops) * 1.0 + 3
    kept = [p.read_line() for _ in range(total - len(drops))]
    assert kept == [long_id + ":ping "] * len(kept)
    assert p.ping() == []
