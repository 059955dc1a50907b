// Switches, toggle buttons, spin buttons, scales, progress bars, spinners
// and calendars: which data each action takes and the value afterwards.
#include "widget_cases.h"

namespace {

// ---- GtkSwitch ----

std::string switch_active(ui_fixture &ui)
{
    return std::to_string(gtk_switch_get_active(GTK_SWITCH(ui.obj("w"))));
}

class Switch : public testing::TestWithParam<widget_case> {};
TEST_P(Switch, Command) { check_case(R"(<object class="GtkSwitch" id="w"/>)", GetParam(), switch_active); }

INSTANTIATE_TEST_SUITE_P(Actions, Switch, testing::Values(
    widget_case{"1 switches on", {}, "set_active 1", true, "1"},
    widget_case{"0 switches off", {"set_active 1"}, "set_active 0", true, "0"},
    widget_case{"blanks around", {}, "set_active \t1 ", true, "1"},
    widget_case{"2", {}, "set_active 2", false, "0"},
    widget_case{"-1 wraps around", {"set_active 1"}, "set_active -1", false, "1"},
    widget_case{"a word", {}, "set_active yes", false, "0"},
    widget_case{"1 beyond the range of an unsigned int", {}, "set_active 4294967297", false, "0"},
    widget_case{"two numbers", {}, "set_active 1 1", false, "0"},
    widget_case{"no data", {}, "set_active", false, "0"},
    widget_case{"a switch has no label", {}, "set_label x", false, "0"}));

// ---- GtkToggleButton, GtkCheckButton, GtkRadioButton ----

std::string toggle_state(ui_fixture &ui)
{
    return null_text(gtk_button_get_label(GTK_BUTTON(ui.obj("w")))) + "|" +
           std::to_string(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ui.obj("w"))));
}

struct toggle_case {
    const char *cls;
    widget_case c;
};

std::ostream &operator<<(std::ostream &os, const toggle_case &t) { return os << t.cls << " " << t.c; }

class ToggleButton : public testing::TestWithParam<toggle_case> {};
TEST_P(ToggleButton, Command)
{
    // A radio button alone is always active: give it a group whose leader
    // holds the active state.
    std::string group = streq(GetParam().cls, "GtkRadioButton")
                            ? R"(<property name="group">leader</property>)"
                            : "";
    check_case(std::string(R"(<object class="GtkRadioButton" id="leader"/><object class=")") +
                   GetParam().cls + R"(" id="w"><property name="label">old</property>)" + group +
                   "</object>",
               GetParam().c, toggle_state);
}

std::vector<toggle_case> toggle_cases()
{
    std::vector<toggle_case> cases;
    for (const char *cls : {"GtkToggleButton", "GtkCheckButton", "GtkRadioButton"})
        for (const widget_case &c : {
                 widget_case{"label verbatim", {}, "set_label  new ", true, " new |0"},
                 widget_case{"on", {}, "set_active 1", true, "old|1"},
                 widget_case{"on with trailing blanks", {}, "set_active 1  ", true, "old|1"},
                 widget_case{"2", {}, "set_active 2", false, "old|0"},
                 widget_case{"-1", {}, "set_active -1", false, "old|0"},
                 widget_case{"number and garbage", {}, "set_active 1x", false, "old|0"},
                 widget_case{"no data", {}, "set_active", false, "old|0"},
             })
            cases.push_back({cls, c});
    cases.push_back({"GtkCheckButton", {"off", {"set_active 1"}, "set_active 0", true, "old|0"}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Actions, ToggleButton, testing::ValuesIn(toggle_cases()));

TEST(RadioButton, ActivatingOneDeactivatesItsGroup)
{
    ui_fixture ui(R"(<object class="GtkRadioButton" id="r1"/>)"
                  R"(<object class="GtkRadioButton" id="r2"><property name="group">r1</property></object>)");
    ui.run("r2:set_active 1");
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ui.obj("r1"))));
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(ui.obj("r2"))));
}

// ---- GtkSpinButton ----

const char *const adjustment_ui =
    R"(<object class="GtkAdjustment" id="a"><property name="lower">0</property>)"
    R"(<property name="upper">10</property><property name="value">3</property>)"
    R"(<property name="step-increment">1</property><property name="page-increment">2</property>)"
    R"(</object>)";

std::string adjustment_state(GtkAdjustment *a)
{
    return number_text(gtk_adjustment_get_value(a)) + "|" + number_text(gtk_adjustment_get_lower(a)) +
           ".." + number_text(gtk_adjustment_get_upper(a)) + "|" +
           number_text(gtk_adjustment_get_step_increment(a)) + "," +
           number_text(gtk_adjustment_get_page_increment(a));
}

std::string spin_state(ui_fixture &ui)
{
    return adjustment_state(gtk_spin_button_get_adjustment(GTK_SPIN_BUTTON(ui.obj("w"))));
}

