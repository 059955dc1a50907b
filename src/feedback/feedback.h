// Feedback lines to the client, the signal wiring that produces them and
// the callbacks that compose their payloads.
#pragma once

#include "channel/channel.h"
#include <cstdlib>
#include <initializer_list>
#include <span>

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

// The user data of the callbacks, one record per connection, made while
// wiring and kept until exit.
// A callback that writes a tagged line: where the line goes and its tag
// (empty where the callback chooses its own tag).
struct feedback_link {
    FILE *out;
    const char *tag;
};

// A callback that reports on an object other than its own widget: a text
// view's buffer, or the file chooser dialog an "_ok" or "_apply" button
// belongs to.
struct object_link {
    FILE *out;
    GObject *obj;
};

// Connections are never undone, so their records are never freed.
template <typename T>
T *lasting_record(const T &value)
{
    auto *record = static_cast<T *>(malloc(sizeof(T)));
    if (record == nullptr)
        OOM_ABORT();
    *record = value;
    return record;
}

feedback_link *feedback_link_new(FILE *out, const char *tag);
object_link *object_link_new(FILE *out, GObject *obj);

// Signal wiring.
struct handler_record {
    guint32 id;
    bool blocked;
    handler_record *next;
};

void push_handler_id(gpointer instance, gulong id);
void connect_recorded(gpointer instance, const char *signal, GCallback callback, gpointer data);
// Connects a callback with a feedback link of its own.
void connect_tagged(gpointer instance, const char *signal, GCallback callback, const char *tag,
                    FILE *out);
void connect_recorded_swapped(gpointer instance, const char *signal, GCallback callback,
                              gpointer data);
GObject *lookup_id_prefix(GtkBuilder *builder, size_t suffix_position, const char *id);
// The "block" action: false when the data is no truth value.
bool set_handlers_blocked(command_data *cmd, GObject *target);

// A row of the wiring table: the classes it matches, and either rules of
// its own or the signals it connects to feedback callbacks.
enum class class_test { exactly, is_a };

struct signal_link {
    const char *signal;
    GCallback callback;
    const char *tag;  // tag of the connection's own feedback link; null: no link
};

struct wiring_row {
    GType (*type)();
    class_test test;
    void (*wire)(GObject *obj, info *wiring) = nullptr;  // a row with rules of its own
    void (*prepare)(GObject *obj) = nullptr;             // done before connecting links
    signal_link links[4] = {};                           // connected in this order
};

// Wires an object by the first row of the table that its class matches;
// an object that matches none gets no handler.
void wire_by_table(GObject *object, info *wiring, std::span<const wiring_row> table);

// The rules of the naming convention: buttons and menu items named after a
// dialog or a text view, and windows that hide or end the main loop.
void wire_button(GObject *button, info *wiring);
void wire_menu_item(GObject *item, info *wiring);
void wire_window(GObject *window, info *wiring);

// Feedback callbacks.
gboolean send_tag_only(GObject *obj, feedback_link *ar);
void send_spin_value(GtkSpinButton *obj, feedback_link *ar);
void send_range_value(GtkRange *obj, feedback_link *ar);
void send_entry_text(GtkEntry *obj, feedback_link *ar);
void send_calendar_date(GtkCalendar *obj, feedback_link *ar);
void send_combo_choice(GtkComboBox *obj, feedback_link *ar);
void send_chooser_filename(GtkFileChooser *obj, feedback_link *ar);
void send_buffer_text(GtkButton *obj, object_link *ar);
void send_buffer_selection(GtkButton *obj, object_link *ar);
void send_dialog_file_and_folder(object_link *ar);
void send_menu_item_label(GtkMenuItem *obj, feedback_link *ar);
gboolean send_window_closed(GtkWidget *obj, GdkEvent *event, feedback_link *ar);
void send_color(GtkColorButton *obj, feedback_link *ar);
void send_font_name(GtkFontButton *obj, feedback_link *ar);
void send_switch_state(GObject *obj, GParamSpec *pspec, feedback_link *ar);
void send_toggle_state(GtkToggleButton *obj, feedback_link *ar);
gboolean send_button_event(GtkWidget *obj, GdkEventButton *event, feedback_link *ar);
gboolean send_motion_event(GtkWidget *obj, GdkEventMotion *event, feedback_link *ar);
gboolean send_key_name(GtkWidget *obj, GdkEventKey *event, feedback_link *ar);
