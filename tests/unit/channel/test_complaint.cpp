// The reason line after each complaint: one wrong line of each kind and
// the exact two lines it gets on standard error.
#include "ui_fixture.h"

#include <string>

namespace {

constexpr const char *objects = R"(
<object class="GtkListStore" id="store"><columns><column type="gint"/></columns></object>
<object class="GtkLabel" id="label"/>
<object class="GtkSwitch" id="switch"/>
<object class="GtkCalendar" id="calendar"/>
<object class="GtkTextView" id="text"/>
<object class="GtkWindow" id="window"/>
<object class="GtkDrawingArea" id="area"/>
<object class="GtkTreeView" id="list"><property name="model">store</property></object>
<object class="GtkTreeView" id="bare"/>
<object class="GtkStatusbar" id="status"/>)";

struct reason_case {
    const char *what;
    const char *line;
    const char *complaint;  // the first line, without its line feed
    const char *reason;     // the second line, without its indentation
};

// The name alone: a line may hold bytes that are not UTF-8, which the
// test report cannot carry.
void PrintTo(const reason_case &c, std::ostream *os) { *os << c.what; }

class complaint_reason : public testing::TestWithParam<reason_case> {};

TEST_P(complaint_reason, follows_the_unchanged_complaint)
{
    const reason_case &c = GetParam();
    ui_fixture ui(objects);
    testing::internal::CaptureStderr();
    ui.run(c.line);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string(c.complaint) + "\n  " + c.reason + "\n");
    gtk_widget_destroy(GTK_WIDGET(ui.obj("window")));
}

INSTANTIATE_TEST_SUITE_P(reasons, complaint_reason, testing::Values(
    reason_case{"misspelt id", "lable:set_text x", "ignoring command \"lable:set_text x\"",
                "no object with that id; the nearest is 'label'"},
    reason_case{"id far from any", "nobody:set_text x", "ignoring command \"nobody:set_text x\"",
                "no object with that id"},
    reason_case{"no id at all", "set_text x", "ignoring command \"set_text x\"",
                "the line does not begin with an id, a colon and an action"},
    reason_case{"unknown action", "label:set_txt x", "ignoring GtkLabel command \"label:set_txt x\"",
                "GtkLabel has no action 'set_txt'; it knows: set_text, block, set_sensitive, "
                "set_visible, set_tooltip_text, grab_focus, set_size_request, style, force, ping, "
                "snapshot"},
    reason_case{"data of the wrong form", "switch:set_active yes",
                "ignoring GtkSwitch command \"switch:set_active yes\"", "usage: set_active 0|1"},
    reason_case{"every form of an action", "window:resize 10",
                "ignoring GtkWindow command \"window:resize 10\"",
                "usage: resize WIDTH HEIGHT (each 1 to 16384) or resize"},
    reason_case{"a generic action's form", "label:set_visible 2",
                "ignoring GtkLabel command \"label:set_visible 2\"", "usage: set_visible 0|1"},
    reason_case{"a handler's own reason", "calendar:select_date 2023-02-29",
                "ignoring GtkCalendar command \"calendar:select_date 2023-02-29\"",
                "2023-02 has no day 29"},
    reason_case{"a year before the calendar's first", "calendar:select_date -5-01-01",
                "ignoring GtkCalendar command \"calendar:select_date -5-01-01\"",
                "there is no year -5"},
    reason_case{"a file that cannot be opened", "text:save /nonexistent/dir/file",
                "ignoring GtkTextView command \"text:save /nonexistent/dir/file\"",
                "cannot open the file: No such file or directory"},
    reason_case{"text that is not UTF-8", "label:set_text \xff",
                "ignoring GtkLabel command \"label:set_text \xff\"", "the text is not valid UTF-8"},
    reason_case{"a draw command's form", "area:arc 1 2 3",
                "ignoring GtkDrawingArea command \"area:arc 1 2 3\"",
                "usage: arc ID X Y RADIUS ANGLE1 ANGLE2"},
    reason_case{"a cell of the wrong type", "list:set 0 0 four",
                "ignoring GtkTreeView command \"list:set 0 0 four\"",
                "the value is no number of the column's type"},
    reason_case{"a tree action's forms", "list:insert_row",
                "ignoring GtkTreeView command \"list:insert_row\"",
                "usage: insert_row end or insert_row ROW as_child or insert_row ROW"},
    reason_case{"a view without a store", "bare:clear",
                "missing model/ignoring GtkTreeView command \"bare:clear\"",
                "the tree view has no list store or tree store"},
    reason_case{"an object that is no widget", "store:set_visible 1",
                "ignoring GtkListStore command \"store:set_visible 1\"",
                "GtkListStore has no action 'set_visible'; it knows: block"},
    reason_case{"a status bar's form", "status:pop_id",
                "ignoring GtkStatusbar command \"status:pop_id\"", "usage: pop_id CONTEXT"}));

}  // namespace
