"""The actions every widget knows, as a client sees them: which commands are
carried out and which are refused with the complaint, "block", "force" and
"ping"."""
import pytest

from conftest import Panel, window_ui

WIDGETS = [
    ("GtkLabel", "lbl", '<property name="label">label</property>'),
    ("GtkSwitch", "sw", ""),
    ("GtkEventBox", "eb", ""),
    ("GtkSpinButton", "sp", '<property name="adjustment">adj</property>'),
    ("GtkScale", "sc", '<property name="adjustment">adj2</property>'),
    ("GtkEntry", "e", '<property name="text">a\\b</property>'),
    ("GtkCalendar", "cal", '<property name="year">2024</property><property name="month">2</property>'
                           '<property name="day">1</property>'),
    ("GtkFileChooserButton", "fcb", ""),
    ("GtkCheckButton", "cb", '<property name="label">check</property>'),
    ("GtkMenuItem", "mi", '<property name="label">Item</property>'),
    ("GtkMenuItem", "mi2", '<property name="label">Other</property>'),
]
EXTRA = ('<object class="GtkAdjustment" id="adj"><property name="upper">10</property>'
         '<property name="step-increment">1</property><property name="value">3</property></object>'
         '<object class="GtkAdjustment" id="adj2"><property name="upper">10</property>'
         '<property name="value">2.5</property></object>'
         '<object class="GtkListStore" id="ls"><columns><column type="gchararray"/></columns>'
         '</object>')


def generic_ui():
    children = "".join('<child><object class="%s" id="%s"><property name="visible">1</property>'
                       '%s</object></child>' % w for w in WIDGETS)
    box = ('<child><object class="GtkBox" id="box"><property name="visible">1</property>'
           '<property name="orientation">vertical</property>%s</object></child>' % children)
    return window_ui(box, extra=EXTRA)


@pytest.fixture(scope="module")
def shared(tmp_path_factory):
    """One panel for the table of refusals: each case leaves the widgets as
    they were or changes only what no later case reads."""
    p = Panel(tmp_path_factory.mktemp("generic"), generic_ui())
    p.ping()
    yield p
    p.close()


CLASSES = {"lbl": "GtkLabel", "sw": "GtkSwitch", "eb": "GtkEventBox", "ls": "GtkListStore",
           "adj": "GtkAdjustment", "main": "GtkWindow"}

ACCEPTED, REFUSED = False, True


@pytest.mark.parametrize("command, refused", [
    ("sw:block 2", REFUSED),
    ("sw:block -1", REFUSED),
    ("sw:block 1 1", REFUSED),
    ("sw:block", REFUSED),
    ("sw:block 1x", REFUSED),
    ("sw:block  0  ", ACCEPTED),
    ("ls:block 1", ACCEPTED),
    ("ls:block 0", ACCEPTED),
    ("lbl:set_sensitive 1", ACCEPTED),
    ("lbl:set_sensitive  1 ", ACCEPTED),
    ("lbl:set_sensitive 1 word", REFUSED),
    ("lbl:set_sensitive word", REFUSED),
    ("lbl:set_sensitive", REFUSED),
    ("lbl:set_sensitive 2", REFUSED),
    ("lbl:set_sensitive -1", REFUSED),
    ("lbl:set_visible 1", ACCEPTED),
    ("lbl:set_visible 0x", REFUSED),
    ("ls:set_visible 1", REFUSED),
    ("lbl:set_tooltip_text", ACCEPTED),
    ("lbl:set_tooltip_text  leading blank", ACCEPTED),
    ("adj:set_tooltip_text tip", REFUSED),
    ("lbl:grab_focus", REFUSED),
    ("eb:grab_focus", ACCEPTED),
    ("eb:grab_focus now", REFUSED),
    ("lbl:set_size_request 100 50", ACCEPTED),
    ("lbl:set_size_request  -1 40 ", ACCEPTED),
    ("lbl:set_size_request", ACCEPTED),
    ("lbl:set_size_request 100", REFUSED),
    ("lbl:set_size_request 1 2 3", REFUSED),
    ("lbl:set_size_request 10 20x", REFUSED),
    ("lbl:set_size_request a b", REFUSED),
    ("ls:set_size_request 1 1", REFUSED),
    ("lbl:style color: red;", ACCEPTED),
    ("lbl:style", ACCEPTED),
    ("ls:style color: red;", REFUSED),
    ("adj:style", REFUSED),
    ("lbl:force", REFUSED),
    ("sw:force x", REFUSED),
    ("ls:force", REFUSED),
    ("ls:ping", REFUSED),
    ("adj:ping", REFUSED),
    ("main:ping x", REFUSED),
    ("main:frobnicate", REFUSED),
])
def test_generic_actions_accept_or_refuse_with_the_complaint(shared, command, refused):
    before = len(shared.errors())
    # A command that is surely refused marks the end of what the case printed.
    marker = "main:end_of_case_%d" % before
    shared.send(command, marker)
    assert shared.ping() == [], "a refused or silent action writes no feedback"
    end = 'ignoring GtkWindow command "%s"' % marker
    shared.wait_stderr(end)
    name = command.split(":")[0]
    expected = ['ignoring %s command "%s"' % (CLASSES[name], command)] if refused else []
    assert shared.errors()[before:] == expected + [end]


def test_force_writes_the_line_the_user_would_cause(shared):
    shared.send("sp:force", "sc:force", "e:force", "cal:force", "fcb:force", "mi:force")
    assert shared.ping() == ["sp:text 3.000000", "sc:value 2.500000", "e:text a\\\\b",
                             "cal:clicked 2024-03-01", "fcb:file ", "mi:active Item"]


@pytest.mark.parametrize("widget", ["cb", "sw"])
def test_force_flips_a_toggle_and_its_usual_line_follows(shared, widget):
    # GTK animates the activation, so the line comes a moment later.
    shared.send(widget + ":force")
    assert shared.read_line() == widget + ":1 "
    shared.send(widget + ":force")
    assert shared.read_line() == widget + ":0 "
    assert shared.ping() == []


def test_block_is_counted_once_so_one_unblock_undoes_many_blocks(shared):
    shared.send("mi:block 1", "mi:block 1", "mi:force", "mi2:force")
    assert shared.ping() == ["mi2:active Other"]
    shared.send("mi:block 0", "mi:force")
    assert shared.ping() == ["mi:active Item"]
