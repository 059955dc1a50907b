// XEmbed sockets: "id" tells the client the window id that another
// program's plug embeds into.
#include "widgets/action_table.h"
#include "feedback/feedback.h"

#include <gtk/gtkx.h>

namespace {

bool socket_id(command_data *cmd)
{
    if (!is_blank(cmd->data))
        return false;
    char id[256];
    snprintf(id, sizeof id, "%lu", static_cast<unsigned long>(gtk_socket_get_id(GTK_SOCKET(cmd->obj))));
    send_feedback(cmd->info->out, cmd->obj, "id", id);
    return true;
}

constexpr action_row socket_actions[] = {
    {.action = "id", .run = socket_id},
};

}  // namespace

void update_socket(command_data *cmd) { run_actions(cmd, socket_actions); }
