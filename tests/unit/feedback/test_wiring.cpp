// Which user actions produce which lines and reactions: the naming
// convention of buttons and menu items, exact-class rows, windows, and
// the recorded handlers that "block" mutes.
#include "feedback/feedback.h"
#include "widgets/widgets.h"
#include "wired_fixture.h"

#include <functional>

namespace {

const char dialogs_ui[] = R"(
  <object class="GtkDialog" id="dlg"/>
  <object class="GtkTextBuffer" id="buf"><property name="text">say
this</property></object>
  <object class="GtkTextView" id="tv"><property name="buffer">buf</property></object>
  <object class="GtkLabel" id="lbl"/>
  <object class="GtkButton" id="dlg_cancel"/>
  <object class="GtkButton" id="dlg_ok"/>
  <object class="GtkButton" id="dlg_okay_then"/>
  <object class="GtkButton" id="dlg_apply"/>
  <object class="GtkButton" id="lbl_cancel"/>
  <object class="GtkButton" id="nobody_ok"/>
  <object class="GtkButton" id="tv_send_text"/>
  <object class="GtkButton" id="tv_send_selection"/>
  <object class="GtkButton" id="tv_cancel"/>
  <object class="GtkButton" id="dlg_send_text"/>
  <object class="GtkButton" id="tv_send_text_dlg_cancel"/>)";

// File chooser dialogs are left to the end-to-end tests: their widgets make
// GLib outgrow its first quark table, a block it drops on purpose and that
// the leak checker then reports.
struct button_case {
    const char *button;
    const char *lines;
    bool dialog_visible;
};

std::ostream &operator<<(std::ostream &os, const button_case &c)
{
    return os << c.button;
}

class ButtonNaming : public testing::TestWithParam<button_case> {};

TEST_P(ButtonNaming, ClickWritesItsLinesAndReactsOnItsTarget)
{
    wired_ui f(dialogs_ui);
    GtkWidget *dialog = GTK_WIDGET(f.obj("dlg"));
    gtk_widget_show(dialog);
    gtk_button_clicked(GTK_BUTTON(f.obj(GetParam().button)));
    EXPECT_EQ(f.signal_feedback(), GetParam().lines);
    EXPECT_EQ(gtk_widget_get_visible(dialog), GetParam().dialog_visible);
    gtk_widget_hide(dialog);
}

INSTANTIATE_TEST_SUITE_P(Suffixes, ButtonNaming, testing::Values(
    button_case{"dlg_cancel", "dlg_cancel:clicked \n", false},
    button_case{"dlg_ok", "dlg_ok:clicked \n", false},
    button_case{"dlg_okay_then", "dlg_okay_then:clicked \n", false},
    button_case{"dlg_apply", "dlg_apply:clicked \n", true},
    button_case{"lbl_cancel", "lbl_cancel:clicked \n", true},
    button_case{"nobody_ok", "nobody_ok:clicked \n", true},
    button_case{"tv_send_text", "tv_send_text:text say\\nthis\n", true},
    button_case{"tv_send_selection", "tv_send_selection:text \n", true},
    button_case{"tv_cancel", "tv_cancel:clicked \n", true},
    button_case{"dlg_send_text", "dlg_send_text:clicked \n", true},
    button_case{"tv_send_text_dlg_cancel", "tv_send_text_dlg_cancel:text say\\nthis\n", true}),
    [](const auto &info) { return std::string(info.param.button); });

TEST(IdPrefix, LooksUpAtMostTheFirst256Characters)
{
    std::string id256(256, 'd');
    wired_ui f("<object class=\"GtkDialog\" id=\"" + id256 + "\"/>"
               "<object class=\"GtkButton\" id=\"" + id256 + "dd_ok\"/>");
    std::string button = id256 + "dd_ok";
    EXPECT_EQ(lookup_id_prefix(f.builder, 258, button.c_str()), f.obj(id256.c_str()));
    EXPECT_EQ(lookup_id_prefix(f.builder, 3, button.c_str()), nullptr);
    GtkWidget *dialog = GTK_WIDGET(f.obj(id256.c_str()));
    gtk_widget_show(dialog);
    gtk_button_clicked(GTK_BUTTON(f.obj(button.c_str())));
    EXPECT_FALSE(gtk_widget_get_visible(dialog));
}

