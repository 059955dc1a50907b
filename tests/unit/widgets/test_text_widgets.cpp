// Combo boxes, labels, images, buttons, menu items, entries and containers:
// which data each action takes and what the widget holds afterwards.
#include "widget_cases.h"

namespace {

// ---- GtkComboBoxText ----

const char *const combo_ui =
    R"(<object class="GtkComboBoxText" id="w"><items><item>a</item><item>b</item>)"
    R"(<item>c</item></items></object>)";

std::string combo_items(ui_fixture &ui)
{
    GtkTreeModel *model = gtk_combo_box_get_model(GTK_COMBO_BOX(ui.obj("w")));
    std::string items;
    GtkTreeIter iter;
    for (bool ok = gtk_tree_model_get_iter_first(model, &iter); ok;
         ok = gtk_tree_model_iter_next(model, &iter)) {
        char *text;
        gtk_tree_model_get(model, &iter, 0, &text, -1);
        items += std::string(items.empty() ? "" : "|") + "<" + text + ">";
        g_free(text);
    }
    return items;
}

class ComboBoxText : public testing::TestWithParam<widget_case> {};
TEST_P(ComboBoxText, Command) { check_case(combo_ui, GetParam(), combo_items); }

INSTANTIATE_TEST_SUITE_P(Actions, ComboBoxText, testing::Values(
    widget_case{"prepend keeps leading blanks", {}, "prepend_text  x", true, "< x>|<a>|<b>|<c>"},
    widget_case{"append of nothing adds an empty item", {}, "append_text", true, "<a>|<b>|<c>|<>"},
    widget_case{"remove the first", {}, "remove 0", true, "<b>|<c>"},
    widget_case{"remove with trailing blanks", {}, "remove 2  ", true, "<a>|<b>"},
    widget_case{"remove beyond the end changes nothing", {}, "remove 7", true, "<a>|<b>|<c>"},
    widget_case{"remove at a negative position changes nothing", {}, "remove -1", true,
                "<a>|<b>|<c>"},
    widget_case{"remove with two numbers", {}, "remove 0 1", false, "<a>|<b>|<c>"},
    widget_case{"remove of a word", {}, "remove x", false, "<a>|<b>|<c>"},
    widget_case{"remove without data", {}, "remove", false, "<a>|<b>|<c>"},
    widget_case{"insert text of two words", {}, "insert_text 2 Foo Bar", true,
                "<a>|<b>|<Foo Bar>|<c>"},
    widget_case{"insert text glued to the number", {}, "insert_text 2Foo", true,
                "<a>|<b>|<Foo>|<c>"},
    widget_case{"insert keeps trailing blanks", {}, "insert_text 0   x y ", true,
                "<x y >|<a>|<b>|<c>"},
    widget_case{"insert at -1 appends", {}, "insert_text -1 x", true, "<a>|<b>|<c>|<x>"},
    widget_case{"insert without text inserts an empty item", {}, "insert_text 1", true,
                "<a>|<>|<b>|<c>"},
    widget_case{"insert without a number", {}, "insert_text x", false, "<a>|<b>|<c>"},
    widget_case{"insert without data", {}, "insert_text", false, "<a>|<b>|<c>"},
    widget_case{"keywords are case-sensitive", {}, "Append_text x", false, "<a>|<b>|<c>"}));

std::string combo_choice(ui_fixture &ui)
{
    return std::to_string(gtk_combo_box_get_active(GTK_COMBO_BOX(ui.obj("w"))));
}

class ComboBoxTextChoice : public testing::TestWithParam<widget_case> {};
TEST_P(ComboBoxTextChoice, Command) { check_case(combo_ui, GetParam(), combo_choice); }

INSTANTIATE_TEST_SUITE_P(SetActive, ComboBoxTextChoice, testing::Values(
    widget_case{"choose the second", {}, "set_active 1", true, "1"},
    widget_case{"choose the last, blanks around", {}, "set_active  2 ", true, "2"},
    widget_case{"minus one clears", {"set_active 2"}, "set_active -1", true, "-1"},
    widget_case{"past the last item", {"set_active 0"}, "set_active 3", false, "0"},
    widget_case{"below minus one", {"set_active 0"}, "set_active -2", false, "0"},
    widget_case{"trailing word", {"set_active 0"}, "set_active 1 x", false, "0"},
    widget_case{"no number", {"set_active 0"}, "set_active", false, "0"},
    widget_case{"emptied list has no item 0", {"remove 0", "remove 0", "remove 0"},
                "set_active 0", false, "-1"}));

// ---- GtkLabel ----

std::string label_text(ui_fixture &ui) { return gtk_label_get_text(GTK_LABEL(ui.obj("w"))); }

class Label : public testing::TestWithParam<widget_case> {};
TEST_P(Label, Command)
{
    check_case(R"(<object class="GtkLabel" id="w"><property name="label">old</property></object>)",
               GetParam(), label_text);
}

INSTANTIATE_TEST_SUITE_P(Actions, Label, testing::Values(
    widget_case{"text verbatim", {}, "set_text  two  blanks ", true, " two  blanks "},
    widget_case{"no data empties it", {}, "set_text", true, ""},
    widget_case{"a line feed makes two lines", {}, "set_text one\ntwo", true, "one\ntwo"},
    widget_case{"no markup", {}, "set_text <b>x</b>", true, "<b>x</b>"},
    widget_case{"unknown action", {}, "set_markup x", false, "old"}));

// ---- GtkImage ----

std::string image_icon(ui_fixture &ui)
{
    const char *name = nullptr;
    GtkIconSize size = GTK_ICON_SIZE_INVALID;
    gtk_image_get_icon_name(GTK_IMAGE(ui.obj("w")), &name, &size);
    return null_text(name) + "/" + std::to_string(size);
}

class Image : public testing::TestWithParam<widget_case> {};
TEST_P(Image, Command)
{
    check_case(R"(<object class="GtkImage" id="w"><property name="icon-name">edit-copy</property>)"
               R"(<property name="icon-size">6</property></object>)",
               GetParam(), image_icon);
}

INSTANTIATE_TEST_SUITE_P(Actions, Image, testing::Values(
    widget_case{"icon name keeps the icon size", {}, "set_from_icon_name go-home", true,
                "go-home/6"},
    widget_case{"icon name verbatim", {}, "set_from_icon_name  go-home", true, " go-home/6"},
    widget_case{"a missing file is shown broken, not refused", {},
                "set_from_file /nonexistent/x.png", true, "image-missing/4"},
    widget_case{"the size of the broken image goes on", {"set_from_file /nonexistent/x.png"},
                "set_from_icon_name go-home", true, "go-home/4"},
    widget_case{"unknown action", {}, "set_text x", false, "edit-copy/6"}));

// ---- GtkButton, GtkMenuItem ----

std::string button_label(ui_fixture &ui)
{
    return null_text(gtk_button_get_label(GTK_BUTTON(ui.obj("w"))));
}

class Button : public testing::TestWithParam<widget_case> {};
TEST_P(Button, Command)
{
    check_case(R"(<object class="GtkButton" id="w"><property name="label">old</property></object>)",
               GetParam(), button_label);
}

INSTANTIATE_TEST_SUITE_P(Actions, Button, testing::Values(
    widget_case{"label verbatim", {}, "set_label  OK ", true, " OK "},
    widget_case{"empty label", {}, "set_label", true, ""},
    widget_case{"a toggle action is not a button's", {}, "set_active 1", false, "old"}));

std::string menu_item_label(ui_fixture &ui)
{
    return gtk_menu_item_get_label(GTK_MENU_ITEM(ui.obj("w")));
}

class MenuItem : public testing::TestWithParam<widget_case> {};
TEST_P(MenuItem, Command)
{
    check_case(R"(<object class="GtkMenuItem" id="w"><property name="label">old</property></object>)",
               GetParam(), menu_item_label);
}

INSTANTIATE_TEST_SUITE_P(Actions, MenuItem, testing::Values(
    widget_case{"no label action", {}, "set_label x", false, "old"},
    widget_case{"no text action", {}, "set_text x", false, "old"}));

// ---- GtkEntry ----

std::string entry_texts(ui_fixture &ui)
{
    GtkEntry *entry = GTK_ENTRY(ui.obj("w"));
    return std::string(gtk_entry_get_text(entry)) + "|" +
           null_text(gtk_entry_get_placeholder_text(entry));
}

class Entry : public testing::TestWithParam<widget_case> {};
TEST_P(Entry, Command)
{
    check_case(R"(<object class="GtkEntry" id="w"><property name="text">old</property></object>)",
               GetParam(), entry_texts);
}

INSTANTIATE_TEST_SUITE_P(Actions, Entry, testing::Values(
    widget_case{"text verbatim", {}, "set_text  a b ", true, " a b |(null)"},
    widget_case{"no data empties it", {}, "set_text", true, "|(null)"},
    widget_case{"placeholder verbatim", {}, "set_placeholder_text  type here", true,
                "old| type here"},
    widget_case{"unknown action", {}, "set_label x", false, "old|(null)"}));

// ---- GtkNotebook ----

const char *const notebook_ui =
    R"(<object class="GtkNotebook" id="w">)"
    R"(<child><object class="GtkLabel"><property name="visible">1</property></object></child>)"
    R"(<child><object class="GtkLabel"><property name="visible">1</property></object></child>)"
    R"(<child><object class="GtkLabel"><property name="visible">1</property></object></child>)"
    R"(</object>)";

std::string notebook_page(ui_fixture &ui)
{
    return std::to_string(gtk_notebook_get_current_page(GTK_NOTEBOOK(ui.obj("w"))));
}

class Notebook : public testing::TestWithParam<widget_case> {};
TEST_P(Notebook, Command) { check_case(notebook_ui, GetParam(), notebook_page); }

INSTANTIATE_TEST_SUITE_P(Actions, Notebook, testing::Values(
    widget_case{"first page", {"set_current_page 1"}, "set_current_page 0", true, "0"},
    widget_case{"last page, trailing blanks", {}, "set_current_page 2 ", true, "2"},
    widget_case{"a plus sign", {}, "set_current_page +2", true, "2"},
    widget_case{"one past the last page", {"set_current_page 1"}, "set_current_page 3", false,
                "1"},
    widget_case{"-1 is not the last page here", {"set_current_page 1"}, "set_current_page -1",
                false, "1"},
    widget_case{"trailing garbage", {"set_current_page 1"}, "set_current_page 1 x", false, "1"},
    widget_case{"no data", {}, "set_current_page", false, "0"}));

// ---- GtkExpander, GtkFrame ----

std::string expander_state(ui_fixture &ui)
{
    GtkExpander *expander = GTK_EXPANDER(ui.obj("w"));
    return std::to_string(gtk_expander_get_expanded(expander)) + "|" +
           null_text(gtk_expander_get_label(expander));
}

class Expander : public testing::TestWithParam<widget_case> {};
TEST_P(Expander, Command)
{
    check_case(R"(<object class="GtkExpander" id="w"><property name="label">old</property></object>)",
               GetParam(), expander_state);
}

INSTANTIATE_TEST_SUITE_P(Actions, Expander, testing::Values(
    widget_case{"1 opens", {}, "set_expanded 1", true, "1|old"},
    widget_case{"0 closes", {"set_expanded 1"}, "set_expanded 0", true, "0|old"},
    widget_case{"blanks around the number", {}, "set_expanded  1  ", true, "1|old"},
    widget_case{"2 is no truth value", {}, "set_expanded 2", false, "0|old"},
    widget_case{"-1 wraps around and is refused", {}, "set_expanded -1", false, "0|old"},
    widget_case{"two numbers", {}, "set_expanded 1 1", false, "0|old"},
    widget_case{"wider than an unsigned int", {}, "set_expanded 4294967297", false, "0|old"},
    widget_case{"a word", {}, "set_expanded yes", false, "0|old"},
    widget_case{"no data", {}, "set_expanded", false, "0|old"},
    widget_case{"label verbatim", {}, "set_label  new ", true, "0| new "}));

std::string frame_label(ui_fixture &ui) { return null_text(gtk_frame_get_label(GTK_FRAME(ui.obj("w")))); }

class Frame : public testing::TestWithParam<widget_case> {};
TEST_P(Frame, Command)
{
    check_case(R"(<object class="GtkFrame" id="w"><property name="label">old</property></object>)",
               GetParam(), frame_label);
}

INSTANTIATE_TEST_SUITE_P(Actions, Frame, testing::Values(
    widget_case{"label verbatim", {}, "set_label  new ", true, " new "},
    widget_case{"unknown action", {}, "set_text x", false, "old"}));

// ---- GtkScrolledWindow ----

// Adjustments of 0 to 1000 with a page of 100, as a tall child would give.
std::string scroll_values(ui_fixture &ui)
{
    GtkScrolledWindow *window = GTK_SCROLLED_WINDOW(ui.obj("w"));
    return number_text(gtk_adjustment_get_value(gtk_scrolled_window_get_hadjustment(window))) +
           "|" + number_text(gtk_adjustment_get_value(gtk_scrolled_window_get_vadjustment(window)));
}

class ScrolledWindow : public testing::TestWithParam<widget_case> {};
TEST_P(ScrolledWindow, Command)
{
    ui_fixture ui(R"(<object class="GtkScrolledWindow" id="w"/>)");
    GtkScrolledWindow *window = GTK_SCROLLED_WINDOW(ui.obj("w"));
    for (GtkAdjustment *adjustment : {gtk_scrolled_window_get_hadjustment(window),
                                      gtk_scrolled_window_get_vadjustment(window)})
        gtk_adjustment_configure(adjustment, 0, 0, 1000, 10, 100, 100);
    const widget_case &c = GetParam();
    for (const std::string &line : c.before)
        ASSERT_EQ(stderr_of(ui, "w:" + line), "");
    std::string line = "w:" + c.command;
    std::string err = stderr_of(ui, line);
    if (c.accepted)
        EXPECT_EQ(err, "");
    else
        EXPECT_TRUE(is_complaint(err, complaint(ui.obj("w"), line)));
    EXPECT_EQ(scroll_values(ui), c.state);
}

INSTANTIATE_TEST_SUITE_P(Actions, ScrolledWindow, testing::Values(
    widget_case{"hscroll", {}, "hscroll 250", true, "250|0"},
    widget_case{"hscroll to the left edge", {"hscroll 250"}, "hscroll 0", true, "0|0"},
    widget_case{"vscroll with a fraction and blanks", {}, "vscroll  30.5 ", true, "0|30.5"},
    widget_case{"clamped to the range", {}, "hscroll 5000", true, "900|0"},
    widget_case{"a decimal comma is trailing garbage", {}, "hscroll 1,5", false, "0|0"},
    widget_case{"nan", {}, "vscroll nan", false, "0|0"},
    widget_case{"no data", {}, "hscroll", false, "0|0"},
    widget_case{"range brought into view", {}, "vscroll_to_range 500 600", true, "0|500"},
    widget_case{"range already in view", {}, "hscroll_to_range 50 80", true, "0|0"},
    widget_case{"range of one number", {}, "hscroll_to_range 500", false, "0|0"},
    widget_case{"range of three numbers", {}, "vscroll_to_range 1 2 3", false, "0|0"}));

// ---- The complaint ----

TEST(Complaint, NamesTheClassAndQuotesTheLine)
{
    ui_fixture ui(notebook_ui);
    EXPECT_EQ(stderr_of(ui, "w:set_current_page 3"),
              "ignoring GtkNotebook command \"w:set_current_page 3\"\n"
              "  no page 3: the notebook has 3\n");
}

// A subclass gets only the actions of every widget, not its parent's.
TEST(Complaint, SubclassOfAButtonIsNoButton)
{
    ui_fixture ui(R"(<object class="GtkLinkButton" id="w"><property name="label">old</property>)"
                  R"(<property name="uri">http://localhost/</property></object>)");
    EXPECT_EQ(stderr_of(ui, "w:set_label x"),
              "ignoring GtkLinkButton command \"w:set_label x\"\n"
              "  GtkLinkButton has no action 'set_label'; it knows: block, set_sensitive, "
              "set_visible, set_tooltip_text, grab_focus, set_size_request, style, force, ping, "
              "snapshot\n");
    EXPECT_EQ(button_label(ui), "old");
}

}  // namespace
