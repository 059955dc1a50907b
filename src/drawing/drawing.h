// Drawing areas: the retained list of draw operations, its replay, snapshots.
#pragma once

#include "channel/channel.h"

void update_drawing_area(command_data *cmd);
// Wired to a drawing area's "draw".
gboolean replay_draw_ops(GtkWidget *widget, cairo_t *cr, gpointer unused);
// The generic "snapshot" action.
bool take_snapshot(command_data *cmd);