TEST(MenuItems, InvokeShowsItsDialogSilentlyOthersWriteTheirLabel)
{
    wired_ui f(R"(<object class="GtkDialog" id="dlg"/>
      <object class="GtkMenuItem" id="dlg_invoke"><property name="label">Show</property></object>
      <object class="GtkMenuItem" id="lbl_invoke"><property name="label">Plain</property></object>
      <object class="GtkLabel" id="lbl"/>
      <object class="GtkCheckMenuItem" id="check"><property name="label">Check</property></object>
      <object class="GtkRadioMenuItem" id="radio"><property name="label">Radio</property></object>)");
    gtk_menu_item_activate(GTK_MENU_ITEM(f.obj("dlg_invoke")));
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(f.obj("dlg"))));
    gtk_widget_hide(GTK_WIDGET(f.obj("dlg")));
    gtk_menu_item_activate(GTK_MENU_ITEM(f.obj("lbl_invoke")));
    gtk_menu_item_activate(GTK_MENU_ITEM(f.obj("check")));
    gtk_menu_item_activate(GTK_MENU_ITEM(f.obj("radio")));
    EXPECT_EQ(f.signal_feedback(), "lbl_invoke:active Plain\ncheck:active Check\n"
                                   "radio:active Radio\n");
}

// Rows that test for exactly a class leave subclasses unwired.
struct class_case {
    const char *what;
    const char *ui;
    std::function<void(wired_ui &)> act;
    const char *lines;
};

std::ostream &operator<<(std::ostream &os, const class_case &c)
{
    return os << c.what;
}

class ClassRows : public testing::TestWithParam<class_case> {};

TEST_P(ClassRows, WireOnlyTheirClass)
{
    wired_ui f(GetParam().ui);
    GetParam().act(f);
    EXPECT_EQ(f.signal_feedback(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Classes, ClassRows, testing::Values(
    class_case{"entry", R"(<object class="GtkEntry" id="x"/>)",
               [](wired_ui &f) { gtk_entry_set_text(GTK_ENTRY(f.obj("x")), "hi"); },
               "x:text hi\n"},
    class_case{"search_entry_unwired", R"(<object class="GtkSearchEntry" id="x"/>)",
               [](wired_ui &f) { gtk_entry_set_text(GTK_ENTRY(f.obj("x")), "hi"); }, ""},
    class_case{"link_button_unwired", R"(<object class="GtkLinkButton" id="x"/>)",
               [](wired_ui &f) { EXPECT_EQ(g_object_get_data(f.obj("x"), "signal-id"), nullptr); },
               ""},
    class_case{"toggle_button", R"(<object class="GtkToggleButton" id="x"/>)",
               [](wired_ui &f) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.obj("x")), TRUE); },
               "x:1 \n"},
    class_case{"radio_group_writes_both_changes",
               R"(<object class="GtkRadioButton" id="a"/>
                  <object class="GtkRadioButton" id="b"><property name="group">a</property></object>)",
               [](wired_ui &f) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(f.obj("b")), TRUE); },
               "a:0 \nb:1 \n"},
    class_case{"switch", R"(<object class="GtkSwitch" id="x"/>)",
               [](wired_ui &f) { gtk_switch_set_active(GTK_SWITCH(f.obj("x")), TRUE); },
               "x:1 \n"},
    class_case{"spin_button",
               R"(<object class="GtkAdjustment" id="adj"><property name="upper">9</property></object>
                  <object class="GtkSpinButton" id="x"><property name="adjustment">adj</property></object>)",
               [](wired_ui &f) { gtk_spin_button_set_value(GTK_SPIN_BUTTON(f.obj("x")), 4); },
               "x:text 4.000000\n"},
    class_case{"scale",
               R"(<object class="GtkAdjustment" id="adj"><property name="upper">9</property></object>
                  <object class="GtkScale" id="x"><property name="adjustment">adj</property></object>)",
               [](wired_ui &f) { gtk_range_set_value(GTK_RANGE(f.obj("x")), 1.5); },
               "x:value 1.500000\n"},
    class_case{"calendar", R"(<object class="GtkCalendar" id="x"><property name="year">2024</property>
                  <property name="month">0</property></object>)",
               [](wired_ui &f) { gtk_calendar_select_day(GTK_CALENDAR(f.obj("x")), 9); },
               "x:clicked 2024-01-09\n"},
    class_case{"tree_view_column_header",
               R"(<object class="GtkTreeView" id="view"><child><object class="GtkTreeViewColumn" id="x">
                  <property name="clickable">1</property></object></child></object>)",
               [](wired_ui &f) { gtk_tree_view_column_clicked(GTK_TREE_VIEW_COLUMN(f.obj("x"))); },
               "x:clicked \n"}),
    [](const auto &info) { return std::string(info.param.what); });

