// Turns one draw command into a draw operation: the id prefix that says where
// it goes, then the action's keyword row that reads its arguments.
#include "drawing/draw_op.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Reads the arguments into a new record; false (and no record) refuses them.
// A record that fits the room the operation offers is kept there.
using parse_fn = bool (*)(const char *args, void *room, void **record);

void *new_record(void *room, size_t size, size_t extra = 0)
{
    if (room != nullptr && size + extra <= draw_op_room)
        return memset(room, 0, size + extra);
    void *record = calloc(1, size + extra);
    if (record == nullptr)
        OOM_ABORT();
    return record;
}

// Formats for n numbers, each ending in the conversion that catches garbage.
constexpr const char *number_formats[] = {
    " %c", "%lf %c", "%lf %lf %c", "%lf %lf %lf %c", "%lf %lf %lf %lf %c",
    "%lf %lf %lf %lf %lf %c", "%lf %lf %lf %lf %lf %lf %c",
};

template <size_t N>
bool scan_numbers(const char *args, double (&v)[N])
{
    bool scanned = [&]<size_t... I>(std::index_sequence<I...>) {
        return scan_exact(args, number_formats[N], &v[I]...);
    }(std::make_index_sequence<N>{});
    return scanned && std::all_of(v, v + N, drawable_number);
}

// Degrees to radians, the product formed in extended precision.
double radians(double degrees)
{
    return static_cast<double>(degrees * 0.017453292519943295L);
}

template <typename R, size_t N>
bool parse_numbers(const char *args, void *room, void **record)
{
    static_assert(sizeof(R) == N * sizeof(double));
    double v[N];
    if (!scan_numbers(args, v))
        return false;
    *record = new_record(room, sizeof(R));
    memcpy(*record, v, sizeof v);
    return true;
}

bool parse_arc(const char *args, void *room, void **record)
{
    double v[5];
    if (!scan_numbers(args, v))
        return false;
    *record = new (new_record(room, sizeof(arc_args)))
        arc_args{v[0], v[1], v[2], radians(v[3]), radians(v[4])};
    return true;
}

bool store_matrix(const cairo_matrix_t &m, void *room, void **record)
{
    *record = new (new_record(room, sizeof(cairo_matrix_t))) cairo_matrix_t(m);
    return true;
}

bool parse_transform(const char *args, void *room, void **record)
{
    double v[6];
    cairo_matrix_t m;
    if (!scan_numbers(args, v))
        return false;
    cairo_matrix_init(&m, v[0], v[1], v[2], v[3], v[4], v[5]);
    return store_matrix(m, room, record);
}

bool parse_translate(const char *args, void *room, void **record)
{
    double v[2];
    cairo_matrix_t m;
    if (!scan_numbers(args, v))
        return false;
    cairo_matrix_init_translate(&m, v[0], v[1]);
    return store_matrix(m, room, record);
}

bool parse_scale(const char *args, void *room, void **record)
{
    double v[2];
    cairo_matrix_t m;
    if (!scan_numbers(args, v))
        return false;
    cairo_matrix_init_scale(&m, v[0], v[1]);
    return store_matrix(m, room, record);
}

bool parse_rotate(const char *args, void *room, void **record)
{
    double v[1];
    cairo_matrix_t m;
    if (!scan_numbers(args, v))
        return false;
    cairo_matrix_init_rotate(&m, radians(v[0]));
    return store_matrix(m, room, record);
}

bool parse_blank(const char *args, void *, void **)
{
    return is_blank(args);
}

// A copy of text placed right behind a record of the given size.
char *copy_behind(void *record, size_t size, const char *text)
{
    return strcpy(static_cast<char *>(record) + size, text);
}

bool parse_show_text(const char *args, void *room, void **record)
{
    if (!valid_text(args))
        return false;
    *record = new_record(room, 0, strlen(args) + 1);
    copy_behind(*record, 0, args);
    return true;
}

// Index of a word in a list of keywords, or -1; the index is also cairo's code.
template <size_t N>
int word_code(const char *word, const char *const (&words)[N])
{
    for (size_t i = 0; i < N; i++)
        if (streq(word, words[i]))
            return static_cast<int>(i);
    return -1;
}

bool parse_move_for(const char *args, void *room, void **record)
{
    char name[3];
    int pos = -1;
    if (sscanf(args, "%2s %n", name, &pos) != 1 || pos < 0)
        return false;
    int anchor = -1;
    for (int i = 0; i < anchor_count; i++)
        if (streq(name, anchors[i].name))
            anchor = i;
    if (anchor < 0)
        return false;
    const char *text = args + pos;
    if (!valid_text(text))
        return false;
    void *r = new_record(room, sizeof(move_for_args), strlen(text) + 1);
    *record = new (r) move_for_args{anchor, copy_behind(r, sizeof(move_for_args), text)};
    return true;
}

