// The draw keywords: each row reads a command's arguments into a record and
// names the cairo call that replays it. The data begins with the id prefix
// that says where the operation goes.
#include "drawing/draw_op.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>

namespace {

// What the rows name; each is defined below, its replay beside its reader.
parse_fn parse_blank, parse_arc, parse_show_text, parse_move_for, parse_dash, parse_font_face,
    parse_line_cap, parse_line_join, parse_rgba, parse_transform, parse_translate, parse_scale,
    parse_rotate;
template <typename R, size_t N> parse_fn parse_numbers;
replay_fn replay_show_text, replay_move_for, replay_dash, replay_font_face, replay_line_cap,
    replay_line_join, replay_rgba, replay_transform, replay_rectangle;
template <void (*call)(cairo_t *)> replay_fn replay_plain;
template <void (*call)(cairo_t *, double)> replay_fn replay_number;
template <void (*call)(cairo_t *, double, double)> replay_fn replay_point;
template <void (*call)(cairo_t *, double, double, double, double, double)> replay_fn replay_arc;
template <void (*call)(cairo_t *, double, double, double, double, double, double)> replay_fn replay_curve;

} // namespace

// Tried top to bottom: the first row whose keyword is the action and whose
// arguments read wins, so "transform" falls back to its blank form.
constexpr draw_command draw_commands[] = {
    {.action = "line_to",         .parse = parse_numbers<point_args, 2>,     .replay = replay_point<cairo_line_to>,          .redraw = false, .form = "ID X Y"},
    {.action = "rel_line_to",     .parse = parse_numbers<point_args, 2>,     .replay = replay_point<cairo_rel_line_to>,      .redraw = false, .form = "ID DX DY"},
    {.action = "move_to",         .parse = parse_numbers<point_args, 2>,     .replay = replay_point<cairo_move_to>,          .redraw = false, .form = "ID X Y"},
    {.action = "rel_move_to",     .parse = parse_numbers<point_args, 2>,     .replay = replay_point<cairo_rel_move_to>,      .redraw = false, .form = "ID DX DY"},
    {.action = "arc",             .parse = parse_arc,                        .replay = replay_arc<cairo_arc>,                .redraw = false, .form = "ID X Y RADIUS ANGLE1 ANGLE2"},
    {.action = "arc_negative",    .parse = parse_arc,                        .replay = replay_arc<cairo_arc_negative>,       .redraw = false, .form = "ID X Y RADIUS ANGLE1 ANGLE2"},
    {.action = "curve_to",        .parse = parse_numbers<curve_args, 6>,     .replay = replay_curve<cairo_curve_to>,         .redraw = false, .form = "ID X1 Y1 X2 Y2 X3 Y3"},
    {.action = "rel_curve_to",    .parse = parse_numbers<curve_args, 6>,     .replay = replay_curve<cairo_rel_curve_to>,     .redraw = false, .form = "ID DX1 DY1 DX2 DY2 DX3 DY3"},
    {.action = "rectangle",       .parse = parse_numbers<rectangle_args, 4>, .replay = replay_rectangle,                     .redraw = false, .form = "ID X Y WIDTH HEIGHT"},
    {.action = "close_path",      .parse = parse_blank,                      .replay = replay_plain<cairo_close_path>,       .redraw = false, .form = "ID"},
    {.action = "show_text",       .parse = parse_show_text,                  .replay = replay_show_text,                     .redraw = true,  .form = "ID TEXT"},
    {.action = "rel_move_for",    .parse = parse_move_for,                   .replay = replay_move_for,                      .redraw = false, .form = "ID c|e|n|ne|nw|s|se|sw|w TEXT"},
    {.action = "stroke",          .parse = parse_blank,                      .replay = replay_plain<cairo_stroke>,           .redraw = true,  .form = "ID"},
    {.action = "stroke_preserve", .parse = parse_blank,                      .replay = replay_plain<cairo_stroke_preserve>,  .redraw = true,  .form = "ID"},
    {.action = "fill",            .parse = parse_blank,                      .replay = replay_plain<cairo_fill>,             .redraw = true,  .form = "ID"},
    {.action = "fill_preserve",   .parse = parse_blank,                      .replay = replay_plain<cairo_fill_preserve>,    .redraw = true,  .form = "ID"},
    {.action = "set_dash",        .parse = parse_dash,                       .replay = replay_dash,                          .redraw = false, .form = "ID [LENGTH...]"},
    {.action = "set_font_face",   .parse = parse_font_face,                  .replay = replay_font_face,                     .redraw = false, .form = "ID normal|italic|oblique normal|bold FAMILY"},
    {.action = "set_font_size",   .parse = parse_numbers<size_args, 1>,      .replay = replay_number<cairo_set_font_size>,   .redraw = false, .form = "ID SIZE"},
    {.action = "set_line_cap",    .parse = parse_line_cap,                   .replay = replay_line_cap,                      .redraw = false, .form = "ID butt|round|square"},
    {.action = "set_line_join",   .parse = parse_line_join,                  .replay = replay_line_join,                     .redraw = false, .form = "ID miter|round|bevel"},
    {.action = "set_line_width",  .parse = parse_numbers<width_args, 1>,     .replay = replay_number<cairo_set_line_width>,  .redraw = false, .form = "ID WIDTH"},
    {.action = "set_source_rgba", .parse = parse_rgba,                       .replay = replay_rgba,                          .redraw = false, .form = "ID COLOR"},
    {.action = "transform",       .parse = parse_transform,                  .replay = replay_transform,                     .redraw = false, .form = "ID XX YX XY YY X0 Y0"},
    {.action = "transform",       .parse = parse_blank,                      .replay = reset_transform,                      .redraw = false, .form = "ID"},
    {.action = "translate",       .parse = parse_translate,                  .replay = replay_transform,                     .redraw = false, .form = "ID DX DY"},
    {.action = "scale",           .parse = parse_scale,                      .replay = replay_transform,                     .redraw = false, .form = "ID SX SY"},
    {.action = "rotate",          .parse = parse_rotate,                     .replay = replay_transform,                     .redraw = false, .form = "ID ANGLE"},
};
constexpr size_t draw_command_count = std::size(draw_commands);

