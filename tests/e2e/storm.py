"""A command storm: valid commands of every class, mutated at random, fed to a
panel that holds one widget of every class the dispatcher knows. Shared by the
short storm of the test suite and the long one of `make fuzz`."""
import os
import random
import re
import threading

# One widget of every class of the dispatch table, a list store and a tree store.
def widget(cls, wid, props="", inner=""):
    return ('<child><object class="%s" id="%s"><property name="visible">1</property>%s%s'
            '</object></child>' % (cls, wid, props, inner))


STORE_COLUMNS = ('<columns><column type="gchararray"/><column type="gint"/>'
                 '<column type="gdouble"/><column type="gboolean"/><column type="guint"/>'
                 '</columns>')
TEXT_COLUMN = ('<child><object class="GtkTreeViewColumn"><child><object class="GtkCellRendererText"/>'
               '<attributes><attribute name="text">0</attribute></attributes></child></object></child>')

CHILDREN = "".join([
    widget("GtkDrawingArea", "da", '<property name="width-request">60</property>'
           '<property name="height-request">40</property>'),
    widget("GtkTreeView", "tv", '<property name="model">ls</property>', TEXT_COLUMN),
    widget("GtkTreeView", "tt", '<property name="model">ts</property>', TEXT_COLUMN),
    widget("GtkComboBoxText", "cbt"),
    widget("GtkLabel", "lbl", '<property name="label">label</property>'),
    widget("GtkImage", "img"),
    widget("GtkTextView", "txt"),
    widget("GtkNotebook", "nb", "", widget("GtkLabel", "p1") + widget("GtkLabel", "p2")),
    widget("GtkExpander", "exp", "", widget("GtkLabel", "exl")),
    widget("GtkFrame", "frm", "", widget("GtkLabel", "frl")),
    widget("GtkScrolledWindow", "scw", "", widget("GtkLabel", "scl")),
    widget("GtkButton", "btn", '<property name="label">button</property>'),
    widget("GtkMenuBar", "bar", "", widget("GtkMenuItem", "mi", '<property name="label">m</property>')),
    widget("GtkFileChooserButton", "fcb"),
    widget("GtkColorButton", "cb"),
    widget("GtkFontButton", "fb"),
    widget("GtkSwitch", "sw"),
    widget("GtkToggleButton", "tg", '<property name="label">t</property>'),
    widget("GtkRadioButton", "rb", '<property name="label">r</property>'),
    widget("GtkCheckButton", "chk", '<property name="label">c</property>'),
    widget("GtkEntry", "ent"),
    widget("GtkSpinButton", "spin", '<property name="adjustment">adj</property>'),
    widget("GtkScale", "sc", '<property name="adjustment">adj2</property>'),
    widget("GtkProgressBar", "pb", '<property name="show-text">1</property>'),
    widget("GtkSpinner", "spn"),
    widget("GtkStatusbar", "sb"),
    widget("GtkCalendar", "cal"),
    widget("GtkSocket", "sock"),
])

UI = ('<?xml version="1.0"?><interface>'
      '<object class="GtkListStore" id="ls">' + STORE_COLUMNS + '</object>'
      '<object class="GtkTreeStore" id="ts">' + STORE_COLUMNS + '</object>'
      '<object class="GtkAdjustment" id="adj"><property name="upper">100</property>'
      '<property name="step-increment">1</property></object>'
      '<object class="GtkAdjustment" id="adj2"><property name="upper">100</property>'
      '<property name="step-increment">1</property></object>'
      '<object class="GtkWindow" id="main"><property name="title">wirepanel-test</property>'
      '<child><object class="GtkBox" id="box"><property name="visible">1</property>'
      '<property name="orientation">vertical</property>' + CHILDREN + '</object></child></object>'
      '<object class="GtkFileChooserDialog" id="fcd"><property name="title">chooser</property></object>'
      '<object class="GtkPrintUnixDialog" id="pd"><property name="title">print</property></object>'
      '<object class="GtkDialog" id="dlg"><property name="title">dialog</property></object>'
      '</interface>')

# Valid commands, per widget, from which the storm mutates.
GENERIC = ["set_visible 1", "set_sensitive 0", "set_sensitive 1", "set_size_request 50 20",
           "set_tooltip_text tip", "grab_focus", "style color: red;", "block 1", "block 0",
           "force", "ping", "snapshot s.svg", "snapshot s.png", "snapshot s.pdf", "snapshot s.eps"]