// Reads the lengths one after the other until the first that is no number,
// into dashes when given; the count, or -1 when a length is not drawable.
int read_dashes(const char *args, double *dashes)
{
    int count = 0;
    for (const char *p = args;; count++) {
        char *end;
        double v = strtod(p, &end);
        if (end == p)
            return count;
        if (!drawable_number(v))
            return -1;
        if (dashes != nullptr)
            dashes[count] = v;
        p = end;
    }
}

bool parse_dash(const char *args, void *room, void **record)
{
    int count = read_dashes(args, nullptr);
    if (count < 0)
        return false;
    void *r = new_record(room, sizeof(dash_args), count * sizeof(double));
    auto *dashes = reinterpret_cast<double *>(static_cast<char *>(r) + sizeof(dash_args));
    read_dashes(args, dashes);
    *record = new (r) dash_args{count, dashes};
    return true;
}

constexpr const char *slant_words[] = {"normal", "italic", "oblique"};
constexpr const char *weight_words[] = {"normal", "bold"};
constexpr const char *cap_words[] = {"butt", "round", "square"};
constexpr const char *join_words[] = {"miter", "round", "bevel"};

bool parse_font_face(const char *args, void *room, void **record)
{
    char slant_word[8], weight_word[7];
    int pos = -1;
    if (sscanf(args, "%7s %6s %n%*s", slant_word, weight_word, &pos) != 2 || pos < 0)
        return false;
    int slant = word_code(slant_word, slant_words);
    int weight = word_code(weight_word, weight_words);
    if (slant < 0 || weight < 0)
        return false;
    const char *family = args + pos;
    if (!valid_text(family))
        return false;
    void *r = new_record(room, sizeof(font_face_args), strlen(family) + 1);
    *record = new (r) font_face_args{slant, weight, copy_behind(r, sizeof(font_face_args), family)};
    return true;
}

bool parse_line_cap(const char *args, void *room, void **record)
{
    char word[7];
    int cap = scan_exact(args, "%6s %c", word) ? word_code(word, cap_words) : -1;
    if (cap < 0)
        return false;
    *record = new (new_record(room, sizeof(line_cap_args))) line_cap_args{cap};
    return true;
}

bool parse_line_join(const char *args, void *room, void **record)
{
    char word[6];
    int join = scan_exact(args, "%5s %c", word) ? word_code(word, join_words) : -1;
    if (join < 0)
        return false;
    *record = new (new_record(room, sizeof(line_join_args))) line_join_args{join};
    return true;
}

bool parse_rgba(const char *args, void *room, void **record)
{
    GdkRGBA colour;
    if (!gdk_rgba_parse(&colour, args))
        return false;
    *record = new (new_record(room, sizeof(GdkRGBA))) GdkRGBA(colour);
    return true;
}

struct draw_command {
    const char *action;
    draw_op_kind kind;
    parse_fn parse;
    bool redraw;  // whether an appended operation paints and so needs a repaint
    const char *form = nullptr;  // the data after the id, for the complaint
};