namespace {

void *new_record(void *room, size_t size, size_t extra = 0)
{
    if (room != nullptr && size + extra <= draw_op_room)
        return memset(room, 0, size + extra);
    void *record = calloc(1, size + extra);
    if (record == nullptr)
        OOM_ABORT();
    return record;
}

template <typename R>
const R &arg(const void *args)
{
    return *static_cast<const R *>(args);
}

// Larger magnitudes lie far outside anything cairo can draw (its device
// coordinates end near 8.4 million) and make it loop for seconds on arcs.
constexpr double drawable_limit = 1e7;

bool drawable_number(double v)
{
    return std::isfinite(v) && std::fabs(v) <= drawable_limit;
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

// A copy of text placed right behind a record of the given size.
char *copy_behind(void *record, size_t size, const char *text)
{
    return strcpy(static_cast<char *>(record) + size, text);
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

// Operations without arguments: painting, closing the path.
bool parse_blank(const char *args, void *, void **)
{
    return is_blank(args);
}

template <void (*call)(cairo_t *)>
void replay_plain(cairo_t *cr, const void *)
{
    call(cr);
}

// Operations whose record is a row of numbers.
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

template <void (*call)(cairo_t *, double)>
void replay_number(cairo_t *cr, const void *args)
{
    call(cr, arg<double>(args));
}

template <void (*call)(cairo_t *, double, double)>
void replay_point(cairo_t *cr, const void *args)
{
    const auto &p = arg<point_args>(args);
    call(cr, p.x, p.y);
}

template <void (*call)(cairo_t *, double, double, double, double, double, double)>
void replay_curve(cairo_t *cr, const void *args)
{
    const auto &c = arg<curve_args>(args);
    call(cr, c.x1, c.y1, c.x2, c.y2, c.x3, c.y3);
}

void replay_rectangle(cairo_t *cr, const void *args)
{
    const auto &r = arg<rectangle_args>(args);
    cairo_rectangle(cr, r.x, r.y, r.width, r.height);
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

// Such an arc becomes the lines to its start and end points, which keeps the
// rest of the path where the arc would have left it.
template <void (*call)(cairo_t *, double, double, double, double, double)>
void replay_arc(cairo_t *cr, const void *args)
{
    const auto &r = arg<arc_args>(args);
    if (!arc_too_large(cr, r.radius)) {
        call(cr, r.x, r.y, r.radius, r.angle1, r.angle2);
        return;
    }
    cairo_line_to(cr, r.x + r.radius * std::cos(r.angle1), r.y + r.radius * std::sin(r.angle1));
    cairo_line_to(cr, r.x + r.radius * std::cos(r.angle2), r.y + r.radius * std::sin(r.angle2));
}

bool parse_show_text(const char *args, void *room, void **record)
{
    if (!valid_text(args))
        return false;
    *record = new_record(room, 0, strlen(args) + 1);
    copy_behind(*record, 0, args);
    return true;
}

void replay_show_text(cairo_t *cr, const void *args)
{
    cairo_show_text(cr, static_cast<const char *>(args));
}

// The anchors of "rel_move_for" in code order, with the offset each one
// applies as a fraction of the text's width and height.
struct anchor_row {
    const char *name;
    double width_factor, height_factor;
};
constexpr anchor_row anchors[] = {
    {"c", -0.5, 0.5}, {"e", -1.0, 0.5}, {"n", -0.5, 1.0}, {"ne", -1.0, 1.0}, {"nw", 0.0, 1.0},
    {"s", -0.5, 0.0}, {"se", -1.0, 0.0}, {"sw", 0.0, 0.0}, {"w", 0.0, 0.5},
};
constexpr int anchor_count = std::size(anchors);

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

// Moves the current point so that the text shown next puts the named point
// of its box (measured with the font in force now) where the move started.
void replay_move_for(cairo_t *cr, const void *args)
{
    const auto &a = arg<move_for_args>(args);
    if (a.anchor < 0 || a.anchor >= anchor_count)
        ASSUMPTION_ABORT();
    cairo_text_extents_t extents;
    cairo_text_extents(cr, a.text, &extents);
    const anchor_row &anchor = anchors[a.anchor];
    cairo_rel_move_to(cr, anchor.width_factor * extents.width,
                      anchor.height_factor * extents.height);
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

void replay_dash(cairo_t *cr, const void *args)
{
    const auto &d = arg<dash_args>(args);
    cairo_set_dash(cr, d.dashes, d.count, 0.0);
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

void replay_font_face(cairo_t *cr, const void *args)
{
    const auto &f = arg<font_face_args>(args);
    cairo_select_font_face(cr, f.family, static_cast<cairo_font_slant_t>(f.slant),
                           static_cast<cairo_font_weight_t>(f.weight));
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

void replay_line_cap(cairo_t *cr, const void *args)
{
    cairo_set_line_cap(cr, static_cast<cairo_line_cap_t>(arg<line_cap_args>(args).cap));
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

void replay_line_join(cairo_t *cr, const void *args)
{
    cairo_set_line_join(cr, static_cast<cairo_line_join_t>(arg<line_join_args>(args).join));
}

bool parse_rgba(const char *args, void *room, void **record)
{
    GdkRGBA colour;
    if (!gdk_rgba_parse(&colour, args))
        return false;
    *record = new (new_record(room, sizeof(GdkRGBA))) GdkRGBA(colour);
    return true;
}

void replay_rgba(cairo_t *cr, const void *args)
{
    gdk_cairo_set_source_rgba(cr, &arg<GdkRGBA>(args));
}

// Transformations: every form is stored as the matrix that it multiplies
// onto the context, so that they accumulate in list order.
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

void replay_transform(cairo_t *cr, const void *args)
{
    cairo_transform(cr, &arg<cairo_matrix_t>(args));
}

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

int set_draw_op(draw_op *op, const char *action, const char *data)
{
    note_tried(draw_commands);
    void *room = op->args;  // offered by the caller, or null
    op->args = nullptr;
    int pos = data != nullptr ? read_id_prefix(op, data) : -1;
    if (pos < 0)
        return 0;
    for (size_t kind = 0; kind < draw_command_count; kind++) {
        const draw_command &row = draw_commands[kind];
        if (!streq(action, row.action) || !row.parse(data + pos, room, &op->args))
            continue;
        op->kind = static_cast<draw_op_kind>(kind);
        return op->policy == APPEND && !row.redraw ? 1 : 2;
    }
    return 0;
}
