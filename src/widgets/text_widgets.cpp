// Widgets whose commands set a text: combo boxes with a text list, labels,
// images, plain buttons, menu items and one-line entries.
#include "widgets/action_table.h"

#include <sys/stat.h>

namespace {

// Each class's actions, in the order they are tried.
bool combo_prepend(command_data *cmd);
bool combo_append(command_data *cmd);
bool combo_remove(command_data *cmd);
bool combo_insert(command_data *cmd);
bool combo_set_active(command_data *cmd);
bool label_set_text(command_data *cmd);
bool image_set_from_file(command_data *cmd);
bool image_set_from_icon_name(command_data *cmd);
bool button_set_label(command_data *cmd);
bool entry_set_text(command_data *cmd);
bool entry_set_placeholder_text(command_data *cmd);

constexpr action_row combo_box_text_actions[] = {
    {.action = "prepend_text", .run = combo_prepend, .form = "TEXT"},
    {.action = "append_text", .run = combo_append, .form = "TEXT"},
    {.action = "remove", .run = combo_remove, .form = "POSITION"},
    {.action = "insert_text", .run = combo_insert, .form = "POSITION TEXT"},
    {.action = "set_active", .run = combo_set_active, .form = "INDEX (-1 for none)"},
};

constexpr action_row label_actions[] = {
    {.action = "set_text", .run = label_set_text, .form = "TEXT"},
};

constexpr action_row image_actions[] = {
    {.action = "set_from_file", .run = image_set_from_file, .form = "FILE"},
    {.action = "set_from_icon_name", .run = image_set_from_icon_name, .form = "ICON-NAME"},
};

constexpr action_row button_actions[] = {
    {.action = "set_label", .run = button_set_label, .form = "TEXT"},
};

constexpr action_row entry_actions[] = {
    {.action = "set_text", .run = entry_set_text, .form = "TEXT"},
    {.action = "set_placeholder_text", .run = entry_set_placeholder_text, .form = "TEXT"},
};

GtkComboBoxText *combo(command_data *cmd) { return GTK_COMBO_BOX_TEXT(cmd->obj); }

bool combo_prepend(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_combo_box_text_prepend_text(combo(cmd), cmd->data);
    return true;
}

bool combo_append(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_combo_box_text_append_text(combo(cmd), cmd->data);
    return true;
}

bool combo_remove(command_data *cmd)
{
    int position;
    if (!scan_exact(cmd->data, "%d %c", &position))
        return false;
    // No item lives at a negative position: nothing to remove, as beyond the end.
    if (position >= 0)
        gtk_combo_box_text_remove(combo(cmd), position);
    return true;
}

// The text starts after the number and the blanks that follow it.
bool combo_insert(command_data *cmd)
{
    int position;
    int text_start = 0;
    if (sscanf(cmd->data, "%d %n", &position, &text_start) != 1 || !valid_text(cmd->data))
        return false;
    gtk_combo_box_text_insert_text(combo(cmd), position, cmd->data + text_start);
    return true;
}

// An item that exists, or -1 for no choice; the toolkit would take an
// index past the end for -1 without a word.
bool combo_set_active(command_data *cmd)
{
    int index;
    if (!scan_exact(cmd->data, "%d %c", &index))
        return false;
    GtkTreeModel *model = gtk_combo_box_get_model(GTK_COMBO_BOX(cmd->obj));
    int items = model ? gtk_tree_model_iter_n_children(model, nullptr) : 0;
    if (index < -1 || index >= items)
        return false;
    gtk_combo_box_set_active(GTK_COMBO_BOX(cmd->obj), index);
    return true;
}

bool label_set_text(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_label_set_text(GTK_LABEL(cmd->obj), cmd->data);
    return true;
}

// The image is read whole on the GUI thread: a FIFO or a device such as
// /dev/zero would never end, so only regular files are read. A name
// nothing answers to shows the missing-image icon, as the toolkit does.
bool image_set_from_file(command_data *cmd)
{
    struct stat st;
    if (stat(cmd->data, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        return refuse_because("not a regular file");
    gtk_image_set_from_file(GTK_IMAGE(cmd->obj), cmd->data);
    return true;
}

bool image_set_from_icon_name(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    GtkIconSize size = GTK_ICON_SIZE_INVALID;
    gtk_image_get_icon_name(GTK_IMAGE(cmd->obj), nullptr, &size);
    gtk_image_set_from_icon_name(GTK_IMAGE(cmd->obj), cmd->data, size);
    return true;
}

bool button_set_label(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_button_set_label(GTK_BUTTON(cmd->obj), cmd->data);
    return true;
}

bool entry_set_text(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_entry_set_text(GTK_ENTRY(cmd->obj), cmd->data);
    return true;
}

bool entry_set_placeholder_text(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_entry_set_placeholder_text(GTK_ENTRY(cmd->obj), cmd->data);
    return true;
}

}  // namespace

void update_combo_box_text(command_data *cmd) { run_actions(cmd, combo_box_text_actions); }
void update_label(command_data *cmd) { run_actions(cmd, label_actions); }
void update_image(command_data *cmd) { run_actions(cmd, image_actions); }
void update_button(command_data *cmd) { run_actions(cmd, button_actions); }
void update_entry(command_data *cmd) { run_actions(cmd, entry_actions); }

// A menu item has no actions of its own.
void update_menu_item(command_data *cmd) { update_widget(cmd); }