// Tried top to bottom: the first row whose keyword is the action and whose
// arguments read wins, so "transform" falls back to its blank form.
constexpr draw_command draw_commands[] = {
    {.action = "line_to",         .kind = LINE_TO,         .parse = parse_numbers<point_args, 2>,     .redraw = false, .form = "ID X Y"},
    {.action = "rel_line_to",     .kind = REL_LINE_TO,     .parse = parse_numbers<point_args, 2>,     .redraw = false, .form = "ID DX DY"},
    {.action = "move_to",         .kind = MOVE_TO,         .parse = parse_numbers<point_args, 2>,     .redraw = false, .form = "ID X Y"},
    {.action = "rel_move_to",     .kind = REL_MOVE_TO,     .parse = parse_numbers<point_args, 2>,     .redraw = false, .form = "ID DX DY"},
    {.action = "arc",             .kind = ARC,             .parse = parse_arc,                        .redraw = false, .form = "ID X Y RADIUS ANGLE1 ANGLE2"},
    {.action = "arc_negative",    .kind = ARC_NEGATIVE,    .parse = parse_arc,                        .redraw = false, .form = "ID X Y RADIUS ANGLE1 ANGLE2"},
    {.action = "curve_to",        .kind = CURVE_TO,        .parse = parse_numbers<curve_args, 6>,     .redraw = false, .form = "ID X1 Y1 X2 Y2 X3 Y3"},
    {.action = "rel_curve_to",    .kind = REL_CURVE_TO,    .parse = parse_numbers<curve_args, 6>,     .redraw = false, .form = "ID DX1 DY1 DX2 DY2 DX3 DY3"},
    {.action = "rectangle",       .kind = RECTANGLE,       .parse = parse_numbers<rectangle_args, 4>, .redraw = false, .form = "ID X Y WIDTH HEIGHT"},
    {.action = "close_path",      .kind = CLOSE_PATH,      .parse = parse_blank,                      .redraw = false, .form = "ID"},
    {.action = "show_text",       .kind = SHOW_TEXT,       .parse = parse_show_text,                  .redraw = true, .form = "ID TEXT"},
    {.action = "rel_move_for",    .kind = REL_MOVE_FOR,    .parse = parse_move_for,                   .redraw = false, .form = "ID c|e|n|ne|nw|s|se|sw|w TEXT"},
    {.action = "stroke",          .kind = STROKE,          .parse = parse_blank,                      .redraw = true, .form = "ID"},
    {.action = "stroke_preserve", .kind = STROKE_PRESERVE, .parse = parse_blank,                      .redraw = true, .form = "ID"},
    {.action = "fill",            .kind = FILL,            .parse = parse_blank,                      .redraw = true, .form = "ID"},
    {.action = "fill_preserve",   .kind = FILL_PRESERVE,   .parse = parse_blank,                      .redraw = true, .form = "ID"},
    {.action = "set_dash",        .kind = SET_DASH,        .parse = parse_dash,                       .redraw = false, .form = "ID [LENGTH...]"},
    {.action = "set_font_face",   .kind = SET_FONT_FACE,   .parse = parse_font_face,                  .redraw = false, .form = "ID normal|italic|oblique normal|bold FAMILY"},
    {.action = "set_font_size",   .kind = SET_FONT_SIZE,   .parse = parse_numbers<size_args, 1>,      .redraw = false, .form = "ID SIZE"},
    {.action = "set_line_cap",    .kind = SET_LINE_CAP,    .parse = parse_line_cap,                   .redraw = false, .form = "ID butt|round|square"},
    {.action = "set_line_join",   .kind = SET_LINE_JOIN,   .parse = parse_line_join,                  .redraw = false, .form = "ID miter|round|bevel"},
    {.action = "set_line_width",  .kind = SET_LINE_WIDTH,  .parse = parse_numbers<width_args, 1>,     .redraw = false, .form = "ID WIDTH"},
    {.action = "set_source_rgba", .kind = SET_SOURCE_RGBA, .parse = parse_rgba,                       .redraw = false, .form = "ID COLOR"},
    {.action = "transform",       .kind = TRANSFORM,       .parse = parse_transform,                  .redraw = false, .form = "ID XX YX XY YY X0 Y0"},
    {.action = "transform",       .kind = RESET_TRANSFORM, .parse = parse_blank,                      .redraw = false, .form = "ID"},
    {.action = "translate",       .kind = TRANSFORM,       .parse = parse_translate,                  .redraw = false, .form = "ID DX DY"},
    {.action = "scale",           .kind = TRANSFORM,       .parse = parse_scale,                      .redraw = false, .form = "ID SX SY"},
    {.action = "rotate",          .kind = TRANSFORM,       .parse = parse_rotate,                     .redraw = false, .form = "ID ANGLE"},
};

// Reads the id prefix into the operation; the position where the arguments
// begin (after the blanks behind the last number), or -1.
int read_id_prefix(draw_op *op, const char *data)
{
    unsigned long long id, before_id;
    int pos = -1;
    // The cheap tests of the first byte and of a "<" spare the common append
    // two scans that could not succeed anyway.
    if (data[0] == '=' && sscanf(data, "=%llu %n", &id, &pos) == 1 && pos >= 0) {
        op->id = id;
        op->policy = REPLACE;
        return pos;
    }
    if (strchr(data, '<') != nullptr && sscanf(data, "%llu<%llu %n", &id, &before_id, &pos) == 2 &&
        pos >= 0) {
        op->id = id;
        op->before_id = before_id;
        op->policy = BEFORE;
        return pos;
    }
    if (sscanf(data, "%llu %n", &id, &pos) == 1 && pos >= 0) {
        op->id = id;
        op->policy = APPEND;
        return pos;
    }
    return -1;
}

} // namespace

bool drawable_number(double v)
{
    return std::isfinite(v) && std::fabs(v) <= drawable_limit;
}

int set_draw_op(draw_op *op, const char *action, const char *data)
{
    note_tried(draw_commands);
    void *room = op->args;  // offered by the caller, or null
    op->args = nullptr;
    int pos = data != nullptr ? read_id_prefix(op, data) : -1;
    if (pos < 0)
        return 0;
    for (const draw_command &row : draw_commands) {
        if (!streq(action, row.action) || !row.parse(data + pos, room, &op->args))
            continue;
        op->kind = row.kind;
        return op->policy == APPEND && !row.redraw ? 1 : 2;
    }
    return 0;
}
