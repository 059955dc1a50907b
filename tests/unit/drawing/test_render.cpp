// Replaying the list: against the same cairo calls made directly, the
// anchored move, errors that stop a replay, transformations that accumulate.
#include "draw_test_util.h"
#include "ui_fixture.h"
#include <cairo-svg.h>
#include <glib/gstdio.h>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

const char *const area_ui = R"(<object class="GtkDrawingArea" id="area"/>)";

struct surface_deleter {
    void operator()(cairo_surface_t *s) const { cairo_surface_destroy(s); }
};
struct context_deleter {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
using surface_ptr = std::unique_ptr<cairo_surface_t, surface_deleter>;
using context_ptr = std::unique_ptr<cairo_t, context_deleter>;

// A 200 by 100 image and a context on it, for replays made by hand.
struct canvas {
    surface_ptr surface{cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 100)};
    context_ptr cr{cairo_create(surface.get())};

    int painted_pixels()
    {
        cairo_surface_flush(surface.get());
        const unsigned char *data = cairo_image_surface_get_data(surface.get());
        int stride = cairo_image_surface_get_stride(surface.get()), count = 0;
        for (int y = 0; y < 100; y++)
            for (int x = 0; x < 200; x++)
                count += data[y * stride + 4 * x + 3] != 0;
        return count;
    }
};

void run_all(ui_fixture &ui, const std::vector<std::string> &commands)
{
    for (const std::string &command : commands)
        ASSERT_FALSE(ui.refused("area:" + command)) << command;
}

// A scratch directory removed with everything in it.
struct scratch_dir {
    std::string path;
    scratch_dir()
    {
        char *made = g_dir_make_tmp("drawing-XXXXXX", nullptr);
        path = made;
        g_free(made);
    }
    ~scratch_dir()
    {
        std::string command = "rm -rf '" + path + "'";
        EXPECT_EQ(system(command.c_str()), 0);
    }
    std::string file(const char *name) const { return path + "/" + name; }
};

// Rasterises an SVG file one point to one pixel and loads the picture.
surface_ptr rasterise(const std::string &svg)
{
    std::string png = svg + ".png";
    std::string command = "rsvg-convert --dpi-x 72 --dpi-y 72 -o '" + png + "' '" + svg + "'";
    EXPECT_EQ(system(command.c_str()), 0) << command;
    return surface_ptr(cairo_image_surface_create_from_png(png.c_str()));
}

// Pixels whose channels differ by more than antialiasing noise.
int differing_pixels(cairo_surface_t *a, cairo_surface_t *b)
{
    int width = cairo_image_surface_get_width(a), height = cairo_image_surface_get_height(a);
    EXPECT_EQ(width, cairo_image_surface_get_width(b));
    EXPECT_EQ(height, cairo_image_surface_get_height(b));
    if (width != cairo_image_surface_get_width(b) || height != cairo_image_surface_get_height(b))
        return -1;
    const unsigned char *pa = cairo_image_surface_get_data(a), *pb = cairo_image_surface_get_data(b);
    int stride = cairo_image_surface_get_stride(a), count = 0;
    for (int y = 0; y < height; y++)
        for (int i = 0; i < 4 * width; i += 4) {
            bool differs = false;
            for (int c = 0; c < 4; c++)
                differs |= std::abs(pa[y * stride + i + c] - pb[y * stride + i + c]) > 8;
            count += differs;
        }
    return count;
}

