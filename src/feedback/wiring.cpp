// Which user actions produce which feedback lines and built-in reactions is
// decided once at start-up: every builder object is wired by the first row
// of the table of classes that its class matches. Here are the walk over
// that table and the rules of the naming convention.
#include "feedback/feedback.h"

#include <cstring>

feedback_link *feedback_link_new(FILE *out, const char *tag)
{
    return lasting_record(feedback_link{.out = out, .tag = tag});
}

object_link *object_link_new(FILE *out, GObject *obj)
{
    return lasting_record(object_link{.out = out, .obj = obj});
}

namespace {

void send_text_on_click(GObject *button, GObject *view, FILE *out);
void send_selection_on_click(GObject *button, GObject *view, FILE *out);
void hide_or_quit_on_click(GObject *button, GObject *dialog, FILE *out);
void send_file_then_hide_or_quit(GObject *button, GObject *dialog, FILE *out);
void send_file_and_folder_on_click(GObject *button, GObject *dialog, FILE *out);

// A button named after another object: the part of its id before the
// suffix names the target, which must be-a the class. The first row whose
// target is there decides; a button without one writes only "clicked".
struct button_suffix {
    const char *suffix;
    GType (*target_type)();
    bool clicked_line;  // the "clicked" line comes first; else this row sends instead
    void (*connect)(GObject *button, GObject *target, FILE *out);
};

constexpr button_suffix button_suffixes[] = {
    {"_send_text", gtk_text_view_get_type, false, send_text_on_click},
    {"_send_selection", gtk_text_view_get_type, false, send_selection_on_click},
    {"_cancel", gtk_dialog_get_type, true, hide_or_quit_on_click},
    {"_ok", gtk_dialog_get_type, true, send_file_then_hide_or_quit},
    {"_apply", gtk_file_chooser_dialog_get_type, true, send_file_and_folder_on_click},
};

// Closing the main window ends the main loop; the window is kept until exit.
gboolean quit_main_loop(gpointer)
{
    gtk_main_quit();
    return TRUE;
}

// Runs only when the window's recorded handlers are blocked: a blocked window
// ignores the close instead of being destroyed by GTK's default reaction.
gboolean keep_window_on_delete(GtkWidget *, GdkEvent *, gpointer)
{
    return TRUE;
}

void send_text_on_click(GObject *button, GObject *view, FILE *out)
{
    GObject *buffer = G_OBJECT(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)));
    connect_recorded(button, "clicked", G_CALLBACK(send_buffer_text),
                     object_link_new(out, buffer));
}

void send_selection_on_click(GObject *button, GObject *view, FILE *out)
{
    GObject *buffer = G_OBJECT(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)));
    connect_recorded(button, "clicked", G_CALLBACK(send_buffer_selection),
                     object_link_new(out, buffer));
}

void hide_or_quit_on_click(GObject *button, GObject *dialog, FILE *)
{
    if (streq(widget_name(dialog), "main"))
        connect_recorded_swapped(button, "clicked", G_CALLBACK(quit_main_loop), nullptr);
    else
        connect_recorded_swapped(button, "clicked", G_CALLBACK(gtk_widget_hide), dialog);
}

void send_file_and_folder_on_click(GObject *button, GObject *dialog, FILE *out)
{
    connect_recorded_swapped(button, "clicked", G_CALLBACK(send_dialog_file_and_folder),
                             object_link_new(out, dialog));
}

// A file chooser reports its choice before it goes away.
void send_file_then_hide_or_quit(GObject *button, GObject *dialog, FILE *out)
{
    if (GTK_IS_FILE_CHOOSER_DIALOG(dialog))
        send_file_and_folder_on_click(button, dialog, out);
    hide_or_quit_on_click(button, dialog, out);
}

// The object named by the part of id before the first occurrence of suffix,
// when it is-a the given class.
GObject *suffix_target(info *wiring, const char *id, const char *suffix, GType type)
{
    const char *at = id ? strstr(id, suffix) : nullptr;
    if (at == nullptr)
        return nullptr;
    GObject *target = lookup_id_prefix(wiring->builder, static_cast<size_t>(at - id), id);
    return target && G_TYPE_CHECK_INSTANCE_TYPE(target, type) ? target : nullptr;
}

}  // namespace

void wire_button(GObject *button, info *wiring)
{
    const char *id = widget_name(button);
    for (const button_suffix &row : button_suffixes) {
        GObject *target = suffix_target(wiring, id, row.suffix, row.target_type());
        if (target == nullptr)
            continue;
        if (row.clicked_line)
            connect_tagged(button, "clicked", G_CALLBACK(send_tag_only), "clicked", wiring->out);
        row.connect(button, target, wiring->out);
        return;
    }
    connect_tagged(button, "clicked", G_CALLBACK(send_tag_only), "clicked", wiring->out);
}

void wire_menu_item(GObject *item, info *wiring)
{
    GObject *dialog = suffix_target(wiring, widget_name(item), "_invoke", GTK_TYPE_DIALOG);
    if (dialog != nullptr)
        connect_recorded_swapped(item, "activate", G_CALLBACK(gtk_widget_show), dialog);
    else
        connect_tagged(item, "activate", G_CALLBACK(send_menu_item_label), "active",
                       wiring->out);
}

void wire_window(GObject *window, info *wiring)
{
    connect_tagged(window, "delete-event", G_CALLBACK(send_window_closed), "closed",
                   wiring->out);
    if (streq(widget_name(window), "main"))
        connect_recorded_swapped(window, "delete-event", G_CALLBACK(quit_main_loop), nullptr);
    else
        connect_recorded(window, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);
    g_signal_connect(window, "delete-event", G_CALLBACK(keep_window_on_delete), nullptr);
}

namespace {

bool row_matches(const wiring_row &row, GObject *object)
{
    GType type = row.type();
    if (row.test == class_test::exactly)
        return G_OBJECT_TYPE(object) == type;
    return G_TYPE_CHECK_INSTANCE_TYPE(object, type);
}

void connect_links(const wiring_row &row, GObject *object, FILE *out)
{
    if (row.prepare != nullptr)
        row.prepare(object);
    for (const signal_link &link : row.links) {
        if (link.signal == nullptr)
            break;
        if (link.tag != nullptr)
            connect_tagged(object, link.signal, link.callback, link.tag, out);
        else
            connect_recorded(object, link.signal, link.callback, nullptr);
    }
}

}  // namespace

void wire_by_table(GObject *object, info *wiring, std::span<const wiring_row> table)
{
    for (const wiring_row &row : table) {
        if (!row_matches(row, object))
            continue;
        if (row.wire != nullptr)
            row.wire(object, wiring);
        else
            connect_links(row, object, wiring->out);
        return;
    }
}
