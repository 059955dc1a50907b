// The records of a drawing area's retained list of draw operations, shared
// by the command parser, the list operations, the replay and the benchmark.
#pragma once

#include "drawing/drawing.h"
#include <cstdint>

enum draw_op_policy : int { APPEND = 0, BEFORE = 1, REPLACE = 2 };

// Numbered in alphabetical order of their names.
enum draw_op_kind : int {
    ARC, ARC_NEGATIVE, CLOSE_PATH, CURVE_TO, FILL, FILL_PRESERVE, LINE_TO, MOVE_TO,
    RECTANGLE, REL_CURVE_TO, REL_LINE_TO, REL_MOVE_TO, REL_MOVE_FOR, RESET_TRANSFORM,
    SET_DASH, SET_FONT_FACE, SET_FONT_SIZE, SET_LINE_CAP, SET_LINE_JOIN, SET_LINE_WIDTH,
    SET_SOURCE_RGBA, SHOW_TEXT, STROKE, STROKE_PRESERVE, TRANSFORM,
};
inline constexpr int draw_op_kind_count = TRANSFORM + 1;

// Argument records; each is one allocation whose texts and dash lengths
// follow the record itself, so freeing the record frees everything.
struct point_args { double x, y; };                    // LINE_TO, MOVE_TO, REL_LINE_TO, REL_MOVE_TO
struct arc_args { double x, y, radius, angle1, angle2; };  // angles in radians
struct curve_args { double x1, y1, x2, y2, x3, y3; };  // CURVE_TO, REL_CURVE_TO
struct rectangle_args { double x, y, width, height; };
struct size_args { double size; };                     // SET_FONT_SIZE
struct width_args { double width; };                   // SET_LINE_WIDTH
struct move_for_args { int anchor; const char *text; };
struct dash_args { int count; const double *dashes; };
struct font_face_args { int slant; int weight; const char *family; };
struct line_cap_args { int cap; };
struct line_join_args { int join; };
// SHOW_TEXT: the record is the NUL-terminated text itself.
// SET_SOURCE_RGBA: a GdkRGBA.  TRANSFORM: a cairo_matrix_t.

// Room inside the operation for an argument record of two numbers, so that
// the commonest operations (points) cost one allocation instead of two.
inline constexpr size_t draw_op_room = 2 * sizeof(double);

struct draw_op {
    draw_op *next;           // replay order; null at the end
    uint64_t id;             // the client's id, not necessarily unique
    uint64_t before_id;      // BEFORE only: the id it was inserted in front of
    draw_op_policy policy;
    draw_op_kind kind;
    void *args;              // owned unless it points at room; null for the kinds without arguments
    alignas(double) unsigned char room[draw_op_room];
};

// The anchors of "rel_move_for" in code order, with the offset each one
// applies as a fraction of the text's width and height.
struct anchor_row {
    const char *name;
    double width_factor, height_factor;
};
inline constexpr anchor_row anchors[] = {
    {"c", -0.5, 0.5}, {"e", -1.0, 0.5}, {"n", -0.5, 1.0}, {"ne", -1.0, 1.0}, {"nw", 0.0, 1.0},
    {"s", -0.5, 0.0}, {"se", -1.0, 0.0}, {"sw", 0.0, 0.0}, {"w", 0.0, 0.5},
};
inline constexpr int anchor_count = sizeof anchors / sizeof anchors[0];

// Larger magnitudes lie far outside anything cairo can draw (its device
// coordinates end near 8.4 million) and make it loop for seconds on arcs.
inline constexpr double drawable_limit = 1e7;
bool drawable_number(double v);

// An operation whose args point at its own room on entry gets a small
// argument record there; otherwise every record is allocated on its own.
int set_draw_op(draw_op *op, const char *action, const char *data);
int ins_draw_op(GtkWidget *widget, const char *action, const char *data);
int remove_draw_ops(GtkWidget *widget, const char *data);
gboolean redraw_drawing_area(gpointer widget);
void free_draw_op(draw_op *op);
draw_op *first_draw_op(GtkWidget *widget);

void draw(cairo_t *cr, draw_op_kind kind, const void *args);

bool has_suffix(const char *text, const char *suffix);
