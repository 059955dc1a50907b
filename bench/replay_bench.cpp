// Measures what replaying a drawing area's list costs beyond the cairo calls
// themselves, and that filling the list grows linearly with its length.
#include "drawing/draw_op.h"
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr int frame_ops = 100000;
constexpr int width = 800, height = 600;
constexpr int rounds = 10;

// One short stroked polyline of ten operations: colour, start, six segments,
// width, stroke; short so that cairo's own work does not hide the replay's.
struct block {
    double red, green, blue;
    double x, y;
    double points[6][2];
    bool relative[6];
    double line_width;
};

std::vector<block> make_blocks(int count)
{
    std::vector<block> blocks(count);
    unsigned seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % range);
    };
    for (block &b : blocks) {
        b = {next(256) / 255, next(256) / 255, next(256) / 255, next(width), next(height), {}, {}, 1 + next(4)};
        for (int i = 0; i < 6; i++) {
            b.relative[i] = i % 2 == 1;
            b.points[i][0] = next(41) - 20 + (b.relative[i] ? 0 : b.x);
            b.points[i][1] = next(41) - 20 + (b.relative[i] ? 0 : b.y);
        }
    }
    return blocks;
}

// The same frame as draw commands, in the client's words.
std::vector<std::pair<std::string, std::string>> make_commands(const std::vector<block> &blocks)
{
    std::vector<std::pair<std::string, std::string>> commands;
    char data[128];
    int id = 0;
    for (const block &b : blocks) {
        snprintf(data, sizeof data, "%d rgb(%d,%d,%d)", id, int(b.red * 255 + 0.5), int(b.green * 255 + 0.5),
                 int(b.blue * 255 + 0.5));
        commands.emplace_back("set_source_rgba", data);
        snprintf(data, sizeof data, "%d %g %g", id, b.x, b.y);
        commands.emplace_back("move_to", data);
        for (int i = 0; i < 6; i++) {
            snprintf(data, sizeof data, "%d %g %g", id, b.points[i][0], b.points[i][1]);
            commands.emplace_back(b.relative[i] ? "rel_line_to" : "line_to", data);
        }
        snprintf(data, sizeof data, "%d %g", id, b.line_width);
        commands.emplace_back("set_line_width", data);
        snprintf(data, sizeof data, "%d", id++);
        commands.emplace_back("stroke", data);
    }
    return commands;
}

void draw_directly(cairo_t *cr, const std::vector<block> &blocks)
{
    for (const block &b : blocks) {
        cairo_set_source_rgba(cr, b.red, b.green, b.blue, 1.0);
        cairo_move_to(cr, b.x, b.y);
        for (int i = 0; i < 6; i++) {
            if (b.relative[i])
                cairo_rel_line_to(cr, b.points[i][0], b.points[i][1]);
            else
                cairo_line_to(cr, b.points[i][0], b.points[i][1]);
        }
        cairo_set_line_width(cr, b.line_width);
        cairo_stroke(cr);
    }
}

// Processor time of this thread, which other processes on the machine disturb less than the clock.
double cpu_seconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Seconds for one frame painted on a cleared surface by a fresh context, as
// GTK hands one to a drawing area.
template <typename F>
double time_frame(cairo_surface_t *surface, F paint)
{
    cairo_t *cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cr = cairo_create(surface);
    double start = cpu_seconds();
    paint(cr);
    cairo_surface_flush(surface);
    double t = cpu_seconds() - start;
    cairo_destroy(cr);
    return t;
}

// The fastest round: on a shared machine the others measure the neighbours.
double best(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

// Processor seconds to append count "line_to" operations to a new drawing area.
double time_appends(int count)
{
    GtkWidget *area = gtk_drawing_area_new();
    g_object_ref_sink(area);
    char data[64];
    double start = cpu_seconds();
    for (int i = 0; i < count; i++) {
        snprintf(data, sizeof data, "%d %d %d", i, i % width, i % height);
        ins_draw_op(area, "line_to", data);
    }
    double t = cpu_seconds() - start;
    g_object_unref(area);
    return t;
}

double best_appends(int count)
{
    std::vector<double> times;
    for (int r = 0; r < 5; r++)
        times.push_back(time_appends(count));
    return best(times);
}

} // namespace

int main(int argc, char **argv)
{
    if (!gtk_init_check(&argc, &argv)) {
        fprintf(stderr, "replay_bench: no display (run it under scripts/with-xvfb.sh)\n");
        return 1;
    }
    c_numeric_scope c_numbers;
    std::vector<block> blocks = make_blocks(frame_ops / 10);
    GtkWidget *area = gtk_drawing_area_new();
    g_object_ref_sink(area);
    for (const auto &[action, data] : make_commands(blocks))
        if (ins_draw_op(area, action.c_str(), data.c_str()) == 0)
            fprintf(stderr, "replay_bench: refused %s %s\n", action.c_str(), data.c_str());

    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    std::vector<double> direct, replayed;
    auto direct_frame = [&] { direct.push_back(time_frame(surface, [&](cairo_t *cr) { draw_directly(cr, blocks); })); };
    auto replay_frame = [&] {
        replayed.push_back(time_frame(surface, [&](cairo_t *cr) { replay_draw_ops(area, cr, nullptr); }));
    };
    // Alternating which goes first keeps warm caches from favouring either.
    for (int r = 0; r < rounds; r++) {
        if (r % 2 == 0) {
            direct_frame();
            replay_frame();
        } else {
            replay_frame();
            direct_frame();
        }
    }
    double d = best(direct), p = best(replayed);
    printf("frame of %d operations, processor time, best of %d rounds on a %dx%d image\n", frame_ops, rounds, width, height);
    printf("  cairo calls made directly: %8.2f ms\n", d * 1e3);
    printf("  replay of the draw list:   %8.2f ms\n", p * 1e3);
    printf("  ratio replay/direct:       %8.3f (limit 1.2)\n", p / d);

    double half = best_appends(frame_ops / 2), full = best_appends(frame_ops);
    printf("appending line_to operations to an empty list, processor time, best of 5\n");
    printf("  %6d operations: %8.2f ms\n", frame_ops / 2, half * 1e3);
    printf("  %6d operations: %8.2f ms (ratio %.2f; 2 is linear, 4 quadratic)\n", frame_ops, full * 1e3,
           full / half);

    cairo_surface_destroy(surface);
    g_object_unref(area);
    return 0;
}
