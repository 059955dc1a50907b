// The signal callbacks that turn what the user does into feedback lines; the
// tags and payloads here are what the client sees.
#include "feedback/feedback.h"

namespace {

// Formats numbers under the "C" numeric locale, so the decimal separator is a
// full stop whatever the user's locale, and sends them as the one payload.
template <typename... A>
void send_formatted(feedback_link *ar, GObject *obj, const char *format, A... values)
{
    c_numeric_scope c_locale;
    char buf[256];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    snprintf(buf, sizeof buf, format, values...);
#pragma GCC diagnostic pop
    send_feedback(ar->out, obj, ar->tag, buf);
}

}  // namespace

gboolean send_tag_only(GObject *obj, feedback_link *ar)
{
    send_feedback(ar->out, obj, ar->tag);
    return TRUE;
}

void send_spin_value(GtkSpinButton *obj, feedback_link *ar)
{
    send_formatted(ar, G_OBJECT(obj), "%f", gtk_spin_button_get_value(obj));
}

void send_range_value(GtkRange *obj, feedback_link *ar)
{
    send_formatted(ar, G_OBJECT(obj), "%f", gtk_range_get_value(obj));
}

void send_entry_text(GtkEntry *obj, feedback_link *ar)
{
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, gtk_entry_get_text(obj));
}

// The index of the chosen item (-1 for none) and its text; with an entry,
// the entry's text.
void send_combo_choice(GtkComboBox *obj, feedback_link *ar)
{
    char index[32];
    snprintf(index, sizeof index, "%d ", gtk_combo_box_get_active(obj));
    g_autofree gchar *text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(obj));
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, index, text ? text : "");
}

void send_calendar_date(GtkCalendar *obj, feedback_link *ar)
{
    guint year, month, day;
    gtk_calendar_get_date(obj, &year, &month, &day);
    char buf[256];
    snprintf(buf, sizeof buf, "%04u-%02u-%02u", year, month + 1, day);
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, buf);
}

void send_chooser_filename(GtkFileChooser *obj, feedback_link *ar)
{
    g_autofree gchar *name = gtk_file_chooser_get_filename(obj);
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, name);
}

void send_buffer_text(GtkButton *obj, object_link *ar)
{
    GtkTextBuffer *buffer = GTK_TEXT_BUFFER(ar->obj);
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    g_autofree gchar *text = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
    send_feedback(ar->out, G_OBJECT(obj), "text", text);
}

void send_buffer_selection(GtkButton *obj, object_link *ar)
{
    GtkTextBuffer *buffer = GTK_TEXT_BUFFER(ar->obj);
    GtkTextIter start, end;
    gtk_text_buffer_get_selection_bounds(buffer, &start, &end);
    g_autofree gchar *text = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
    send_feedback(ar->out, G_OBJECT(obj), "text", text);
}

// Two lines, each written or dropped on its own.
void send_dialog_file_and_folder(object_link *ar)
{
    GtkFileChooser *dialog = GTK_FILE_CHOOSER(ar->obj);
    g_autofree gchar *file = gtk_file_chooser_get_filename(dialog);
    send_feedback(ar->out, ar->obj, "file", file);
    g_autofree gchar *folder = gtk_file_chooser_get_current_folder(dialog);
    send_feedback(ar->out, ar->obj, "folder", folder);
}

void send_menu_item_label(GtkMenuItem *obj, feedback_link *ar)
{
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, gtk_menu_item_get_label(obj));
}

gboolean send_window_closed(GtkWidget *obj, GdkEvent *, feedback_link *ar)
{
    send_feedback(ar->out, G_OBJECT(obj), ar->tag);
    return FALSE;
}

void send_color(GtkColorButton *obj, feedback_link *ar)
{
    GdkRGBA color;
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(obj), &color);
    g_autofree gchar *text = gdk_rgba_to_string(&color);
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, text);
}

void send_font_name(GtkFontButton *obj, feedback_link *ar)
{
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    const char *name = gtk_font_button_get_font_name(obj);
    G_GNUC_END_IGNORE_DEPRECATIONS
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, name);
}

// For switches and toggle buttons the state itself is the tag.
void send_switch_state(GObject *obj, GParamSpec *, feedback_link *ar)
{
    send_feedback(ar->out, obj, gtk_switch_get_active(GTK_SWITCH(obj)) ? "1" : "0");
}

void send_toggle_state(GtkToggleButton *obj, feedback_link *ar)
{
    send_feedback(ar->out, G_OBJECT(obj), gtk_toggle_button_get_active(obj) ? "1" : "0");
}

gboolean send_button_event(GtkWidget *obj, GdkEventButton *event, feedback_link *ar)
{
    send_formatted(ar, G_OBJECT(obj), "%d %.1lf %.1lf", static_cast<int>(event->button),
                   event->x, event->y);
    return TRUE;
}

gboolean send_motion_event(GtkWidget *obj, GdkEventMotion *event, feedback_link *ar)
{
    send_formatted(ar, G_OBJECT(obj), "%.1lf %.1lf", event->x, event->y);
    return TRUE;
}

gboolean send_key_name(GtkWidget *obj, GdkEventKey *event, feedback_link *ar)
{
    send_feedback(ar->out, G_OBJECT(obj), ar->tag, gdk_keyval_name(event->keyval));
    return TRUE;
}
