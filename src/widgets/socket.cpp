// XEmbed sockets: "id" tells the client the window id that another
// program's plug embeds into. XEmbed is a protocol between X windows: on any
// other display a socket cannot even be realized without the toolkit
// calling X functions on a display that is not X, so there it stays hidden
// and every command to it is refused.
#include "widgets/action_table.h"
#include "feedback/feedback.h"

#include <gtk/gtkx.h>

namespace {

// Each class's actions, in the order they are tried.
bool socket_id(command_data *cmd);

constexpr action_row socket_actions[] = {
    {.action = "id", .run = socket_id, .form = ""},
};

// A socket outside any window has no X window to give: the toolkit would
// answer 0, an id that no plug can use, so the command is refused instead.
bool socket_id(command_data *cmd)
{
    GtkWidget *socket = GTK_WIDGET(cmd->obj);
    if (!is_blank(cmd->data))
        return false;
    if (!gtk_widget_is_toplevel(gtk_widget_get_toplevel(socket)))
        return refuse_because("the socket is in no window, so it has no id");
    g_autofree gchar *id =
        g_strdup_printf("%lu", static_cast<unsigned long>(gtk_socket_get_id(GTK_SOCKET(socket))));
    send_feedback(cmd->info->out, cmd->obj, "id", id);
    return true;
}

bool on_x11(GObject *socket)
{
    return GDK_IS_X11_DISPLAY(gtk_widget_get_display(GTK_WIDGET(socket)));
}

}  // namespace

void update_socket(command_data *cmd)
{
    if (!on_x11(cmd->obj)) {
        refuse_because("a socket needs an X11 display");
        complain(cmd);
        return;
    }
    run_actions(cmd, socket_actions);
}

void keep_socket_unrealized(GObject *socket)
{
    if (on_x11(socket))
        return;
    gtk_widget_set_no_show_all(GTK_WIDGET(socket), TRUE);
    gtk_widget_hide(GTK_WIDGET(socket));
}