TEST(render, snapshot_matches_same_cairo_calls)
{
    ui_fixture ui(R"(<object class="GtkOffscreenWindow" id="window"><child>
        <object class="GtkDrawingArea" id="area">
          <property name="width-request">200</property><property name="height-request">100</property>
        </object></child></object>)");
    auto *area = GTK_WIDGET(ui.obj("area"));
    g_signal_connect(area, "draw", G_CALLBACK(replay_draw_ops), nullptr);
    gtk_widget_show_all(GTK_WIDGET(ui.obj("window")));
    while (g_main_context_pending(nullptr))
        g_main_context_iteration(nullptr, FALSE);
    ASSERT_TRUE(gtk_widget_is_drawable(area));
    run_all(ui, {
        "set_source_rgba 1 rgba(0,0,255,0.8)", "set_line_width 1 4", "set_line_cap 1 round",
        "set_line_join 1 bevel", "move_to 1 10 10", "line_to 1 60 30", "rel_line_to 1 -20 40",
        "stroke 1", "set_dash 2 6 3", "move_to 2 70 10", "curve_to 2 90 0 110 80 130 20",
        "rel_curve_to 2 10 0 20 10 30 0", "stroke_preserve 2", "set_dash 3", "set_source_rgba 3 #c00",
        "arc 3 40 70 15 0 270", "close_path 3", "fill_preserve 3", "set_source_rgba 3 green",
        "stroke 3", "arc_negative 4 170 70 20 90 -90", "rectangle 4 120 50 30 30", "fill 4",
        "translate 5 150 10", "rotate 5 30", "scale 5 1.5 0.5", "rectangle 5 0 0 20 20", "fill 5",
        "transform 6", "transform 6 1 0 0.3 1 0 0", "set_source_rgba 6 black",
        "set_font_face 6 italic bold Sans", "set_font_size 6 14", "move_to 6 100 90",
        "rel_move_for 6 c wire", "show_text 6 wire", "rel_move_to 6 5 0", "show_text 6 !"});
    scratch_dir dir;
    std::string snapshot = dir.file("area.svg"), reference = dir.file("reference.svg");
    std::string line = "area:snapshot " + snapshot;
    command_data cmd{};
    cmd.obj = G_OBJECT(area);
    cmd.data = snapshot.data();
    cmd.cmd = line.data();
    cmd.type = GTK_TYPE_DRAWING_AREA;
    take_snapshot(&cmd);

    surface_ptr surface(cairo_svg_surface_create(reference.c_str(), 200, 100));
    cairo_t *cr = cairo_create(surface.get());
    auto rgba = [cr](const char *colour) {
        GdkRGBA c;
        gdk_rgba_parse(&c, colour);
        gdk_cairo_set_source_rgba(cr, &c);
    };
    rgba("rgba(0,0,255,0.8)"); cairo_set_line_width(cr, 4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND); cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
    cairo_move_to(cr, 10, 10); cairo_line_to(cr, 60, 30); cairo_rel_line_to(cr, -20, 40);
    cairo_stroke(cr);
    const double dashes[] = {6, 3};
    cairo_set_dash(cr, dashes, 2, 0); cairo_move_to(cr, 70, 10);
    cairo_curve_to(cr, 90, 0, 110, 80, 130, 20); cairo_rel_curve_to(cr, 10, 0, 20, 10, 30, 0);
    cairo_stroke_preserve(cr); cairo_set_dash(cr, nullptr, 0, 0); rgba("#c00");
    cairo_arc(cr, 40, 70, 15, 0, 270 * G_PI / 180); cairo_close_path(cr); cairo_fill_preserve(cr);
    rgba("green"); cairo_stroke(cr);
    cairo_arc_negative(cr, 170, 70, 20, G_PI / 2, -G_PI / 2); cairo_rectangle(cr, 120, 50, 30, 30);
    cairo_fill(cr);
    cairo_translate(cr, 150, 10); cairo_rotate(cr, 30 * G_PI / 180); cairo_scale(cr, 1.5, 0.5);
    cairo_rectangle(cr, 0, 0, 20, 20); cairo_fill(cr);
    cairo_identity_matrix(cr);
    cairo_matrix_t shear;
    cairo_matrix_init(&shear, 1, 0, 0.3, 1, 0, 0);
    cairo_transform(cr, &shear); rgba("black");
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 14); cairo_move_to(cr, 100, 90);
    cairo_text_extents_t e;
    cairo_text_extents(cr, "wire", &e);
    cairo_rel_move_to(cr, -e.width / 2, e.height / 2); cairo_show_text(cr, "wire");
    cairo_rel_move_to(cr, 5, 0); cairo_show_text(cr, "!");
    cairo_destroy(cr);
    surface.reset();

    surface_ptr ours = rasterise(snapshot), theirs = rasterise(reference);
    ASSERT_EQ(cairo_surface_status(ours.get()), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_surface_status(theirs.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(differing_pixels(ours.get(), theirs.get()), 0);
    canvas blank;
    EXPECT_GT(differing_pixels(theirs.get(), blank.surface.get()), 2000) << "the picture is not empty";
    gtk_widget_destroy(GTK_WIDGET(ui.obj("window")));
}

struct anchor_case {
    const char *anchor;
    double width_factor, height_factor;  // offset as parts of the text's width and height
};

std::ostream &operator<<(std::ostream &os, const anchor_case &c) { return os << c.anchor; }

class anchored_move_test : public testing::TestWithParam<anchor_case> {};

// The move lands the named point of the text's box on the starting point,
// measured with the font size in force when it is replayed.
TEST_P(anchored_move_test, moves_by_text_box)
{
    ui_fixture ui(area_ui);
    run_all(ui, {"set_font_size 1 20", "move_to 1 100 50",
                 std::string("rel_move_for 1 ") + GetParam().anchor + " Hello", "set_font_size 1 40"});
    canvas c;
    replay_draw_ops(GTK_WIDGET(ui.obj("area")), c.cr.get(), nullptr);
    canvas measure;
    cairo_set_font_size(measure.cr.get(), 20);
    cairo_text_extents_t e;
    cairo_text_extents(measure.cr.get(), "Hello", &e);
    ASSERT_GT(e.width, 10);
    ASSERT_GT(e.height, 5);
    double x, y;
    cairo_get_current_point(c.cr.get(), &x, &y);
    EXPECT_DOUBLE_EQ(x, 100 + GetParam().width_factor * e.width);
    EXPECT_DOUBLE_EQ(y, 50 + GetParam().height_factor * e.height);
}

INSTANTIATE_TEST_SUITE_P(render, anchored_move_test, testing::Values(
    anchor_case{"c", -0.5, 0.5}, anchor_case{"e", -1, 0.5}, anchor_case{"n", -0.5, 1},
    anchor_case{"ne", -1, 1}, anchor_case{"nw", 0, 1}, anchor_case{"s", -0.5, 0},
    anchor_case{"se", -1, 0}, anchor_case{"sw", 0, 0}, anchor_case{"w", 0, 0.5}));

struct stop_case {
    const char *name;
    const char *first;  // the operation replayed before the square is filled
    bool painted;
};

std::ostream &operator<<(std::ostream &os, const stop_case &c) { return os << c.name; }

class replay_stop_test : public testing::TestWithParam<stop_case> {};

// A relative operation without a current point puts the context in error,
// and nothing after it paints in that replay.
TEST_P(replay_stop_test, relative_operation_needs_current_point)
{
    ui_fixture ui(area_ui);
    run_all(ui, {GetParam().first, "set_source_rgba 2 black", "rectangle 2 10 10 50 50", "fill 2"});
    canvas c;
    replay_draw_ops(GTK_WIDGET(ui.obj("area")), c.cr.get(), nullptr);
    EXPECT_EQ(c.painted_pixels() > 0, GetParam().painted);
    EXPECT_EQ(cairo_status(c.cr.get()),
              GetParam().painted ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_NO_CURRENT_POINT);
}

INSTANTIATE_TEST_SUITE_P(render, replay_stop_test, testing::Values(
    stop_case{"rel_line_to", "rel_line_to 1 5 5", false},
    stop_case{"rel_move_to", "rel_move_to 1 5 5", false},
    stop_case{"rel_curve_to", "rel_curve_to 1 1 2 3 4 5 6", false},
    stop_case{"rel_move_for", "rel_move_for 1 c text", false},
    stop_case{"after_move_to", "move_to 1 0 0", true}));

TEST(render, relative_curve_ends_at_sum)
{
    ui_fixture ui(area_ui);
    run_all(ui, {"move_to 1 100 100", "rel_curve_to 1 10 0 20 10 30 0"});
    canvas c;
    replay_draw_ops(GTK_WIDGET(ui.obj("area")), c.cr.get(), nullptr);
    double x, y;
    cairo_get_current_point(c.cr.get(), &x, &y);
    EXPECT_EQ(x, 130);
    EXPECT_EQ(y, 100);
}

struct transform_case {
    const char *name;
    std::vector<std::string> commands;
    const char *matrix;  // xx yx xy yy x0 y0 after the replay
};

std::ostream &operator<<(std::ostream &os, const transform_case &c) { return os << c.name; }

class transform_test : public testing::TestWithParam<transform_case> {};

// The context arrives already translated by (7, 7), as GTK's may be.
TEST_P(transform_test, accumulates_in_list_order)
{
    ui_fixture ui(area_ui);
    run_all(ui, GetParam().commands);
    canvas c;
    cairo_translate(c.cr.get(), 7, 7);
    replay_draw_ops(GTK_WIDGET(ui.obj("area")), c.cr.get(), nullptr);
    cairo_matrix_t m;
    cairo_get_matrix(c.cr.get(), &m);
    EXPECT_EQ(numbers_text(m.xx, m.yx, m.xy, m.yy, m.x0, m.y0), GetParam().matrix);
}

INSTANTIATE_TEST_SUITE_P(render, transform_test, testing::Values(
    transform_case{"none", {"line_to 1 0 0"}, "1 0 0 1 7 7"},
    transform_case{"two_translations", {"translate 1 10 10", "translate 2 10 10"}, "1 0 0 1 27 27"},
    transform_case{"reset_between", {"translate 1 10 10", "transform 2", "translate 3 10 10"},
                   "1 0 0 1 17 17"},
    // A reset returns to the widget's own place, not the window's corner.
    transform_case{"reset_keeps_context", {"scale 1 3 3", "transform 1"}, "1 0 0 1 7 7"},
    transform_case{"matrix", {"transform 1 1 0 0 1 5 5"}, "1 0 0 1 12 12"},
    transform_case{"scale_then_translate", {"scale 1 2 3", "translate 2 1 1"}, "2 0 0 3 9 10"},
    transform_case{"rotate", {"rotate 1 90"}, "0 1 -1 0 7 7"},
    transform_case{"inserted_before", {"translate 1 10 0", "scale 2<1 2 2"}, "2 0 0 2 27 7"}));

} // namespace