VALID = {
    "da": ["move_to 1 5 5", "line_to 2 20 20", "rel_line_to 3 5 -5", "rectangle 4 1 1 10 10",
           "arc 5 20 20 10 0 180", "arc_negative 6 20 20 5 0 90", "curve_to 7 0 0 5 5 10 0",
           "rel_move_to 8 1 1", "rel_curve_to 9 1 2 3 4 5 6", "close_path 10", "fill 11",
           "fill_preserve 12", "stroke 13", "stroke_preserve 14", "set_source_rgba 15 red",
           "set_line_width 16 2", "set_dash 17 2 1", "set_line_cap 18 round",
           "set_line_join 19 bevel", "set_font_size 20 12", "set_font_face 21 Sans normal bold",
           "show_text 22 hello", "rel_move_for 23 c hi", "translate 24 3 3", "scale 25 2 2",
           "rotate 26 45", "transform 27 1 0 0 1 2 2", "remove 5", "clear"],
    "tv": ["set 0 0 text", "set 1 1 42", "set 2 2 3.5", "set 3 3 1", "set 4 4 7", "insert_row 0",
           "insert_row end", "insert_row 1 as_child", "move_row 0 end", "move_row 1 0", "remove_row 0",
           "set_cursor 0", "set_cursor", "scroll 0 0", "expand 0", "expand_all 0", "collapse 0",
           "clear", "save t.cmd", "block 1", "block 0"],
    "txt": ["set_text some text", "insert_at_cursor more", "place_cursor 3", "place_cursor end",
            "place_cursor_at_line 1", "scroll_to_cursor", "delete", "save x.cmd", "set_text a\\nb"],
    "cbt": ["prepend_text a", "append_text b", "insert_text 1 c", "remove 0", "set_active 0"],
    "lbl": ["set_text hello", "set_text a\\tb"],
    "img": ["set_from_icon_name gtk-ok", "set_from_file img.png"],
    "nb": ["set_current_page 1", "set_current_page 0"],
    "exp": ["set_expanded 1", "set_label ex"],
    "frm": ["set_label fr"],
    "scw": ["hscroll 10", "vscroll 5", "hscroll_to_range 0 10", "vscroll_to_range 1 2"],
    "btn": ["set_label press"],
    "mi": ["set_sensitive 1"],
    "fcd": ["set_filename f.txt", "set_current_name n.txt", "set_visible 0"],
    "fcb": ["set_filename f.txt"],
    "cb": ["set_color rgb(1,2,3)", "set_color #ff0000"],
    "fb": ["set_font_name Sans 12"],
    "pd": ["set_visible 0"],
    "sw": ["set_active 1", "set_active 0"],
    "tg": ["set_active 1", "set_active 0", "set_label tt"],
    "rb": ["set_active 1", "set_label rr"],
    "chk": ["set_active 1", "set_label cc"],
    "ent": ["set_text entry", "set_placeholder_text ph"],
    "spin": ["set_value 3", "set_range 0 10", "set_increments 1 2"],
    "sc": ["set_value 30", "set_range 0 50", "set_increments 1 5", "set_fill_level 20"],
    "pb": ["set_fraction 0.5", "set_text prog"],
    "spn": ["start", "stop"],
    "sb": ["push ctx text", "pop ctx", "push_id 3 ctx text", "pop_id 3", "remove_all ctx",
           "remove_all_id 3"],
    "cal": ["select_date 2024-02-29", "mark_day 3", "clear_marks"],
    "sock": ["id"],
    "main": ["set_title title", "resize 300 200", "move 10 10", "fullscreen", "unfullscreen"],
    "dlg": ["set_title dialog", "resize 100 100"],
    "ls": ["set 0 0 x"],
    "ts": ["set 0 0 x"],
}
VALID["tt"] = VALID["tv"] + ["set 0:1 0 child", "set 0:1:2 1 5", "insert_row 0:1 as_child"]
NAMES = sorted(VALID)

# Actions that end the process, wait for a person, or reach for files; the
# storm keeps them out or points them into its scratch directory.
EXCLUDED = {"main_quit", "print"}
FILE_ACTIONS = {"load", "save", "snapshot", "set_from_file", "set_filename", "set_current_name"}
# How the server splits a line: blanks, a name, a colon and the action.
ACTION = re.compile(r"\s*[0-9A-Za-z_-]+:([0-9A-Za-z_]+)")

NUMBERS = ["-1", "0", "99999999", "2147483648", "-2147483649", "1e308", "-1e308", "nan", "inf",
           "0x7fffffff", "18446744073709551616", "1.5", "-0", "65535", "32768"]
NOISE = ["\\", "\\n", "\\\\", "\\r", "\x00", "\xff\xfe", "\xc3\x28", "\xed\xa0\x80", "\t", " ",
         ":", "%s%n", "<b>", "&amp;", "\x1b[0m", "\xf0\x9f\x98\x80"]


def decode(raw):
    """The command the server sees: escapes undone, cut at the first NUL."""
    out, escaped = bytearray(), False
    for b in raw:
        if escaped:
            out.append(10 if b == ord("n") else 13 if b == ord("r") else b)
            escaped = False
        elif b == ord("\\"):
            escaped = True
        else:
            out.append(b)
    return bytes(out).split(b"\0", 1)[0].decode("latin-1")


