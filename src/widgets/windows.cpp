// Top-level windows and dialogs, and file chooser dialogs, which take the
// window actions after their own.
#include "widgets/action_table.h"

namespace {

// Each class's actions, in the order they are tried.
bool window_set_title(command_data *cmd);
bool window_fullscreen(command_data *cmd);
bool window_unfullscreen(command_data *cmd);
bool window_resize(command_data *cmd);
bool window_resize_to_default(command_data *cmd);
bool window_move(command_data *cmd);
bool chooser_set_filename(command_data *cmd);
bool chooser_set_current_name(command_data *cmd);

constexpr action_row window_actions[] = {
    {.action = "set_title", .run = window_set_title, .form = "TEXT"},
    {.action = "fullscreen", .run = window_fullscreen, .form = ""},
    {.action = "unfullscreen", .run = window_unfullscreen, .form = ""},
    {.action = "resize", .run = window_resize, .form = "WIDTH HEIGHT (each 1 to 16384)"},
    {.action = "resize", .run = window_resize_to_default, .form = ""},
    {.action = "move", .run = window_move, .form = "X Y"},
};

constexpr action_row file_chooser_dialog_actions[] = {
    {.action = "set_filename", .run = chooser_set_filename, .form = "FILE"},
    {.action = "set_current_name", .run = chooser_set_current_name, .form = "NAME"},
};

GtkWindow *window_of(command_data *cmd) { return GTK_WINDOW(cmd->obj); }

bool window_set_title(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_window_set_title(window_of(cmd), cmd->data);
    return true;
}

bool window_fullscreen(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    gtk_window_fullscreen(window_of(cmd));
    return true;
}

bool window_unfullscreen(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    gtk_window_unfullscreen(window_of(cmd));
    return true;
}

// The toolkit ignores a size below 1 with a warning of its own, so such a
// size is refused here with the usual complaint.
constexpr int max_window_size = max_widget_size;

bool window_resize(command_data *cmd)
{
    int width, height;
    if (!scan_exact(cmd->data, "%d %d %c", &width, &height) || width < 1 || height < 1 ||
        width > max_window_size || height > max_window_size)
        return false;
    gtk_window_resize(window_of(cmd), width, height);
    return true;
}

// Back to the default size; a dimension without a default keeps its
// current extent.
bool window_resize_to_default(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    int width, height, current_width, current_height;
    gtk_window_get_default_size(window_of(cmd), &width, &height);
    gtk_window_get_size(window_of(cmd), &current_width, &current_height);
    gtk_window_resize(window_of(cmd), width > 0 ? width : current_width,
                      height > 0 ? height : current_height);
    return true;
}

bool window_move(command_data *cmd)
{
    int x, y;
    if (!scan_exact(cmd->data, "%d %d %c", &x, &y))
        return false;
    gtk_window_move(window_of(cmd), x, y);
    return true;
}

bool chooser_set_filename(command_data *cmd)
{
    gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(cmd->obj), cmd->data);
    return true;
}

// Only a chooser that saves or makes a folder has a name field to fill.
bool chooser_set_current_name(command_data *cmd)
{
    GtkFileChooserAction action = gtk_file_chooser_get_action(GTK_FILE_CHOOSER(cmd->obj));
    if (action != GTK_FILE_CHOOSER_ACTION_SAVE && action != GTK_FILE_CHOOSER_ACTION_CREATE_FOLDER)
        return refuse_because("only a chooser that saves or creates a folder takes a name");
    if (!valid_text(cmd->data))
        return false;
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(cmd->obj), cmd->data);
    return true;
}

}  // namespace

bool try_window_action(command_data *cmd) { return run_first_action(cmd, window_actions); }

void update_window(command_data *cmd)
{
    if (!try_window_action(cmd))
        update_widget(cmd);
}

void update_file_chooser_dialog(command_data *cmd)
{
    if (!run_first_action(cmd, file_chooser_dialog_actions) && !try_window_action(cmd))
        update_widget(cmd);
}