class SpinButton : public testing::TestWithParam<widget_case> {};
TEST_P(SpinButton, Command)
{
    check_case(std::string(adjustment_ui) +
                   R"(<object class="GtkSpinButton" id="w"><property name="adjustment">a</property>)"
                   R"(<property name="digits">2</property></object>)",
               GetParam(), spin_state);
}

INSTANTIATE_TEST_SUITE_P(Actions, SpinButton, testing::Values(
    widget_case{"value", {}, "set_text 2.5", true, "2.5|0..10|1,2"},
    widget_case{"value clamped", {}, "set_text 20", true, "10|0..10|1,2"},
    widget_case{"negative value clamped", {}, "set_text -4", true, "0|0..10|1,2"},
    widget_case{"a decimal comma", {}, "set_text 2,5", false, "3|0..10|1,2"},
    widget_case{"not a number", {}, "set_text abc", false, "3|0..10|1,2"},
    widget_case{"nan", {}, "set_text nan", false, "3|0..10|1,2"},
    widget_case{"no data", {}, "set_text", false, "3|0..10|1,2"},
    widget_case{"range", {}, "set_range 0 100", true, "3|0..100|1,2"},
    widget_case{"range of one number", {}, "set_range 0", false, "3|0..10|1,2"},
    widget_case{"reversed range", {}, "set_range 10 0", false, "3|0..10|1,2"},
    widget_case{"increments", {}, "set_increments 0.5 5 ", true, "3|0..10|0.5,5"},
    widget_case{"increments and garbage", {}, "set_increments 1 5 x", false, "3|0..10|1,2"}));

// ---- GtkScale ----

std::string scale_state(ui_fixture &ui)
{
    GtkRange *range = GTK_RANGE(ui.obj("w"));
    return adjustment_state(gtk_range_get_adjustment(range)) + "|fill " +
           number_text(gtk_range_get_fill_level(range)) + " shown " +
           std::to_string(gtk_range_get_show_fill_level(range));
}

class Scale : public testing::TestWithParam<widget_case> {};
TEST_P(Scale, Command)
{
    check_case(std::string(adjustment_ui) +
                   R"(<object class="GtkScale" id="w"><property name="adjustment">a</property>)"
                   R"(<property name="fill-level">7</property></object>)",
               GetParam(), scale_state);
}

INSTANTIATE_TEST_SUITE_P(Actions, Scale, testing::Values(
    widget_case{"value", {}, "set_value 4.25", true, "4.25|0..10|1,2|fill 7 shown 0"},
    widget_case{"value and garbage", {}, "set_value 4 x", false, "3|0..10|1,2|fill 7 shown 0"},
    widget_case{"fill level shown", {}, "set_fill_level 5", true, "3|0..10|1,2|fill 5 shown 1"},
    widget_case{"no fill level hides it, keeping the level", {"set_fill_level 5"},
                "set_fill_level ", true, "3|0..10|1,2|fill 5 shown 0"},
    widget_case{"shown again at a new level", {"set_fill_level 5", "set_fill_level"},
                "set_fill_level 6", true, "3|0..10|1,2|fill 6 shown 1"},
    widget_case{"fill level of a word", {}, "set_fill_level x", false,
                "3|0..10|1,2|fill 7 shown 0"},
    widget_case{"range", {}, "set_range -5 5", true, "3|-5..5|1,2|fill 7 shown 0"},
    widget_case{"range of three numbers", {}, "set_range 1 2 3", false,
                "3|0..10|1,2|fill 7 shown 0"},
    widget_case{"reversed range", {}, "set_range 5 -5", false, "3|0..10|1,2|fill 7 shown 0"},
    widget_case{"increments", {}, "set_increments 2 4", true, "3|0..10|2,4|fill 7 shown 0"},
    widget_case{"a spin button's value action", {}, "set_text 4", false,
                "3|0..10|1,2|fill 7 shown 0"}));

// ---- GtkProgressBar ----

std::string progress_state(ui_fixture &ui)
{
    GtkProgressBar *bar = GTK_PROGRESS_BAR(ui.obj("w"));
    return null_text(gtk_progress_bar_get_text(bar)) + "|" +
           number_text(gtk_progress_bar_get_fraction(bar));
}

class ProgressBar : public testing::TestWithParam<widget_case> {};
TEST_P(ProgressBar, Command)
{
    check_case(R"(<object class="GtkProgressBar" id="w"><property name="text">old</property>)"
               R"(<property name="show-text">1</property></object>)",
               GetParam(), progress_state);
}

