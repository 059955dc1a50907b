// The dispatch table: the exact run-time class of the addressed object
// chooses its handler. Subclasses are deliberately not matched.
#include "channel/channel.h"

#include <gtk/gtkx.h>
#include "drawing/drawing.h"
#include "treeview/treeview.h"
#include "widgets/widgets.h"

namespace {

struct dispatch_row {
    GType (*type)();
    update_fn fn;
};

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

}  // namespace

update_fn dispatch_handler(GType type)
{
    for (const dispatch_row &row : dispatch_table)
        if (row.type() == type)
            return row.fn;
    return update_widget;
}