TEST(EventBox, TakesKeyboardFocusFromTheStart)
{
    wired_ui f(R"(<object class="GtkEventBox" id="eb"/><object class="GtkEventBox" id="plain"/>)");
    EXPECT_TRUE(gtk_widget_get_can_focus(GTK_WIDGET(f.obj("eb"))));
    EXPECT_FALSE(f.refused("eb:grab_focus"));
}

TEST(Block, SilencesAColumnHeaderUntilUnblocked)
{
    wired_ui f(R"(<object class="GtkTreeView" id="view"><child><object class="GtkTreeViewColumn"
                  id="col"><property name="clickable">1</property></object></child></object>)");
    auto *column = GTK_TREE_VIEW_COLUMN(f.obj("col"));
    f.run("col:block 1");
    gtk_tree_view_column_clicked(column);
    EXPECT_EQ(f.signal_feedback(), "");
    f.run("col:block 0");
    gtk_tree_view_column_clicked(column);
    EXPECT_EQ(f.signal_feedback(), "col:clicked \n");
}

// A handler's target may differ from the addressed object, as when a tree
// view passes "block" on to its selection.
TEST(Block, AppliesToTheGivenTarget)
{
    wired_ui f(R"(<object class="GtkEntry" id="e"/><object class="GtkLabel" id="lbl"/>)");
    command_data cmd = {};
    char one[] = "1", zero[] = "0", line[] = "lbl:block 1";
    cmd.obj = f.obj("lbl");
    cmd.data = one;
    cmd.cmd = line;
    set_handlers_blocked(&cmd, f.obj("e"));
    gtk_entry_set_text(GTK_ENTRY(f.obj("e")), "muted");
    EXPECT_EQ(f.signal_feedback(), "");
    cmd.data = zero;
    set_handlers_blocked(&cmd, f.obj("e"));
    gtk_entry_set_text(GTK_ENTRY(f.obj("e")), "heard");
    EXPECT_EQ(f.signal_feedback(), "e:text heard\n");
}

// Closing goes through GTK's own handling of the delete event, which
// destroys a window that nobody stopped.
void deliver_delete(GtkWidget *window)
{
    GdkEvent *event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    gtk_main_do_event(event);
    gdk_event_free(event);
}

struct window_watch {
    bool destroyed = false;
    static void on_destroy(GtkWidget *, gpointer flag) { *static_cast<bool *>(flag) = true; }
};

TEST(Windows, ClosingAnotherWindowWritesClosedAndHidesIt)
{
    wired_ui f(R"(<object class="GtkWindow" id="w2"/>)");
    GtkWidget *window = GTK_WIDGET(f.obj("w2"));
    window_watch watch;
    g_signal_connect(window, "destroy", G_CALLBACK(window_watch::on_destroy), &watch.destroyed);
    gtk_widget_show(window);
    deliver_delete(window);
    EXPECT_EQ(f.signal_feedback(), "w2:closed \n");
    EXPECT_FALSE(gtk_widget_get_visible(window));
    EXPECT_FALSE(watch.destroyed);
    EXPECT_FALSE(f.refused("w2:set_visible 1"));
    EXPECT_TRUE(gtk_widget_get_visible(window));
    g_signal_handlers_disconnect_by_data(window, &watch.destroyed);
    gtk_widget_hide(window);
}

// A blocked window must neither report nor react, and must not be lost to
// GTK's default destruction either.
TEST(Windows, BlockedWindowsStayInPlaceWhenClosed)
{
    wired_ui f(R"(<object class="GtkWindow" id="main"/><object class="GtkWindow" id="w2"/>)");
    for (const char *id : {"main", "w2"}) {
        GtkWidget *window = GTK_WIDGET(f.obj(id));
        window_watch watch;
        g_signal_connect(window, "destroy", G_CALLBACK(window_watch::on_destroy),
                         &watch.destroyed);
        gtk_widget_show(window);
        f.run(std::string(id) + ":block 1");
        deliver_delete(window);
        EXPECT_EQ(f.signal_feedback(), "") << id;
        EXPECT_TRUE(gtk_widget_get_visible(window)) << id;
        EXPECT_FALSE(watch.destroyed) << id;
        g_signal_handlers_disconnect_by_data(window, &watch.destroyed);
        gtk_widget_hide(window);
    }
}

}  // namespace
