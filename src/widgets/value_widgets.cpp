// Widgets that hold a value: switches, toggle, check and radio buttons, spin
// buttons, scales, progress bars, spinners and calendars.
#include "widgets/action_table.h"

namespace {

// Each class's actions, in the order they are tried.
bool switch_set_active(command_data *cmd);
bool toggle_set_label(command_data *cmd);
bool toggle_set_active(command_data *cmd);
bool spin_set_value(command_data *cmd);
bool spin_set_range(command_data *cmd);
bool spin_set_increments(command_data *cmd);
bool scale_set_value(command_data *cmd);
bool scale_show_fill_level(command_data *cmd);
bool scale_hide_fill_level(command_data *cmd);
bool scale_set_range(command_data *cmd);
bool scale_set_increments(command_data *cmd);
bool progress_set_text(command_data *cmd);
bool progress_set_fraction(command_data *cmd);
bool spinner_start(command_data *cmd);
bool spinner_stop(command_data *cmd);
bool calendar_select_date(command_data *cmd);
bool calendar_mark_day(command_data *cmd);
bool calendar_clear_marks(command_data *cmd);

constexpr action_row switch_actions[] = {
    {.action = "set_active", .run = switch_set_active, .form = "0|1"},
};

constexpr action_row toggle_button_actions[] = {
    {.action = "set_label", .run = toggle_set_label, .form = "TEXT"},
    {.action = "set_active", .run = toggle_set_active, .form = "0|1"},
};

constexpr action_row spin_button_actions[] = {
    {.action = "set_text", .run = spin_set_value, .form = "NUMBER"},
    {.action = "set_range", .run = spin_set_range, .form = "MIN MAX"},
    {.action = "set_increments", .run = spin_set_increments, .form = "STEP PAGE"},
};

constexpr action_row scale_actions[] = {
    {.action = "set_value", .run = scale_set_value, .form = "NUMBER"},
    {.action = "set_fill_level", .run = scale_show_fill_level, .form = "LEVEL"},
    {.action = "set_fill_level", .run = scale_hide_fill_level, .form = ""},
    {.action = "set_range", .run = scale_set_range, .form = "MIN MAX"},
    {.action = "set_increments", .run = scale_set_increments, .form = "STEP PAGE"},
};

constexpr action_row progress_bar_actions[] = {
    {.action = "set_text", .run = progress_set_text, .form = "[TEXT]"},
    {.action = "set_fraction", .run = progress_set_fraction, .form = "FRACTION"},
};

constexpr action_row spinner_actions[] = {
    {.action = "start", .run = spinner_start, .form = ""},
    {.action = "stop", .run = spinner_stop, .form = ""},
};

constexpr action_row calendar_actions[] = {
    {.action = "select_date", .run = calendar_select_date, .form = "YEAR-MONTH-DAY"},
    {.action = "mark_day", .run = calendar_mark_day, .form = "DAY (1 to 31)"},
    {.action = "clear_marks", .run = calendar_clear_marks, .form = ""},
};

bool switch_set_active(command_data *cmd)
{
    unsigned active;
    if (!scan_truth(cmd->data, &active))
        return false;
    gtk_switch_set_active(GTK_SWITCH(cmd->obj), active);
    return true;
}

bool toggle_set_label(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_button_set_label(GTK_BUTTON(cmd->obj), cmd->data);
    return true;
}

bool toggle_set_active(command_data *cmd)
{
    unsigned active;
    if (!scan_truth(cmd->data, &active))
        return false;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(cmd->obj), active);
    return true;
}

// Two numbers that make a range; the toolkit refuses a reversed one
// without a word, so it is refused here with the complaint.
bool scan_range(const char *data, double *min, double *max)
{
    return scan_finite(data, "%lf %lf %c", min, max) && *min <= *max;
}

bool spin_set_value(command_data *cmd)
{
    double value;
    if (!scan_finite(cmd->data, "%lf %c", &value))
        return false;
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(cmd->obj), value);
    return true;
}

bool spin_set_range(command_data *cmd)
{
    double min, max;
    if (!scan_range(cmd->data, &min, &max))
        return false;
    gtk_spin_button_set_range(GTK_SPIN_BUTTON(cmd->obj), min, max);
    return true;
}

