// The tables of classes, each read top to bottom: the handler of every
// exact class, the wiring of every class's signals, and the actions that
// every widget knows, gathered from the families that carry them out.
#include "startup/class_tables.h"
#include "drawing/drawing.h"
#include "feedback/feedback.h"
#include "treeview/treeview.h"
#include "widgets/action_table.h"

#include <gtk/gtkx.h>

namespace {

void make_focusable(GObject *obj);

struct dispatch_row {
    GType (*type)();
    update_fn fn;
};

// The exact run-time class of the addressed object chooses its handler.
// Subclasses are deliberately not matched; they get update_widget.
constexpr dispatch_row dispatch_table[] = {
    {gtk_drawing_area_get_type, update_drawing_area},
    {gtk_tree_view_get_type, update_tree_view},
    {gtk_combo_box_text_get_type, update_combo_box_text},
    {gtk_label_get_type, update_label},
    {gtk_image_get_type, update_image},
    {gtk_text_view_get_type, update_text_view},
    {gtk_notebook_get_type, update_notebook},
    {gtk_expander_get_type, update_expander},
    {gtk_frame_get_type, update_frame},
    {gtk_scrolled_window_get_type, update_scrolled_window},
    {gtk_button_get_type, update_button},
    {gtk_menu_item_get_type, update_menu_item},
    {gtk_file_chooser_dialog_get_type, update_file_chooser_dialog},
    {gtk_file_chooser_button_get_type, update_file_chooser_button},
    {gtk_color_button_get_type, update_color_button},
    {gtk_font_button_get_type, update_font_button},
    {gtk_print_unix_dialog_get_type, update_print_dialog},
    {gtk_switch_get_type, update_switch},
    {gtk_toggle_button_get_type, update_toggle_button},
    {gtk_radio_button_get_type, update_toggle_button},
    {gtk_check_button_get_type, update_toggle_button},
    {gtk_entry_get_type, update_entry},
    {gtk_spin_button_get_type, update_spin_button},
    {gtk_scale_get_type, update_scale},
    {gtk_progress_bar_get_type, update_progress_bar},
    {gtk_spinner_get_type, update_spinner},
    {gtk_statusbar_get_type, update_statusbar},
    {gtk_calendar_get_type, update_calendar},
    {gtk_socket_get_type, update_socket},
    {gtk_window_get_type, update_window},
    {gtk_dialog_get_type, update_window},
};

using enum class_test;

// Which user actions produce which feedback lines and built-in reactions;
// the first row that the object's class matches decides.
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

// What every widget knows, whatever its class, tried top to bottom after
// the class's own actions.
constexpr action_row widget_actions[] = {
    {.action = "block", .run = generic_block, .form = "0|1"},
    {.action = "set_sensitive", .run = generic_set_sensitive, .form = "0|1"},
    {.action = "set_visible", .run = generic_set_visible, .form = "0|1"},
    {.action = "set_tooltip_text", .run = generic_set_tooltip_text, .form = "TEXT"},
    {.action = "grab_focus", .run = generic_grab_focus, .form = ""},
    {.action = "set_size_request", .run = generic_set_size_request,
     .form = "[WIDTH HEIGHT] (each -1 to 16384)"},
    {.action = "style", .run = update_widget_style, .form = "CSS"},
    {.action = "force", .run = generic_force, .form = ""},
    {.action = "ping", .run = generic_ping, .form = ""},
    {.action = "snapshot", .run = take_snapshot, .form = "FILE.svg|.pdf|.ps|.eps|.epsf"},
};

// What an object that is not a widget (a store, an adjustment) knows.
constexpr action_row object_actions[] = {
    {.action = "block", .run = generic_block, .form = "0|1"},
};

}  // namespace

update_fn dispatch_handler(GType type)
{
    for (const dispatch_row &row : dispatch_table)
        if (row.type() == type)
            return row.fn;
    return update_widget;
}

void wire_object_signals(GObject *object, info *wiring)
{
    wire_by_table(object, wiring, wiring_table);
}

void update_widget(command_data *cmd)
{
    bool taken = GTK_IS_WIDGET(cmd->obj) ? run_first_action(cmd, widget_actions)
                                         : run_first_action(cmd, object_actions);
    if (!taken)
        complain(cmd);
}

// A print dialog runs a main loop of its own, which would hold up the quit
// until a person answered it.
void update_main_quit(command_data *cmd)
{
    if (!is_blank(cmd->data)) {
        refuse_because("main_quit takes no data");
        update_widget(cmd);
        return;
    }
    gtk_main_quit();
    cancel_waiting_dialogs();
}

namespace {

// An event box takes keyboard focus, so that it can report key presses.
void make_focusable(GObject *obj)
{
    gtk_widget_set_can_focus(GTK_WIDGET(obj), TRUE);
}

}  // namespace
