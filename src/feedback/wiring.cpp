// Which user actions produce which feedback lines and built-in reactions is
// decided once at start-up: every builder object is wired by the first row
// of the table of classes that its class matches. Here are the walk over
// that table and the rules of the naming convention.
#include "feedback/feedback.h"

#include <cstring>

namespace {

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

void connect_hide_or_quit(GObject *button, GObject *dialog)
{
    if (streq(widget_name(dialog), "main"))
        connect_recorded_swapped(button, "clicked", G_CALLBACK(quit_main_loop), nullptr);
    else
        connect_recorded_swapped(button, "clicked", G_CALLBACK(gtk_widget_hide), dialog);
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
    FILE *out = wiring->out;
    GObject *target;
    if ((target = suffix_target(wiring, id, "_send_text", GTK_TYPE_TEXT_VIEW))) {
        GObject *buffer = G_OBJECT(gtk_text_view_get_buffer(GTK_TEXT_VIEW(target)));
        connect_recorded(button, "clicked", G_CALLBACK(send_buffer_text),
                         info_obj_new(out, buffer, nullptr));
        return;
    }
    if ((target = suffix_target(wiring, id, "_send_selection", GTK_TYPE_TEXT_VIEW))) {
        GObject *buffer = G_OBJECT(gtk_text_view_get_buffer(GTK_TEXT_VIEW(target)));
        connect_recorded(button, "clicked", G_CALLBACK(send_buffer_selection),
                         info_obj_new(out, buffer, nullptr));
        return;
    }
    connect_recorded(button, "clicked", G_CALLBACK(send_tag_only), info_txt_new(out, "clicked"));
    if ((target = suffix_target(wiring, id, "_cancel", GTK_TYPE_DIALOG))) {
        connect_hide_or_quit(button, target);
    } else if ((target = suffix_target(wiring, id, "_ok", GTK_TYPE_DIALOG))) {
        if (GTK_IS_FILE_CHOOSER_DIALOG(target))
            connect_recorded_swapped(button, "clicked", G_CALLBACK(send_dialog_file_and_folder),
                                     info_obj_new(out, target, nullptr));
        connect_hide_or_quit(button, target);
    } else if ((target = suffix_target(wiring, id, "_apply", GTK_TYPE_FILE_CHOOSER_DIALOG))) {
        connect_recorded_swapped(button, "clicked", G_CALLBACK(send_dialog_file_and_folder),
                                 info_obj_new(out, target, nullptr));
    }
}

void wire_menu_item(GObject *item, info *wiring)
{
    GObject *dialog = suffix_target(wiring, widget_name(item), "_invoke", GTK_TYPE_DIALOG);
    if (dialog != nullptr)
        connect_recorded_swapped(item, "activate", G_CALLBACK(gtk_widget_show), dialog);
    else
        connect_recorded(item, "activate", G_CALLBACK(send_menu_item_label),
                         info_txt_new(wiring->out, "active"));
}

void wire_window(GObject *window, info *wiring)
{
    connect_recorded(window, "delete-event", G_CALLBACK(send_window_closed),
                     info_txt_new(wiring->out, "closed"));
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
        connect_recorded(object, link.signal, link.callback,
                         link.tag ? info_txt_new(out, link.tag) : nullptr);
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