namespace {

// Transformations that pile up must not let an arc grow so large in device
// space that cairo spends minutes on it (this replay took longer than the
// test's time limit before): such an arc is drawn through its end points.
TEST(render, arc_scaled_beyond_drawable_ends_quickly)
{
    ui_fixture ui(area_ui);
    run_all(ui, {"scale 1 1e7 1e7", "scale 1 1e7 1e7", "scale 1 1e7 1e7", "scale 1 1e7 1e7",
                 "scale 1 1e7 1e7", "move_to 1 0 0", "arc 1 0 0 10 0 90",
                 "arc_negative 1 0 0 10 0 -180", "stroke 1"});
    canvas c;
    replay_draw_ops(GTK_WIDGET(ui.obj("area")), c.cr.get(), nullptr);
    EXPECT_EQ(cairo_status(c.cr.get()), CAIRO_STATUS_SUCCESS);
}

// An arc of drawable size is still cairo's own, however it was scaled.
TEST(render, arc_within_drawable_is_cairos)
{
    ui_fixture ui(area_ui);
    run_all(ui, {"scale 1 1e3 1e3", "arc 1 0 0 1e4 0 90"});
    canvas ours, theirs;
    replay_draw_ops(GTK_WIDGET(ui.obj("area")), ours.cr.get(), nullptr);
    cairo_scale(theirs.cr.get(), 1e3, 1e3);
    cairo_arc(theirs.cr.get(), 0, 0, 1e4, 0, G_PI / 2);
    auto path_size = [](cairo_t *cr) {
        cairo_path_t *path = cairo_copy_path(cr);
        int n = path->num_data;
        cairo_path_destroy(path);
        return n;
    };
    EXPECT_GT(path_size(ours.cr.get()), 8) << "an arc, not two lines";
    EXPECT_EQ(path_size(ours.cr.get()), path_size(theirs.cr.get()));
}

} // namespace
