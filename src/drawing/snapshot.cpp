// Writes a widget, as GTK draws it, into a vector file chosen by suffix.
#include "drawing/drawing.h"
#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <algorithm>

namespace {

cairo_surface_t *eps_surface(cairo_write_func_t write, void *closure, double width,
                             double height);

struct snapshot_format {
    const char *suffix;
    cairo_surface_t *(*create)(cairo_write_func_t write, void *closure, double width,
                               double height);
};

// Tested in this order, so ".epsf" is seen before ".eps".
constexpr snapshot_format snapshot_formats[] = {
    {.suffix = ".epsf", .create = eps_surface},
    {.suffix = ".eps", .create = eps_surface},
    {.suffix = ".pdf", .create = cairo_pdf_surface_create_for_stream},
    {.suffix = ".ps", .create = cairo_ps_surface_create_for_stream},
    {.suffix = ".svg", .create = cairo_svg_surface_create_for_stream},
};

// Encapsulated PostScript: PostScript that says it is one picture.
cairo_surface_t *eps_surface(cairo_write_func_t write, void *closure, double width,
                             double height)
{
    cairo_surface_t *surface = cairo_ps_surface_create_for_stream(write, closure, width, height);
    cairo_ps_surface_set_eps(surface, TRUE);
    return surface;
}

// Cairo's surfaces write through this into the saved file, so that the file
// is replaced only when the whole drawing is in it.
cairo_status_t write_to_stream(void *closure, const unsigned char *data, unsigned int length)
{
    return fwrite(data, 1, length, static_cast<FILE *>(closure)) == length
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// True when the whole drawing reached the file.
bool draw_into(GtkWidget *widget, const snapshot_format &format, FILE *stream)
{
    cairo_surface_t *surface =
        format.create(write_to_stream, stream, gtk_widget_get_allocated_width(widget),
                      gtk_widget_get_allocated_height(widget));
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_t *cr = cairo_create(surface);
        gtk_widget_draw(widget, cr);
        cairo_destroy(cr);
    }
    cairo_surface_finish(surface);
    bool drawn = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return drawn;
}

// A widget whose size changed since the last frame has not been laid out
// again yet, and drawing it then breaks the toolkit's own rule: it is given
// its place once more now, at least at its minimum size.
bool ensure_allocated(GtkWidget *widget)
{
    GtkRequisition minimum;
    GtkAllocation allocation;
    gtk_widget_get_preferred_size(widget, &minimum, nullptr);
    gtk_widget_get_allocation(widget, &allocation);
    allocation.width = std::max(allocation.width, minimum.width);
    allocation.height = std::max(allocation.height, minimum.height);
    if (allocation.width > max_widget_size || allocation.height > max_widget_size)
        return refuse_because("the widget is larger than %d pixels", max_widget_size);
    gtk_widget_size_allocate(widget, &allocation);
    return true;
}

} // namespace

// A file that cannot be created or written completely is refused, and a
// file of that name that was there before stays as it was.
bool take_snapshot(command_data *cmd)
{
    auto *widget = GTK_WIDGET(cmd->obj);
    if (!gtk_widget_is_drawable(widget))
        return refuse_because("the widget is not shown");
    for (const snapshot_format &format : snapshot_formats) {
        if (!g_str_has_suffix(cmd->data, format.suffix))
            continue;
        if (!ensure_allocated(widget))
            return false;
        saved_file file(cmd->data);
        if (file.stream == nullptr)
            return refuse_because("cannot open the file: %s", g_strerror(file.error));
        if (!draw_into(widget, format, file.stream) && file.error == 0)
            return refuse_because("cairo could not draw the widget");
        if (!commit_saved_file(file))
            return refuse_because("cannot write the file: %s", g_strerror(file.error));
        return true;
    }
    return false;
}
