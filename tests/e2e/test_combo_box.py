"""A text combo box reports its choice: index and text, whoever makes it."""
import pytest

from conftest import window_ui, xdotool
from test_feedback_person import click, own_window, visible_windows, wait_until

COMBO = ('<child><object class="GtkComboBoxText" id="fruit">'
         '<property name="visible">1</property>'
         '<items><item>apple</item><item>pear</item><item>plum</item></items></object></child>')


@pytest.fixture
def combo(panel):
    p = panel(window_ui(COMBO))
    p.ping()
    return p


@pytest.mark.parametrize("commands, lines", [
    (["fruit:set_active 1"], ["fruit:active 1 pear"]),
    (["fruit:set_active 2", "fruit:set_active -1"], ["fruit:active 2 plum", "fruit:active -1 "]),
    (["fruit:set_active 1 ", "fruit:set_active 1"], ["fruit:active 1 pear"]),
    (["fruit:force"], ["fruit:active -1 "]),
    (["fruit:set_active 0", "fruit:force"], ["fruit:active 0 apple", "fruit:active 0 apple"]),
    (["fruit:set_active 2", "fruit:remove 2"], ["fruit:active 2 plum", "fruit:active -1 "]),
    (["fruit:block 1", "fruit:set_active 1", "fruit:block 0",
      "fruit:set_active 0"], ["fruit:active 0 apple"]),
], ids=["set-active", "minus-one-clears", "same-choice-twice-once", "force-without-choice",
        "force-repeats-choice", "removing-the-choice", "block-silences"])
def test_choice_lines(combo, commands, lines):
    combo.send(*commands)
    assert combo.ping() == lines
    assert combo.errors() == []


@pytest.mark.parametrize("data", ["3", "-2", "x", "1 x", ""])
def test_set_active_without_such_item_is_refused(combo, data):
    combo.send("fruit:set_active 1")
    line = "fruit:set_active " + data if data else "fruit:set_active"
    combo.send(line)
    assert combo.ping() == ["fruit:active 1 pear"]
    combo.wait_stderr('ignoring GtkComboBoxText command "%s"' % line)


def pick_from_the_list(p, wid):
    """Opens the list with a click and picks the next item with the keys."""
    before = visible_windows(p)
    xdotool("mousemove", "--window", wid, 10, 10, "click", 1)
    wait_until(lambda: visible_windows(p) - before, "the list to open")
    xdotool("key", "Down", "Return")


def scroll_over_it(p, wid):
    """Scrolling over a combo box steps to the next item."""
    xdotool("mousemove", "--window", wid, 10, 10, "click", 5)


@pytest.mark.x11
@pytest.mark.parametrize("choose", [pick_from_the_list, scroll_over_it],
                         ids=["pick-from-the-list", "scroll"])
def test_a_persons_choice_is_reported(combo, choose):
    combo.send("fruit:set_active 0")
    assert combo.ping() == ["fruit:active 0 apple"]
    choose(combo, own_window(combo))
    assert combo.read_line() == "fruit:active 1 pear"
    assert combo.ping() == []


ENTRY_COMBO = COMBO.replace('<property name="visible">1</property>',
                            '<property name="visible">1</property>'
                            '<property name="has-entry">1</property>')


def test_a_combo_box_with_an_entry_reports_the_entrys_text_without_a_choice(panel):
    p = panel(window_ui(ENTRY_COMBO))
    p.send("fruit:set_active 1", "fruit:set_active -1", "fruit:force")
    assert p.ping() == ["fruit:active 1 pear", "fruit:active -1 pear", "fruit:active -1 pear"]
    assert p.errors() == []


@pytest.mark.x11
def test_typing_into_a_combo_box_with_an_entry_reports_each_text(panel):
    p = panel(window_ui(ENTRY_COMBO))
    p.ping()
    click(own_window(p), 10, 10)
    xdotool("type", "--delay", "30", "plu")
    assert [p.read_line() for _ in range(3)] == [
        "fruit:active -1 p", "fruit:active -1 pl", "fruit:active -1 plu"]
    xdotool("type", "--delay", "30", "m")
    # Typing an item's text does not choose the item.
    assert p.read_line() == "fruit:active -1 plum"
    assert p.ping() == []
