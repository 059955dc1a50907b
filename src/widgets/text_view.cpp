// Multi-line text views: replacing, inserting and deleting text, placing
// the cursor, and saving the text as a command line that inserts it again.
#include "widgets/action_table.h"
#include "feedback/feedback.h"

#include <cerrno>

namespace {

// Each class's actions, in the order they are tried.
bool text_set_text(command_data *cmd);
bool text_delete(command_data *cmd);
bool text_insert_at_cursor(command_data *cmd);
bool text_place_cursor_at_end(command_data *cmd);
bool text_place_cursor_at_offset(command_data *cmd);
bool text_place_cursor_at_line(command_data *cmd);
bool text_scroll_to_cursor(command_data *cmd);
bool text_save(command_data *cmd);

constexpr action_row text_view_actions[] = {
    {.action = "set_text", .run = text_set_text, .form = "TEXT"},
    {.action = "delete", .run = text_delete, .form = ""},
    {.action = "insert_at_cursor", .run = text_insert_at_cursor, .form = "TEXT"},
    {.action = "place_cursor", .run = text_place_cursor_at_end, .form = "end"},
    {.action = "place_cursor", .run = text_place_cursor_at_offset, .form = "OFFSET"},
    {.action = "place_cursor_at_line", .run = text_place_cursor_at_line, .form = "LINE"},
    {.action = "scroll_to_cursor", .run = text_scroll_to_cursor, .form = ""},
    {.action = "save", .run = text_save, .form = "FILE"},
};

GtkTextBuffer *buffer_of(command_data *cmd)
{
    return gtk_text_view_get_buffer(GTK_TEXT_VIEW(cmd->obj));
}

bool text_set_text(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_text_buffer_set_text(buffer_of(cmd), cmd->data, -1);
    return true;
}

bool text_delete(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer_of(cmd), &start, &end);
    gtk_text_buffer_delete(buffer_of(cmd), &start, &end);
    return true;
}

bool text_insert_at_cursor(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_text_buffer_insert_at_cursor(buffer_of(cmd), cmd->data, -1);
    return true;
}

bool text_place_cursor_at_end(command_data *cmd)
{
    if (!streq(cmd->data, "end"))
        return false;
    GtkTextIter end;
    gtk_text_buffer_get_end_iter(buffer_of(cmd), &end);
    gtk_text_buffer_place_cursor(buffer_of(cmd), &end);
    return true;
}

bool text_place_cursor_at_offset(command_data *cmd)
{
    int offset;
    if (!scan_exact(cmd->data, "%d %c", &offset))
        return false;
    GtkTextIter iter;
    gtk_text_buffer_get_iter_at_offset(buffer_of(cmd), &iter, offset);
    gtk_text_buffer_place_cursor(buffer_of(cmd), &iter);
    return true;
}

bool text_place_cursor_at_line(command_data *cmd)
{
    int line;
    if (!scan_exact(cmd->data, "%d %c", &line))
        return false;
    GtkTextIter iter;
    gtk_text_buffer_get_iter_at_line(buffer_of(cmd), &iter, line);
    gtk_text_buffer_place_cursor(buffer_of(cmd), &iter);
    return true;
}

bool text_scroll_to_cursor(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    GtkTextMark *insert = gtk_text_buffer_get_insert(buffer_of(cmd));
    gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(cmd->obj), insert, 0.0, FALSE, 0.0, 0.0);
    return true;
}

// The whole text, hidden characters included, for the caller to free.
gchar *buffer_text(GtkTextBuffer *buffer)
{
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    return gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
}

// One line, "id:insert_at_cursor text", so that loading the file as
// commands puts the text back. A file that cannot be written completely is
// refused like one that cannot be opened, and the old file stays as it was.
bool text_save(command_data *cmd)
{
    saved_file file(cmd->data);
    if (file.stream == nullptr)
        return refuse_unopened(file);
    g_autofree gchar *whole = buffer_text(buffer_of(cmd));
    send_feedback(file.stream, cmd->obj, "insert_at_cursor", whole);
    if (!commit_saved_file(file))
        return refuse_unwritten(file);
    return true;
}

}  // namespace

void update_text_view(command_data *cmd) { run_actions(cmd, text_view_actions); }
