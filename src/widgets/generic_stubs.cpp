// Placeholders until the generic actions and style land.
#include "feedback/feedback.h"
#include "widgets/widgets.h"

void update_widget(command_data *cmd)
{
    if (streq(cmd->action, "ping") && GTK_IS_WIDGET(cmd->obj) && is_blank(cmd->data)) {
        cmd->info->txt = "ping";
        send_tag_only(cmd->obj, cmd->info);
        return;
    }
    ignore_cmd(cmd->type, cmd->cmd);
}
void attach_style_provider(GObject *) {}
