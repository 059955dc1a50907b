// The records of a drawing area's retained list of draw operations, shared
// by the command parser, the list operations, the replay and the benchmark.
#pragma once

#include "drawing/drawing.h"
#include <cstdint>

enum draw_op_policy : int { APPEND = 0, BEFORE = 1, REPLACE = 2 };

// Reads a command's arguments into a new record; false (and no record)
// refuses them. A record that fits the room the operation offers is kept
// there, any other is allocated on its own.
using parse_fn = bool(const char *args, void *room, void **record);
// Carries out an operation's record on a cairo context.
using replay_fn = void(cairo_t *cr, const void *args);

// One draw keyword: how its arguments are read and how it is replayed. Both
// are references, so that a row that leaves one out does not compile.
struct draw_command {
    const char *action;
    parse_fn &parse;
    replay_fn &replay;
    bool redraw;                 // whether an appended operation paints and so needs a repaint
    const char *form = nullptr;  // the data after the id, for the complaint
};

// Every draw keyword, in the order they are tried.
extern const draw_command draw_commands[];
extern const size_t draw_command_count;

// Which drawing operation this is: the position in draw_commands of the row
// that read it, which also says how it is replayed.
using draw_op_kind = int;

// Argument records; each is one allocation whose texts and dash lengths
// follow the record itself, so freeing the record frees everything.
struct point_args { double x, y; };                    // line_to, move_to, rel_line_to, rel_move_to
struct arc_args { double x, y, radius, angle1, angle2; };  // angles in radians
struct curve_args { double x1, y1, x2, y2, x3, y3; };  // curve_to, rel_curve_to
struct rectangle_args { double x, y, width, height; };
struct size_args { double size; };                     // set_font_size
struct width_args { double width; };                   // set_line_width
struct move_for_args { int anchor; const char *text; };
struct dash_args { int count; const double *dashes; };
struct font_face_args { int slant; int weight; const char *family; };
struct line_cap_args { int cap; };
struct line_join_args { int join; };
// show_text: the record is the NUL-terminated text itself.
// set_source_rgba: a GdkRGBA.  transform, translate, scale, rotate: a cairo_matrix_t.

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

// An operation whose args point at its own room on entry gets a small
// argument record there; otherwise every record is allocated on its own.
int set_draw_op(draw_op *op, const char *action, const char *data);
int ins_draw_op(GtkWidget *widget, const char *action, const char *data);
int remove_draw_ops(GtkWidget *widget, const char *data);
gboolean redraw_drawing_area(gpointer widget);
void free_draw_op(draw_op *op);
draw_op *first_draw_op(GtkWidget *widget);

void draw(cairo_t *cr, draw_op_kind kind, const void *args);
// The replay of a blank "transform": back to the transformation the context
// had when the replay began.
replay_fn reset_transform;
