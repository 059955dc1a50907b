// The actions that every widget knows, whatever its class, and the
// activations that a barrier waits for.
#include "widgets/action_table.h"
#include "feedback/feedback.h"

namespace {

// What "force" writes for the classes whose user operation has no
// activation signal: the line their own signal would write.
struct forced_feedback {
    GType (*type)();
    const char *tag;
    void (*send)(GtkWidget *widget, feedback_link *ar);
};

// Tested by is-a, in this order: a spin button is an entry too.
constexpr forced_feedback forced_feedbacks[] = {
    {.type = gtk_spin_button_get_type, .tag = "text",
     .send = [](GtkWidget *w, feedback_link *ar) { send_spin_value(GTK_SPIN_BUTTON(w), ar); }},
    {.type = gtk_scale_get_type, .tag = "value",
     .send = [](GtkWidget *w, feedback_link *ar) { send_range_value(GTK_RANGE(w), ar); }},
    {.type = gtk_entry_get_type, .tag = "text",
     .send = [](GtkWidget *w, feedback_link *ar) { send_entry_text(GTK_ENTRY(w), ar); }},
    {.type = gtk_calendar_get_type, .tag = "clicked",
     .send = [](GtkWidget *w, feedback_link *ar) { send_calendar_date(GTK_CALENDAR(w), ar); }},
    {.type = gtk_file_chooser_button_get_type, .tag = "file",
     .send = [](GtkWidget *w, feedback_link *ar) { send_chooser_filename(GTK_FILE_CHOOSER(w), ar); }},
    {.type = gtk_combo_box_text_get_type, .tag = "active",
     .send = [](GtkWidget *w, feedback_link *ar) { send_combo_choice(GTK_COMBO_BOX(w), ar); }},
};

// Classes whose activation ends later than "force" returns, and the signal
// that ends it. A button shows its press for about a quarter of a second
// before it clicks, and only once it is realized; a switch slides over
// first, and only while it is shown.
struct delayed_activation {
    GType (*type)();
    const char *ending_signal;
    gboolean (*starts)(GtkWidget *widget);
};

constexpr delayed_activation delayed_activations[] = {
    {.type = gtk_button_get_type, .ending_signal = "clicked", .starts = gtk_widget_get_realized},
    {.type = gtk_switch_get_type, .ending_signal = "notify::active",
     .starts = gtk_widget_get_mapped},
};

// An activation that a barrier waits for, until its signal comes or, when
// the toolkit drops it (a widget hidden meanwhile), for at most a second.
struct activation_watch {
    GObject *widget;
    gulong handler;
    guint expiry;
};

constexpr guint activation_limit_msec = 1000;

void end_watch(activation_watch *watch)
{
    g_signal_handler_disconnect(watch->widget, watch->handler);
    if (watch->expiry != 0)
        g_source_remove(watch->expiry);
    delete watch;
    activation_finished();
}

void activation_ended(activation_watch *watch)
{
    end_watch(watch);
}

gboolean activation_expired(gpointer data)
{
    auto *watch = static_cast<activation_watch *>(data);
    watch->expiry = 0;
    end_watch(watch);
    return G_SOURCE_REMOVE;
}

// Set up before the activation, so that one that ends at once is seen too.
void watch_activation(GtkWidget *widget)
{
    for (const delayed_activation &row : delayed_activations) {
        if (!G_TYPE_CHECK_INSTANCE_TYPE(widget, row.type()))
            continue;
        if (!row.starts(widget))
            return;
        auto *watch = new activation_watch{G_OBJECT(widget), 0, 0};
        activation_pending();
        watch->handler = g_signal_connect_swapped(widget, row.ending_signal,
                                                  G_CALLBACK(activation_ended), watch);
        watch->expiry = g_timeout_add(activation_limit_msec, activation_expired, watch);
        return;
    }
}

}  // namespace

bool generic_block(command_data *cmd)
{
    return set_handlers_blocked(cmd, cmd->obj);
}

bool generic_set_sensitive(command_data *cmd)
{
    unsigned value;
    if (!scan_truth(cmd->data, &value))
        return false;
    gtk_widget_set_sensitive(GTK_WIDGET(cmd->obj), value);
    return true;
}

bool generic_set_visible(command_data *cmd)
{
    unsigned value;
    if (!scan_truth(cmd->data, &value))
        return false;
    gtk_widget_set_visible(GTK_WIDGET(cmd->obj), value);
    return true;
}

bool generic_set_tooltip_text(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_widget_set_tooltip_text(GTK_WIDGET(cmd->obj), cmd->data ? cmd->data : "");
    return true;
}

bool generic_grab_focus(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    if (!gtk_widget_get_can_focus(GTK_WIDGET(cmd->obj)))
        return refuse_because("the widget cannot take the focus");
    gtk_widget_grab_focus(GTK_WIDGET(cmd->obj));
    return true;
}

bool generic_set_size_request(command_data *cmd)
{
    int width, height;
    // -1 keeps the natural size; the toolkit rejects anything below it.
    if (scan_exact(cmd->data, "%d %d %c", &width, &height) && width >= -1 && height >= -1 &&
        width <= max_widget_size && height <= max_widget_size)
        gtk_widget_set_size_request(GTK_WIDGET(cmd->obj), width, height);
    else if (is_blank(cmd->data))
        gtk_widget_set_size_request(GTK_WIDGET(cmd->obj), -1, -1);
    else
        return false;
    return true;
}

bool generic_force(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    GtkWidget *widget = GTK_WIDGET(cmd->obj);
    for (const forced_feedback &row : forced_feedbacks) {
        if (G_TYPE_CHECK_INSTANCE_TYPE(widget, row.type())) {
            // A link of the callback's own kind, with the tag the wiring
            // would give it.
            feedback_link link = {.out = cmd->info->out, .tag = row.tag};
            row.send(widget, &link);
            return true;
        }
    }
    watch_activation(widget);
    if (!gtk_widget_activate(widget))
        return refuse_because("%s has no activation to force", G_OBJECT_TYPE_NAME(widget));
    return true;
}

bool generic_ping(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    send_feedback(cmd->info->out, cmd->obj, "ping");
    return true;
}
