// Placeholders until drawing areas land.
#include "drawing/drawing.h"
#include "widgets/widgets.h"

void update_drawing_area(command_data *cmd) { update_widget(cmd); }
gboolean replay_draw_ops(GtkWidget *, cairo_t *, gpointer) { return FALSE; }
void take_snapshot(command_data *cmd) { ignore_cmd(cmd->type, cmd->cmd); }