bool spin_set_increments(command_data *cmd)
{
    double step, page;
    if (!scan_finite(cmd->data, "%lf %lf %c", &step, &page))
        return false;
    gtk_spin_button_set_increments(GTK_SPIN_BUTTON(cmd->obj), step, page);
    return true;
}

bool scale_set_value(command_data *cmd)
{
    double value;
    if (!scan_finite(cmd->data, "%lf %c", &value))
        return false;
    gtk_range_set_value(GTK_RANGE(cmd->obj), value);
    return true;
}

bool scale_show_fill_level(command_data *cmd)
{
    double level;
    if (!scan_finite(cmd->data, "%lf %c", &level))
        return false;
    gtk_range_set_fill_level(GTK_RANGE(cmd->obj), level);
    gtk_range_set_show_fill_level(GTK_RANGE(cmd->obj), TRUE);
    return true;
}

// The stored level stays, so that the next level shown starts from it.
bool scale_hide_fill_level(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    gtk_range_set_show_fill_level(GTK_RANGE(cmd->obj), FALSE);
    return true;
}

bool scale_set_range(command_data *cmd)
{
    double min, max;
    if (!scan_range(cmd->data, &min, &max))
        return false;
    gtk_range_set_range(GTK_RANGE(cmd->obj), min, max);
    return true;
}

bool scale_set_increments(command_data *cmd)
{
    double step, page;
    if (!scan_finite(cmd->data, "%lf %lf %c", &step, &page))
        return false;
    gtk_range_set_increments(GTK_RANGE(cmd->obj), step, page);
    return true;
}

// Empty data means no text, so that the bar shows its percentage instead.
bool progress_set_text(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    const char *text = cmd->data[0] == '\0' ? nullptr : cmd->data;
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(cmd->obj), text);
    return true;
}

bool progress_set_fraction(command_data *cmd)
{
    double fraction;
    if (!scan_finite(cmd->data, "%lf %c", &fraction))
        return false;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(cmd->obj), fraction);
    return true;
}

bool spinner_start(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    gtk_spinner_start(GTK_SPINNER(cmd->obj));
    return true;
}

bool spinner_stop(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    gtk_spinner_stop(GTK_SPINNER(cmd->obj));
    return true;
}

bool is_leap_year(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Month counted from 1.
int days_in_month(int year, int month)
{
    constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

// The month counts from 1 here, as in the calendar's own date feedback, so
// a date it sent can be sent back. A day the month does not have is refused
// before anything moves: the toolkit would switch the month and then refuse
// the day, leaving the calendar on a date that does not exist.
bool calendar_select_date(command_data *cmd)
{
    int year, month, day;
    if (!scan_exact(cmd->data, "%d-%d-%d %c", &year, &month, &day))
        return false;
    // The calendar keeps no year before 0, and would report one as a huge number.
    if (year < 0)
        return refuse_because("there is no year %d", year);
    if (month < 1 || month > 12)
        return refuse_because("there is no month %d", month);
    if (day < 1 || day > days_in_month(year, month))
        return refuse_because("%d-%02d has no day %d", year, month, day);
    GtkCalendar *calendar = GTK_CALENDAR(cmd->obj);
    gtk_calendar_select_month(calendar, month - 1, year);
    gtk_calendar_select_day(calendar, day);
    return true;
}

bool calendar_mark_day(command_data *cmd)
{
    int day;
    if (!scan_exact(cmd->data, "%d %c", &day))
        return false;
    if (day < 1 || day > 31)
        return refuse_because("no month has a day %d", day);
    gtk_calendar_mark_day(GTK_CALENDAR(cmd->obj), day);
    return true;
}

bool calendar_clear_marks(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    gtk_calendar_clear_marks(GTK_CALENDAR(cmd->obj));
    return true;
}

}  // namespace

void update_switch(command_data *cmd) { run_actions(cmd, switch_actions); }
void update_toggle_button(command_data *cmd) { run_actions(cmd, toggle_button_actions); }
void update_spin_button(command_data *cmd) { run_actions(cmd, spin_button_actions); }
void update_scale(command_data *cmd) { run_actions(cmd, scale_actions); }
void update_progress_bar(command_data *cmd) { run_actions(cmd, progress_bar_actions); }
void update_spinner(command_data *cmd) { run_actions(cmd, spinner_actions); }
void update_calendar(command_data *cmd) { run_actions(cmd, calendar_actions); }