class Storm:
    def __init__(self, seed, scratch, big_every=5000):
        self.rng = random.Random(seed)
        self.scratch = scratch
        self.big_every = big_every

    def valid(self):
        name = self.rng.choice(NAMES)
        pool = VALID[name] + GENERIC
        return name, self.rng.choice(pool)

    def mutate(self, text):
        r = self.rng
        words = text.split(" ")
        kind = r.randrange(12)
        if kind == 0:
            return text[:r.randrange(len(text) + 1)]
        if kind == 1:
            return text + r.choice([" ", " 1", " x", "  2 3", "\t", " " + r.choice(NUMBERS)])
        if kind == 2 and len(words) > 1:
            i = r.randrange(1, len(words))
            words[i] = r.choice(NUMBERS)
            return " ".join(words)
        if kind == 3:
            pos = r.randrange(len(text) + 1)
            return text[:pos] + r.choice(NOISE) + text[pos:]
        if kind == 4:
            return "".join(r.choice(NOISE + ["a", "1", " "]) for _ in range(r.randrange(1, 30)))
        if kind == 5 and len(words) > 1:
            r.shuffle(words)
            return " ".join(words)
        if kind == 6:
            return text + " " + " ".join(r.choice(NUMBERS) for _ in range(r.randrange(1, 8)))
        if kind == 7:
            return text + r.choice(["\t" * r.randrange(1, 300), "x" * r.randrange(1, 3000),
                                    "\\n" * r.randrange(1, 200)])
        return text

    def line(self):
        r = self.rng
        name, command = self.valid()
        if r.random() < 0.1:
            name = r.choice(NAMES + ["nobody", "", "a.b", "main:"])  # wrong class
        command = self.mutate(command)
        if r.random() < 0.05:
            command = self.mutate(command)
        raw = (name + ":" + command).encode("latin-1", "replace")
        if self.big_every and r.randrange(self.big_every) == 0:
            raw += (r.choice([b"x", b"\t", b"\\n", b"\xff", b" 1"]) * (1 << 20 // 2))[:1 << 20]
        return self.tame(raw)

    def tame(self, raw):
        """Keeps the storm away from the process's end, modal dialogs and files
        outside the scratch directory."""
        if b"\n" in raw:
            raw = raw.replace(b"\n", b"")
        seen = decode(raw)
        m = ACTION.match(seen)
        action = m.group(1) if m else ""
        if action in EXCLUDED:
            return b"lbl:set_text tamed"
        if action in FILE_ACTIONS:
            tail = re.sub(r"[^A-Za-z0-9.]", "_", seen.split(action, 1)[1])[:40].lstrip(".")
            name = re.sub(r"[^A-Za-z0-9_-]", "", seen.split(":", 1)[0])
            return ("%s:%s %s/%s" % (name, action, self.scratch, tail or "f")).encode()
        return raw


class Drain(threading.Thread):
    """Reads the output channel so that feedback never stalls the server."""

    def __init__(self, fd):
        super().__init__(daemon=True)
        self.fd = fd
        self.tail = b""
        self.lines = 0
        self.event = threading.Event()
        self.wanted = None
        self.stop = False

    def run(self):
        import select
        while not self.stop:
            ready, _, _ = select.select([self.fd], [], [], 0.2)
            if not ready:
                continue
            chunk = os.read(self.fd, 1 << 16)
            if not chunk:
                return
            self.tail = (self.tail + chunk)[-4096:]
            self.lines += chunk.count(b"\n")
            if self.wanted and self.wanted in self.tail:
                self.event.set()


# What standard error may hold: the system's own messages, the CSS parser's
# warnings about the client's own "style" data, and the toolkit's report of a
# draw list that cairo refused (a relative move without a current point, a
# dash list or transformation it rejects), after which that replay draws no
# more. Any other message of the toolkit is a precondition the server failed
# to check.
ALLOWED = re.compile(
    r"^$|^(ignoring |missing model/|send error; |column \d+: |X error |printing |print|"
    r"(\(wirepanel:\d+\): )?Gtk-WARNING \*\*: [0-9:.]+: Theme parsing error: |"
    r"(\(wirepanel:\d+\): )?Gtk-WARNING \*\*: [0-9:.]+: drawing failure for widget '\w+': "
    r"(no current point defined|invalid value for a dash setting|invalid matrix \(not invertible\))$|"
    # The machine's own: no system bus for the print backends.
    r"\*\* \(wirepanel:\d+\): WARNING \*\*: [0-9:.]+: Couldn't connect to D-Bus system bus)")
SANITIZER = re.compile(r"(AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:)")


def unexpected(lines):
    """Lines that are neither the system's messages nor the CSS parser's;
    a complaint echoes its command, whose line feeds continue it on further
    lines until the closing quote, and is followed by one indented reason."""
    bad, open_quote, want_reason = [], False, False
    for line in lines:
        if SANITIZER.search(line):
            bad.append(line)
        elif open_quote:
            open_quote = not line.endswith('"')
            want_reason = not open_quote
        elif want_reason:
            want_reason = False
            if not (line.startswith("  ") and line[2:3].strip()):
                bad.append("no reason line: " + line)
        elif ALLOWED.match(line):
            complaint = line.startswith(("ignoring", "missing model/"))
            open_quote = complaint and not line.endswith('"')
            want_reason = complaint and not open_quote
        else:
            bad.append(line)
    return bad


def sanitizer_report(lines):
    """The sanitizers' report among the lines, or their tail."""
    start = next((n for n, l in enumerate(lines) if SANITIZER.search(l)), max(len(lines) - 20, 0))
    return "\n".join(l[:300] for l in lines[start:start + 120])