INSTANTIATE_TEST_SUITE_P(Actions, ProgressBar, testing::Values(
    widget_case{"text verbatim", {}, "set_text  half ", true, " half |0"},
    widget_case{"no data is no text", {}, "set_text", true, "(null)|0"},
    widget_case{"a blank is a text", {}, "set_text  ", true, " |0"},
    widget_case{"fraction", {}, "set_fraction 0.25", true, "old|0.25"},
    widget_case{"fraction clamped", {}, "set_fraction 1.5", true, "old|1"},
    widget_case{"fraction and garbage", {}, "set_fraction 0.25x", false, "old|0"},
    widget_case{"no fraction", {}, "set_fraction", false, "old|0"}));

// ---- GtkSpinner ----

std::string spinner_active(ui_fixture &ui)
{
    gboolean active;
    g_object_get(ui.obj("w"), "active", &active, nullptr);
    return std::to_string(active);
}

class Spinner : public testing::TestWithParam<widget_case> {};
TEST_P(Spinner, Command) { check_case(R"(<object class="GtkSpinner" id="w"/>)", GetParam(), spinner_active); }

INSTANTIATE_TEST_SUITE_P(Actions, Spinner, testing::Values(
    widget_case{"start", {}, "start", true, "1"},
    widget_case{"stop with blanks", {"start"}, "stop  ", true, "0"},
    widget_case{"start with data", {}, "start now", false, "0"},
    widget_case{"stop with data", {"start"}, "stop 1", false, "1"}));

// ---- GtkCalendar ----

std::string calendar_state(ui_fixture &ui)
{
    GtkCalendar *calendar = GTK_CALENDAR(ui.obj("w"));
    guint year, month, day;
    gtk_calendar_get_date(calendar, &year, &month, &day);
    char date[32];
    snprintf(date, sizeof date, "%04u-%02u-%02u", year, month + 1, day);
    std::string marks;
    for (guint d = 1; d <= 31; d++)
        if (gtk_calendar_get_day_is_marked(calendar, d))
            marks += " " + std::to_string(d);
    return date + std::string("|marks") + marks;
}

class Calendar : public testing::TestWithParam<widget_case> {};
TEST_P(Calendar, Command) { check_case(R"(<object class="GtkCalendar" id="w"/>)", GetParam(), calendar_state); }

const std::vector<std::string> january_tenth = {"select_date 2024-01-10"};

INSTANTIATE_TEST_SUITE_P(Actions, Calendar, testing::Values(
    widget_case{"date", january_tenth, "select_date 2024-12-24", true, "2024-12-24|marks"},
    widget_case{"single digits", january_tenth, "select_date 2024-1-5", true, "2024-01-05|marks"},
    widget_case{"leading zeros", january_tenth, "select_date 2024-07-07", true,
                "2024-07-07|marks"},
    widget_case{"blank after a hyphen", january_tenth, "select_date 2024- 3- 4 ", true,
                "2024-03-04|marks"},
    widget_case{"leap day", january_tenth, "select_date 2024-02-29", true, "2024-02-29|marks"},
    widget_case{"a year before 0", january_tenth, "select_date -5-01-01", false,
                "2024-01-10|marks"},
    widget_case{"month 13", january_tenth, "select_date 2024-13-01", false, "2024-01-10|marks"},
    widget_case{"month 0", january_tenth, "select_date 2024-00-10", false, "2024-01-10|marks"},
    widget_case{"day 32", january_tenth, "select_date 2024-02-32", false, "2024-01-10|marks"},
    widget_case{"day 0", january_tenth, "select_date 2024-02-00", false, "2024-01-10|marks"},
    widget_case{"a day the month lacks", january_tenth, "select_date 2024-02-31", false,
                "2024-01-10|marks"},
    widget_case{"no leap day", january_tenth, "select_date 2023-02-29", false,
                "2024-01-10|marks"},
    widget_case{"trailing garbage", january_tenth, "select_date 2024-12-24 x", false,
                "2024-01-10|marks"},
    widget_case{"blank before a hyphen", january_tenth, "select_date 2024 -12-24", false,
                "2024-01-10|marks"},
    widget_case{"no data", january_tenth, "select_date", false, "2024-01-10|marks"},
    widget_case{"mark a day", january_tenth, "mark_day 15", true, "2024-01-10|marks 15"},
    widget_case{"mark the last day", january_tenth, "mark_day 31 ", true, "2024-01-10|marks 31"},
    widget_case{"mark day 0", january_tenth, "mark_day 0", false, "2024-01-10|marks"},
    widget_case{"mark day 32", january_tenth, "mark_day 32", false, "2024-01-10|marks"},
    widget_case{"mark and garbage", january_tenth, "mark_day 15 x", false, "2024-01-10|marks"},
    widget_case{"clear marks", {"select_date 2024-01-10", "mark_day 3", "mark_day 4"}, "clear_marks", true,
                "2024-01-10|marks"},
    widget_case{"clear marks with data", {"select_date 2024-01-10", "mark_day 3"},
                "clear_marks all", false, "2024-01-10|marks 3"}));

}  // namespace
