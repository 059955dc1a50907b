// Feedback lines to the client, the signal wiring that produces them and
// the callbacks that compose their payloads.
#pragma once

#include "channel/channel.h"
#include <initializer_list>

// Writing feedback lines.
const char *widget_name(GObject *obj);
void vsend_feedback(FILE *out, GObject *obj, const char *tag,
                    std::initializer_list<const char *> payload);

// Writes "id:tag " and the payload strings, escaped, then a line feed; a
// null payload string ends the list at once.
template <typename... S>
void send_feedback(FILE *out, GObject *obj, const char *tag, S... payload)
{
    vsend_feedback(out, obj, tag, {static_cast<const char *>(payload)...});
}

// Signal wiring.
struct handler_record {
    guint32 id;
    bool blocked;
    handler_record *next;
};

void wire_object_signals(GObject *object, info *wiring);
void push_handler_id(gpointer instance, gulong id);
void connect_recorded(gpointer instance, const char *signal, GCallback callback, gpointer data);
void connect_recorded_swapped(gpointer instance, const char *signal, GCallback callback,
                              gpointer data);
GObject *lookup_id_prefix(GtkBuilder *builder, size_t suffix_position, const char *id);

// Feedback callbacks.
gboolean send_tag_only(GObject *obj, info *ar);
void send_spin_value(GtkSpinButton *obj, info *ar);
void send_range_value(GtkRange *obj, info *ar);
void send_entry_text(GtkEntry *obj, info *ar);
void send_calendar_date(GtkCalendar *obj, info *ar);
void send_combo_choice(GtkComboBox *obj, info *ar);
void send_chooser_filename(GtkFileChooser *obj, info *ar);
void send_buffer_text(GtkButton *obj, info *ar);
void send_buffer_selection(GtkButton *obj, info *ar);
void send_dialog_file_and_folder(info *ar);
void send_menu_item_label(GtkMenuItem *obj, info *ar);
gboolean send_window_closed(GtkWidget *obj, GdkEvent *event, info *ar);
void send_color(GtkColorButton *obj, info *ar);
void send_font_name(GtkFontButton *obj, info *ar);
void send_switch_state(GObject *obj, GParamSpec *pspec, info *ar);
void send_toggle_state(GtkToggleButton *obj, info *ar);
gboolean send_button_event(GtkWidget *obj, GdkEventButton *event, info *ar);
gboolean send_motion_event(GtkWidget *obj, GdkEventMotion *event, info *ar);
gboolean send_key_name(GtkWidget *obj, GdkEventKey *event, info *ar);
