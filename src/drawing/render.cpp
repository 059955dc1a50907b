// Replays a drawing area's list of draw operations onto the cairo context
// that GTK hands to its "draw" handler.
#include "drawing/draw_op.h"

namespace {

// The transformation the context had when the replay began: on screen GTK
// hands over a context already moved to the widget's place in its window,
// and a reset must return there, not to the window's corner.
const cairo_user_data_key_t start_matrix_key = {};

} // namespace

void reset_transform(cairo_t *cr, const void *)
{
    auto *start = static_cast<cairo_matrix_t *>(cairo_get_user_data(cr, &start_matrix_key));
    if (start != nullptr)
        cairo_set_matrix(cr, start);
    else
        cairo_identity_matrix(cr);
}

void draw(cairo_t *cr, draw_op_kind kind, const void *args)
{
    if (kind < 0 || static_cast<size_t>(kind) >= draw_command_count)
        ASSUMPTION_ABORT();
    draw_commands[kind].replay(cr, args);
}

gboolean replay_draw_ops(GtkWidget *widget, cairo_t *cr, gpointer)
{
    auto *start = g_new(cairo_matrix_t, 1);
    cairo_get_matrix(cr, start);
    cairo_set_user_data(cr, &start_matrix_key, start, g_free);
    for (const draw_op *op = first_draw_op(widget); op != nullptr; op = op->next)
        draw(cr, op->kind, op->args);
    return FALSE;
}
