// Buttons that open a chooser: file, colour and font buttons.
#include "widgets/action_table.h"

namespace {

// Each class's actions, in the order they are tried.
bool file_button_set_filename(command_data *cmd);
bool color_button_set_color(command_data *cmd);
bool font_button_set_font_name(command_data *cmd);

constexpr action_row file_chooser_button_actions[] = {
    {.action = "set_filename", .run = file_button_set_filename, .form = "FILE"},
};

constexpr action_row color_button_actions[] = {
    {.action = "set_color", .run = color_button_set_color, .form = "COLOR"},
};

constexpr action_row font_button_actions[] = {
    {.action = "set_font_name", .run = font_button_set_font_name, .form = "FONT (size at most 1000)"},
};

bool file_button_set_filename(command_data *cmd)
{
    gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(cmd->obj), cmd->data);
    return true;
}

// A colour that cannot be parsed leaves the button's colour alone.
bool color_button_set_color(command_data *cmd)
{
    GdkRGBA color;
    if (!gdk_rgba_parse(&color, cmd->data))
        return false;
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(cmd->obj), &color);
    return true;
}

// Pango takes any size, but the chooser's preview of a huge font is taller
// than any window and the font renderer gives up on it.
constexpr int max_font_size = 1000;

// The font chooser interface does what the deprecated
// gtk_font_button_set_font_name does, without the deprecation.
bool font_button_set_font_name(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    g_autoptr(PangoFontDescription) font = pango_font_description_from_string(cmd->data);
    if (pango_font_description_get_size(font) / PANGO_SCALE > max_font_size)
        return refuse_because("font sizes above %d are refused", max_font_size);
    gtk_font_chooser_set_font(GTK_FONT_CHOOSER(cmd->obj), cmd->data);
    return true;
}

}  // namespace

void update_file_chooser_button(command_data *cmd) { run_actions(cmd, file_chooser_button_actions); }
void update_color_button(command_data *cmd) { run_actions(cmd, color_button_actions); }
void update_font_button(command_data *cmd) { run_actions(cmd, font_button_actions); }
