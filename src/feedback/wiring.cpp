// Which user actions produce which feedback lines and built-in reactions is
// decided once at start-up: every builder object is wired by the first row
// of the wiring table that its class matches.
#include "feedback/feedback.h"
#include "drawing/drawing.h"
#include "treeview/treeview.h"
#include "widgets/widgets.h"

#include <gtk/gtkx.h>
#include <cstring>

namespace {

enum class class_test { exactly, is_a };

struct signal_link {
    const char *signal;
    GCallback callback;
    const char *tag;  // tag of the connection's own record; null: no record
};

struct wiring_row {
    GType (*type)();
    class_test test;
    void (*wire)(GObject *obj, info *wiring) = nullptr;  // a row with rules of its own
    void (*prepare)(GObject *obj) = nullptr;             // done before connecting links
    signal_link links[4] = {};                           // connected in this order
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

// Cell edits are not recorded, so "block" on the column leaves them alone.
void wire_renderer(GtkCellRenderer *renderer, GtkWidget *view, GtkTreeModel *model, FILE *out)
{
    gboolean enabled = FALSE;
    if (GTK_IS_CELL_RENDERER_TEXT(renderer)) {
        g_object_get(renderer, "editable", &enabled, nullptr);
        if (enabled)
            g_signal_connect(renderer, "edited", G_CALLBACK(cell_edited),
                             info_obj_new(out, G_OBJECT(view), G_OBJECT(model)));
    } else if (GTK_IS_CELL_RENDERER_TOGGLE(renderer)) {
        g_object_get(renderer, "activatable", &enabled, nullptr);
        if (enabled)
            g_signal_connect(renderer, "toggled", G_CALLBACK(cell_toggled),
                             info_obj_new(out, nullptr, G_OBJECT(model)));
    }
}

void wire_tree_view_column(GObject *obj, info *wiring)
{
    GtkTreeViewColumn *column = GTK_TREE_VIEW_COLUMN(obj);
    GList *cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
    int n = static_cast<int>(g_list_length(cells));
    g_list_free(cells);
    GtkWidget *view = gtk_tree_view_column_get_tree_view(column);
    GtkTreeModel *model = view ? gtk_tree_view_get_model(GTK_TREE_VIEW(view)) : nullptr;
    connect_recorded(column, "clicked", G_CALLBACK(send_tag_only),
                     info_txt_new(wiring->out, "clicked"));
    for (int i = 1; i <= n; ++i) {
        GtkCellRenderer *renderer =
            tree_view_column_get_renderer_column(wiring->builder, wiring->txt, column, i);
        if (renderer != nullptr)
            wire_renderer(renderer, view, model, wiring->out);
    }
}

// An event box takes keyboard focus, so that it can report key presses.
void make_focusable(GObject *obj)
{
    gtk_widget_set_can_focus(GTK_WIDGET(obj), TRUE);
}

using enum class_test;

const wiring_row wiring_table[] = {
    {.type = gtk_tree_view_column_get_type, .test = exactly, .wire = wire_tree_view_column},
    {.type = gtk_button_get_type, .test = exactly, .wire = wire_button},
    {.type = gtk_menu_item_get_type, .test = is_a, .wire = wire_menu_item},
    {.type = gtk_window_get_type, .test = is_a, .wire = wire_window},
    {.type = gtk_file_chooser_button_get_type, .test = exactly,
     .links = {{"file-set", G_CALLBACK(send_chooser_filename), "file"}}},
    {.type = gtk_color_button_get_type, .test = exactly,
     .links = {{"color-set", G_CALLBACK(send_color), "color"}}},
    {.type = gtk_font_button_get_type, .test = exactly,
     .links = {{"font-set", G_CALLBACK(send_font_name), "font"}}},
    {.type = gtk_switch_get_type, .test = exactly,
     .links = {{"notify::active", G_CALLBACK(send_switch_state), ""}}},
    {.type = gtk_toggle_button_get_type, .test = exactly,
     .links = {{"toggled", G_CALLBACK(send_toggle_state), ""}}},
    {.type = gtk_radio_button_get_type, .test = exactly,
     .links = {{"toggled", G_CALLBACK(send_toggle_state), ""}}},
    {.type = gtk_check_button_get_type, .test = exactly,
     .links = {{"toggled", G_CALLBACK(send_toggle_state), ""}}},
    {.type = gtk_entry_get_type, .test = exactly,
     .links = {{"changed", G_CALLBACK(send_entry_text), "text"}}},
    {.type = gtk_spin_button_get_type, .test = exactly,
     .links = {{"value_changed", G_CALLBACK(send_spin_value), "text"}}},
    {.type = gtk_scale_get_type, .test = exactly,
     .links = {{"value-changed", G_CALLBACK(send_range_value), "value"}}},
    {.type = gtk_calendar_get_type, .test = exactly,
     .links = {{"day-selected-double-click", G_CALLBACK(send_calendar_date), "doubleclicked"},
               {"day-selected", G_CALLBACK(send_calendar_date), "clicked"}}},
    {.type = gtk_combo_box_text_get_type, .test = exactly,
     .links = {{"changed", G_CALLBACK(send_combo_choice), "active"}}},
    {.type = gtk_tree_selection_get_type, .test = exactly,
     .links = {{"changed", G_CALLBACK(send_tree_selection), "clicked"}}},
    {.type = gtk_socket_get_type, .test = exactly, .prepare = keep_socket_unrealized,
     .links = {{"plug-added", G_CALLBACK(send_tag_only), "plug-added"},
               {"plug-removed", G_CALLBACK(send_tag_only), "plug-removed"}}},
    {.type = gtk_drawing_area_get_type, .test = exactly,
     .links = {{"draw", G_CALLBACK(replay_draw_ops), nullptr}}},
    {.type = gtk_event_box_get_type, .test = exactly, .prepare = make_focusable,
     .links = {{"button-press-event", G_CALLBACK(send_button_event), "button_press"},
               {"button-release-event", G_CALLBACK(send_button_event), "button_release"},
               {"motion-notify-event", G_CALLBACK(send_motion_event), "motion"},
               {"key-press-event", G_CALLBACK(send_key_name), "key_press"}}},
};

bool row_matches(const wiring_row &row, GObject *object)
{
    GType type = row.type();
    return row.test == exactly ? G_OBJECT_TYPE(object) == type
                               : G_TYPE_CHECK_INSTANCE_TYPE(object, type);
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

void wire_object_signals(GObject *object, info *wiring)
{
    for (const wiring_row &row : wiring_table) {
        if (!row_matches(row, object))
            continue;
        if (row.wire != nullptr)
            row.wire(object, wiring);
        else
            connect_links(row, object, wiring->out);
        return;
    }
}
