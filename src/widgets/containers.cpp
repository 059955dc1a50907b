// Containers with a command of their own: notebooks, expanders, frames and
// scrolled windows.
#include "widgets/action_table.h"

namespace {

// Each class's actions, in the order they are tried.
bool notebook_set_current_page(command_data *cmd);
bool expander_set_expanded(command_data *cmd);
bool expander_set_label(command_data *cmd);
bool frame_set_label(command_data *cmd);
bool hscroll(command_data *cmd);
bool vscroll(command_data *cmd);
bool hscroll_to_range(command_data *cmd);
bool vscroll_to_range(command_data *cmd);

constexpr action_row notebook_actions[] = {
    {.action = "set_current_page", .run = notebook_set_current_page, .form = "PAGE (counted from 0)"},
};

constexpr action_row expander_actions[] = {
    {.action = "set_expanded", .run = expander_set_expanded, .form = "0|1"},
    {.action = "set_label", .run = expander_set_label, .form = "TEXT"},
};

constexpr action_row frame_actions[] = {
    {.action = "set_label", .run = frame_set_label, .form = "TEXT"},
};

constexpr action_row scrolled_window_actions[] = {
    {.action = "hscroll", .run = hscroll, .form = "VALUE"},
    {.action = "vscroll", .run = vscroll, .form = "VALUE"},
    {.action = "hscroll_to_range", .run = hscroll_to_range, .form = "LOWER UPPER"},
    {.action = "vscroll_to_range", .run = vscroll_to_range, .form = "LOWER UPPER"},
};

// Only an existing page: the toolkit's "-1 for the last page" is refused.
bool notebook_set_current_page(command_data *cmd)
{
    int page;
    GtkNotebook *notebook = GTK_NOTEBOOK(cmd->obj);
    if (!scan_exact(cmd->data, "%d %c", &page))
        return false;
    if (page < 0 || page >= gtk_notebook_get_n_pages(notebook))
        return refuse_because("no page %d: the notebook has %d", page,
                              gtk_notebook_get_n_pages(notebook));
    gtk_notebook_set_current_page(notebook, page);
    return true;
}

bool expander_set_expanded(command_data *cmd)
{
    unsigned expanded;
    if (!scan_truth(cmd->data, &expanded))
        return false;
    gtk_expander_set_expanded(GTK_EXPANDER(cmd->obj), expanded);
    return true;
}

bool expander_set_label(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_expander_set_label(GTK_EXPANDER(cmd->obj), cmd->data);
    return true;
}

bool frame_set_label(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_frame_set_label(GTK_FRAME(cmd->obj), cmd->data);
    return true;
}

GtkAdjustment *hadjustment(command_data *cmd)
{
    return gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(cmd->obj));
}

GtkAdjustment *vadjustment(command_data *cmd)
{
    return gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(cmd->obj));
}

bool scroll_to(GtkAdjustment *adjustment, const char *data)
{
    double value;
    if (!scan_finite(data, "%lf %c", &value))
        return false;
    gtk_adjustment_set_value(adjustment, value);
    return true;
}

bool scroll_to_range(GtkAdjustment *adjustment, const char *data)
{
    double lower, upper;
    if (!scan_finite(data, "%lf %lf %c", &lower, &upper))
        return false;
    gtk_adjustment_clamp_page(adjustment, lower, upper);
    return true;
}

bool hscroll(command_data *cmd) { return scroll_to(hadjustment(cmd), cmd->data); }
bool vscroll(command_data *cmd) { return scroll_to(vadjustment(cmd), cmd->data); }
bool hscroll_to_range(command_data *cmd) { return scroll_to_range(hadjustment(cmd), cmd->data); }
bool vscroll_to_range(command_data *cmd) { return scroll_to_range(vadjustment(cmd), cmd->data); }

}  // namespace

void update_notebook(command_data *cmd) { run_actions(cmd, notebook_actions); }
void update_expander(command_data *cmd) { run_actions(cmd, expander_actions); }
void update_frame(command_data *cmd) { run_actions(cmd, frame_actions); }
void update_scrolled_window(command_data *cmd) { run_actions(cmd, scrolled_window_actions); }
