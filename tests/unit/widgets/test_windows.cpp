// Status bars, windows and dialogs, chooser buttons and sockets.
#include "widget_cases.h"

#include <regex>

namespace {

// ---- GtkStatusbar ----

// The text the bar shows: the label in its message area.
std::string statusbar_text(ui_fixture &ui)
{
    GtkWidget *area = gtk_statusbar_get_message_area(GTK_STATUSBAR(ui.obj("w")));
    GList *children = gtk_container_get_children(GTK_CONTAINER(area));
    std::string text = gtk_label_get_text(GTK_LABEL(children->data));
    g_list_free(children);
    return "<" + text + ">";
}

class Statusbar : public testing::TestWithParam<widget_case> {};
TEST_P(Statusbar, Command) { check_case(R"(<object class="GtkStatusbar" id="w"/>)", GetParam(), statusbar_text); }

INSTANTIATE_TEST_SUITE_P(Actions, Statusbar, testing::Values(
    widget_case{"push", {}, "push Ready", true, "<Ready>"},
    widget_case{"push verbatim", {}, "push  two  words ", true, "< two  words >"},
    widget_case{"push of nothing", {"push A"}, "push", true, "<>"},
    widget_case{"pop it again", {"push A", "push"}, "pop", true, "<A>"},
    widget_case{"push to a context", {}, "push_id net Connected to server", true,
                "<Connected to server>"},
    widget_case{"push of a word alone", {"push A"}, "push_id net", true, "<>"},
    widget_case{"push of a word and blanks", {"push A"}, "push_id net  ", true, "<>"},
    widget_case{"push without a context", {}, "push_id", false, "<>"},
    widget_case{"push of blanks only", {}, "push_id   ", false, "<>"},
    widget_case{"context 0 is the default", {"push_id 0 Hello"}, "pop", true, "<>"},
    widget_case{"popping a context leaves the others", {"push_id net A", "push B"},
                "pop_id net", true, "<B>"},
    widget_case{"popping the default leaves the others", {"push B", "push_id net A"}, "pop",
                true, "<A>"},
    widget_case{"pop of an empty stack", {}, "pop", true, "<>"},
    widget_case{"pop with a word", {"push A"}, "pop x", false, "<A>"},
    widget_case{"pop of two contexts", {"push_id a A"}, "pop_id a b", false, "<A>"},
    widget_case{"pop of no context", {"push_id a A"}, "pop_id", false, "<A>"},
    widget_case{"remove all of a context", {"push B", "push_id net A", "push_id net C"},
                "remove_all_id net", true, "<B>"},
    widget_case{"remove all of the default", {"push B", "push_id net A", "push C"},
                "remove_all", true, "<A>"},
    widget_case{"remove all of no context", {"push_id net A"}, "remove_all_id", false, "<A>"},
    widget_case{"remove all with a word", {"push A"}, "remove_all x", false, "<A>"}));

// ---- GtkWindow, GtkDialog ----

const char *const window_ui =
    R"(<object class="%s" id="w"><property name="title">old</property>)"
    R"(<property name="default-width">300</property><property name="default-height">200</property>)"
    R"(</object>)";

std::string window_state(ui_fixture &ui)
{
    int width, height;
    gtk_window_get_size(GTK_WINDOW(ui.obj("w")), &width, &height);
    return null_text(gtk_window_get_title(GTK_WINDOW(ui.obj("w")))) + "|" + std::to_string(width) +
           "x" + std::to_string(height);
}

struct window_case {
    const char *cls;
    widget_case c;
};

std::ostream &operator<<(std::ostream &os, const window_case &w) { return os << w.cls << " " << w.c; }

class Window : public testing::TestWithParam<window_case> {};
TEST_P(Window, Command)
{
    char ui[512];
    snprintf(ui, sizeof ui, window_ui, GetParam().cls);
    check_case(ui, GetParam().c, window_state);
}

std::vector<window_case> window_cases()
{
    std::vector<window_case> cases;
    for (const char *cls : {"GtkWindow", "GtkDialog"})
        for (const widget_case &c : {
                 widget_case{"title verbatim", {}, "set_title  new ", true, " new |300x200"},
                 widget_case{"empty title", {}, "set_title", true, "|300x200"},
                 widget_case{"resize", {}, "resize 640 480", true, "old|640x480"},
                 widget_case{"resize with blanks", {}, "resize  640\t480 ", true, "old|640x480"},
                 widget_case{"resize of one number", {}, "resize 640", false, "old|300x200"},
                 widget_case{"resize and garbage", {}, "resize 640 480 2", false, "old|300x200"},
                 widget_case{"resize to nothing", {}, "resize 0 10", false, "old|300x200"},
                 widget_case{"back to the default size", {"resize 640 480"}, "resize", true,
                             "old|300x200"},
                 widget_case{"fullscreen", {}, "fullscreen", true, "old|300x200"},
                 widget_case{"fullscreen with data", {}, "fullscreen 1", false, "old|300x200"},
                 widget_case{"unfullscreen", {}, "unfullscreen ", true, "old|300x200"},
                 widget_case{"unfullscreen with data", {}, "unfullscreen x", false, "old|300x200"},
                 widget_case{"move, signed", {}, "move -10 20", true, "old|300x200"},
                 widget_case{"move of one number", {}, "move 10", false, "old|300x200"},
             })
            cases.push_back({cls, c});
    cases.push_back({"GtkWindow", {"no chooser name", {}, "set_current_name x", false, "old|300x200"}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Actions, Window, testing::ValuesIn(window_cases()));

TEST(Window, WithoutDefaultsResizeKeepsTheCurrentSize)
{
    ui_fixture ui(R"(<object class="GtkWindow" id="w"/>)");
    ui.run("w:resize 320 240");
    EXPECT_EQ(stderr_of(ui, "w:resize"), "");
    EXPECT_EQ(window_state(ui), "(null)|320x240");
    destroy_windows(ui);
}

TEST(Window, AMessageDialogIsNoDialogHere)
{
    ui_fixture ui(R"(<object class="GtkMessageDialog" id="w"/>)");
    EXPECT_TRUE(is_complaint(stderr_of(ui, "w:set_title x"),
                             "ignoring GtkMessageDialog command \"w:set_title x\"\n"));
    destroy_windows(ui);
}

// ---- File choosers ----

std::string current_name(ui_fixture &ui)
{
    char *name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(ui.obj("w")));
    std::string text = null_text(name);
    g_free(name);
    return text;
}

class FileChooserDialog : public testing::TestWithParam<widget_case> {};
TEST_P(FileChooserDialog, Command)
{
    check_case(R"(<object class="GtkFileChooserDialog" id="w"><property name="action">save</property></object>)",
               GetParam(), current_name);
}

INSTANTIATE_TEST_SUITE_P(Actions, FileChooserDialog, testing::Values(
    widget_case{"proposed name verbatim", {}, "set_current_name  new.txt", true, " new.txt"},
    widget_case{"a file name is taken; the chooser shows it once its folder is read", {},
                "set_filename /tmp/wirepanel-proposed.txt", true, ""},
    widget_case{"window actions follow", {"set_current_name a"}, "set_title x", true, "a"},
    widget_case{"window actions take their data", {"set_current_name a"}, "fullscreen 1", false,
                "a"},
    widget_case{"unknown action", {"set_current_name a"}, "set_text x", false, "a"}));

TEST(FileChooserButton, TakesAFileNameButNoProposedName)
{
    ui_fixture ui(R"(<object class="GtkFileChooserButton" id="w"/>)");
    EXPECT_EQ(stderr_of(ui, "w:set_filename /tmp"), "");
    EXPECT_TRUE(is_complaint(stderr_of(ui, "w:set_current_name x"),
                             "ignoring GtkFileChooserButton command \"w:set_current_name x\"\n"));
}

// ---- Colour and font buttons ----

std::string button_color(ui_fixture &ui)
{
    GdkRGBA color;
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(ui.obj("w")), &color);
    char *text = gdk_rgba_to_string(&color);
    std::string state = text;
    g_free(text);
    return state;
}

class ColorButton : public testing::TestWithParam<widget_case> {};
TEST_P(ColorButton, Command)
{
    check_case(R"(<object class="GtkColorButton" id="w"><property name="rgba">#0000ff</property></object>)",
               GetParam(), button_color);
}

INSTANTIATE_TEST_SUITE_P(Actions, ColorButton, testing::Values(
    widget_case{"hex colour", {}, "set_color #ff0000", true, "rgb(255,0,0)"},
    widget_case{"named colour", {}, "set_color green", true, "rgb(0,128,0)"},
    widget_case{"with alpha", {}, "set_color rgba(0,255,0,0.5)", true, "rgba(0,255,0,0.5)"},
    widget_case{"not a colour", {}, "set_color nocolor", false, "rgb(0,0,255)"},
    widget_case{"no data", {}, "set_color", false, "rgb(0,0,255)"}));

std::string font_name(ui_fixture &ui)
{
    char *font = gtk_font_chooser_get_font(GTK_FONT_CHOOSER(ui.obj("w")));
    std::string state = null_text(font);
    g_free(font);
    return state;
}

class FontButton : public testing::TestWithParam<widget_case> {};
TEST_P(FontButton, Command)
{
    check_case(R"(<object class="GtkFontButton" id="w"><property name="font">Sans 10</property></object>)",
               GetParam(), font_name);
}

INSTANTIATE_TEST_SUITE_P(Actions, FontButton, testing::Values(
    widget_case{"font name", {}, "set_font_name Serif Bold 14", true, "Serif Bold 14"},
    widget_case{"unknown action", {}, "set_color red", false, "Sans 10"}));

// ---- GtkSocket ----

const char *const socket_ui =
    R"(<object class="GtkWindow" id="main"><child><object class="GtkSocket" id="w"/></child></object>)";

TEST(Socket, IdIsWrittenAsFeedback)
{
    ui_fixture ui(socket_ui);
    EXPECT_EQ(stderr_of(ui, "w:id  "), "");
    std::string line = ui.feedback();
    std::smatch number;
    ASSERT_TRUE(std::regex_match(line, number, std::regex("w:id ([1-9][0-9]*)\n"))) << line;
    destroy_windows(ui);
}

TEST(Socket, IdWithDataIsRefusedAndWritesNothing)
{
    ui_fixture ui(socket_ui);
    EXPECT_EQ(stderr_of(ui, "w:id 1"), "ignoring GtkSocket command \"w:id 1\"\n  usage: id\n");
    EXPECT_EQ(ui.feedback(), "");
    destroy_windows(ui);
}

TEST(Socket, OutsideAnyWindowItHasNoIdToGive)
{
    ui_fixture ui(R"(<object class="GtkSocket" id="w"/>)");
    EXPECT_EQ(stderr_of(ui, "w:id"), "ignoring GtkSocket command \"w:id\"\n"
                                     "  the socket is in no window, so it has no id\n");
    EXPECT_EQ(ui.feedback(), "");
}

}  // namespace
