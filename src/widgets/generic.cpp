// The actions that every widget knows, whatever its class; an action that
// nobody knows ends here with the one complaint.
#include "widgets/widgets.h"
#include "drawing/drawing.h"
#include "feedback/feedback.h"

namespace {

void do_block(command_data *cmd);
void do_set_sensitive(command_data *cmd);
void do_set_visible(command_data *cmd);
void do_set_tooltip_text(command_data *cmd);
void do_grab_focus(command_data *cmd);
void do_set_size_request(command_data *cmd);
void do_force(command_data *cmd);
void do_ping(command_data *cmd);

struct generic_action {
    const char *action;
    void (*run)(command_data *cmd);
};

// Tried top to bottom; the first equal keyword decides.
constexpr generic_action generic_actions[] = {
    {.action = "block", .run = do_block},
    {.action = "set_sensitive", .run = do_set_sensitive},
    {.action = "set_visible", .run = do_set_visible},
    {.action = "set_tooltip_text", .run = do_set_tooltip_text},
    {.action = "grab_focus", .run = do_grab_focus},
    {.action = "set_size_request", .run = do_set_size_request},
    {.action = "style", .run = update_widget_style},
    {.action = "force", .run = do_force},
    {.action = "ping", .run = do_ping},
    {.action = "snapshot", .run = take_snapshot},
};

// What "force" writes for the classes whose user operation has no
// activation signal: the line their own signal would write.
struct forced_feedback {
    GType (*type)();
    const char *tag;
    void (*send)(GtkWidget *widget, info *ar);
};

// Tested by is-a, in this order: a spin button is an entry too.
constexpr forced_feedback forced_feedbacks[] = {
    {.type = gtk_spin_button_get_type, .tag = "text",
     .send = [](GtkWidget *w, info *ar) { send_spin_value(GTK_SPIN_BUTTON(w), ar); }},
    {.type = gtk_scale_get_type, .tag = "value",
     .send = [](GtkWidget *w, info *ar) { send_range_value(GTK_RANGE(w), ar); }},
    {.type = gtk_entry_get_type, .tag = "text",
     .send = [](GtkWidget *w, info *ar) { send_entry_text(GTK_ENTRY(w), ar); }},
    {.type = gtk_calendar_get_type, .tag = "clicked",
     .send = [](GtkWidget *w, info *ar) { send_calendar_date(GTK_CALENDAR(w), ar); }},
    {.type = gtk_file_chooser_button_get_type, .tag = "file",
     .send = [](GtkWidget *w, info *ar) { send_chooser_filename(GTK_FILE_CHOOSER(w), ar); }},
    {.type = gtk_combo_box_text_get_type, .tag = "active",
     .send = [](GtkWidget *w, info *ar) { send_combo_choice(GTK_COMBO_BOX(w), ar); }},
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

void refuse(command_data *cmd)
{
    ignore_cmd(cmd->type, cmd->cmd);
}

// A truth value: exactly one number, 0 or 1. Read wider than an unsigned
// int, so that 4294967296 is refused rather than wrapped round to 0.
bool scan_truth(const char *data, unsigned *value)
{
    unsigned long number;
    if (!scan_exact(data, "%lu %c", &number) || number > 1)
        return false;
    *value = static_cast<unsigned>(number);
    return true;
}

void do_block(command_data *cmd)
{
    set_handlers_blocked(cmd, cmd->obj);
}

void do_set_sensitive(command_data *cmd)
{
    unsigned value;
    if (!GTK_IS_WIDGET(cmd->obj) || !scan_truth(cmd->data, &value))
        return refuse(cmd);
    gtk_widget_set_sensitive(GTK_WIDGET(cmd->obj), value);
}

void do_set_visible(command_data *cmd)
{
    unsigned value;
    if (!GTK_IS_WIDGET(cmd->obj) || !scan_truth(cmd->data, &value))
        return refuse(cmd);
    gtk_widget_set_visible(GTK_WIDGET(cmd->obj), value);
}

void do_set_tooltip_text(command_data *cmd)
{
    if (!GTK_IS_WIDGET(cmd->obj))
        return refuse(cmd);
    gtk_widget_set_tooltip_text(GTK_WIDGET(cmd->obj), cmd->data ? cmd->data : "");
}

void do_grab_focus(command_data *cmd)
{
    if (!GTK_IS_WIDGET(cmd->obj) || !is_blank(cmd->data) ||
        !gtk_widget_get_can_focus(GTK_WIDGET(cmd->obj)))
        return refuse(cmd);
    gtk_widget_grab_focus(GTK_WIDGET(cmd->obj));
}

void do_set_size_request(command_data *cmd)
{
    int width, height;
    if (!GTK_IS_WIDGET(cmd->obj))
        return refuse(cmd);
    if (scan_exact(cmd->data, "%d %d %c", &width, &height) && width <= max_widget_size &&
        height <= max_widget_size)
        gtk_widget_set_size_request(GTK_WIDGET(cmd->obj), width, height);
    else if (is_blank(cmd->data))
        gtk_widget_set_size_request(GTK_WIDGET(cmd->obj), -1, -1);
    else
        refuse(cmd);
}

void do_force(command_data *cmd)
{
    if (!GTK_IS_WIDGET(cmd->obj) || !is_blank(cmd->data))
        return refuse(cmd);
    GtkWidget *widget = GTK_WIDGET(cmd->obj);
    for (const forced_feedback &row : forced_feedbacks) {
        if (G_TYPE_CHECK_INSTANCE_TYPE(widget, row.type())) {
            cmd->info->txt = row.tag;
            row.send(widget, cmd->info);
            return;
        }
    }
    watch_activation(widget);
    if (!gtk_widget_activate(widget))
        refuse(cmd);
}

void do_ping(command_data *cmd)
{
    if (!GTK_IS_WIDGET(cmd->obj) || !is_blank(cmd->data))
        return refuse(cmd);
    cmd->info->txt = "ping";
    send_tag_only(cmd->obj, cmd->info);
}

}  // namespace

void update_widget(command_data *cmd)
{
    for (const generic_action &row : generic_actions) {
        if (streq(cmd->action, row.action)) {
            row.run(cmd);
            return;
        }
    }
    refuse(cmd);
}

// Blocks or unblocks the target's recorded handlers at most once each, so
// one "block 0" undoes any number of "block 1".
void set_handlers_blocked(command_data *cmd, GObject *target)
{
    unsigned long value;
    if (!scan_exact(cmd->data, "%lu %c", &value) || value > 1)
        return refuse(cmd);
    if (target == nullptr)
        return;
    bool block = value == 1;
    auto *record = static_cast<handler_record *>(g_object_get_data(target, "signal-id"));
    for (; record != nullptr; record = record->next) {
        if (record->blocked == block)
            continue;
        if (block)
            g_signal_handler_block(target, record->id);
        else
            g_signal_handler_unblock(target, record->id);
        record->blocked = block;
    }
}
