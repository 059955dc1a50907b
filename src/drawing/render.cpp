// Replays a drawing area's list of draw operations onto the cairo context
// that GTK hands to its "draw" handler.
#include "drawing/draw_op.h"
#include <cmath>

namespace {

template <typename R>
const R &arg(const void *args)
{
    return *static_cast<const R *>(args);
}

// Moves the current point so that the text shown next puts the named point
// of its box (measured with the font in force now) where the move started.
void rel_move_for(cairo_t *cr, const move_for_args &a)
{
    if (a.anchor < 0 || a.anchor >= anchor_count)
        ASSUMPTION_ABORT();
    cairo_text_extents_t extents;
    cairo_text_extents(cr, a.text, &extents);
    const anchor_row &anchor = anchors[a.anchor];
    cairo_rel_move_to(cr, anchor.width_factor * extents.width,
                      anchor.height_factor * extents.height);
}

// True when the arc's radius, as transformations in force have scaled it,
// lies far outside anything drawable: cairo would split such an arc into
// segments for minutes, and its fixed-point coordinates cannot hold it anyway.
bool arc_too_large(cairo_t *cr, double radius)
{
    double ax = radius, ay = 0, bx = 0, by = radius;
    cairo_user_to_device_distance(cr, &ax, &ay);
    cairo_user_to_device_distance(cr, &bx, &by);
    return !(std::hypot(ax, ay) <= drawable_limit && std::hypot(bx, by) <= drawable_limit);
}

using arc_fn = void (*)(cairo_t *, double, double, double, double, double);

// Such an arc becomes the lines to its start and end points, which keeps the
// rest of the path where the arc would have left it.
void arc(cairo_t *cr, const arc_args &r, arc_fn cairo_call)
{
    if (!arc_too_large(cr, r.radius)) {
        cairo_call(cr, r.x, r.y, r.radius, r.angle1, r.angle2);
        return;
    }
    cairo_line_to(cr, r.x + r.radius * std::cos(r.angle1), r.y + r.radius * std::sin(r.angle1));
    cairo_line_to(cr, r.x + r.radius * std::cos(r.angle2), r.y + r.radius * std::sin(r.angle2));
}

// The transformation the context had when the replay began: on screen GTK
// hands over a context already moved to the widget's place in its window,
// and a reset must return there, not to the window's corner.
const cairo_user_data_key_t start_matrix_key = {};

void reset_transform(cairo_t *cr)
{
    auto *start = static_cast<cairo_matrix_t *>(cairo_get_user_data(cr, &start_matrix_key));
    if (start != nullptr)
        cairo_set_matrix(cr, start);
    else
        cairo_identity_matrix(cr);
}

using draw_fn = void (*)(cairo_t *cr, const void *args);

// One cairo call per kind, in the order of the kinds.
constexpr draw_fn draw_calls[draw_op_kind_count] = {
    /* ARC             */ [](cairo_t *cr, const void *a) { arc(cr, arg<arc_args>(a), cairo_arc); },
    /* ARC_NEGATIVE    */ [](cairo_t *cr, const void *a) { arc(cr, arg<arc_args>(a), cairo_arc_negative); },
    /* CLOSE_PATH      */ [](cairo_t *cr, const void *) { cairo_close_path(cr); },
    /* CURVE_TO        */ [](cairo_t *cr, const void *a) {
        auto &r = arg<curve_args>(a);
        cairo_curve_to(cr, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3);
    },
    /* FILL            */ [](cairo_t *cr, const void *) { cairo_fill(cr); },
    /* FILL_PRESERVE   */ [](cairo_t *cr, const void *) { cairo_fill_preserve(cr); },
    /* LINE_TO         */ [](cairo_t *cr, const void *a) { cairo_line_to(cr, arg<point_args>(a).x, arg<point_args>(a).y); },
    /* MOVE_TO         */ [](cairo_t *cr, const void *a) { cairo_move_to(cr, arg<point_args>(a).x, arg<point_args>(a).y); },
    /* RECTANGLE       */ [](cairo_t *cr, const void *a) {
        auto &r = arg<rectangle_args>(a);
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    },
    /* REL_CURVE_TO    */ [](cairo_t *cr, const void *a) {
        auto &r = arg<curve_args>(a);
        cairo_rel_curve_to(cr, r.x1, r.y1, r.x2, r.y2, r.x3, r.y3);
    },
    /* REL_LINE_TO     */ [](cairo_t *cr, const void *a) { cairo_rel_line_to(cr, arg<point_args>(a).x, arg<point_args>(a).y); },
    /* REL_MOVE_TO     */ [](cairo_t *cr, const void *a) { cairo_rel_move_to(cr, arg<point_args>(a).x, arg<point_args>(a).y); },
    /* REL_MOVE_FOR    */ [](cairo_t *cr, const void *a) { rel_move_for(cr, arg<move_for_args>(a)); },
    /* RESET_TRANSFORM */ [](cairo_t *cr, const void *) { reset_transform(cr); },
    /* SET_DASH        */ [](cairo_t *cr, const void *a) {
        auto &r = arg<dash_args>(a);
        cairo_set_dash(cr, r.dashes, r.count, 0.0);
    },
    /* SET_FONT_FACE   */ [](cairo_t *cr, const void *a) {
        auto &r = arg<font_face_args>(a);
        cairo_select_font_face(cr, r.family, static_cast<cairo_font_slant_t>(r.slant),
                               static_cast<cairo_font_weight_t>(r.weight));
    },
    /* SET_FONT_SIZE   */ [](cairo_t *cr, const void *a) { cairo_set_font_size(cr, arg<size_args>(a).size); },
    /* SET_LINE_CAP    */ [](cairo_t *cr, const void *a) {
        cairo_set_line_cap(cr, static_cast<cairo_line_cap_t>(arg<line_cap_args>(a).cap));
    },
    /* SET_LINE_JOIN   */ [](cairo_t *cr, const void *a) {
        cairo_set_line_join(cr, static_cast<cairo_line_join_t>(arg<line_join_args>(a).join));
    },
    /* SET_LINE_WIDTH  */ [](cairo_t *cr, const void *a) { cairo_set_line_width(cr, arg<width_args>(a).width); },
    /* SET_SOURCE_RGBA */ [](cairo_t *cr, const void *a) { gdk_cairo_set_source_rgba(cr, &arg<GdkRGBA>(a)); },
    /* SHOW_TEXT       */ [](cairo_t *cr, const void *a) { cairo_show_text(cr, static_cast<const char *>(a)); },
    /* STROKE          */ [](cairo_t *cr, const void *) { cairo_stroke(cr); },
    /* STROKE_PRESERVE */ [](cairo_t *cr, const void *) { cairo_stroke_preserve(cr); },
    /* TRANSFORM       */ [](cairo_t *cr, const void *a) { cairo_transform(cr, &arg<cairo_matrix_t>(a)); },
};

} // namespace

void draw(cairo_t *cr, draw_op_kind kind, const void *args)
{
    if (kind < 0 || kind >= draw_op_kind_count)
        ASSUMPTION_ABORT();
    draw_calls[kind](cr, args);
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
