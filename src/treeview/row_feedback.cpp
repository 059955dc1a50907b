// Rows leave the system cell by cell in one text form: as selection and
// cell-edit feedback, and as "set" commands in saved files.
#include "treeview/treeview_internal.h"
#include "treeview/treeview.h"
#include "feedback/feedback.h"

#include <cinttypes>

namespace {

// The formatted part of one cell: " column value", or " column " before a
// string that follows as a payload string of its own.
struct cell_format {
    GType type;
    int (*format)(char *buf, size_t size, int column, const GValue *value);
};

constexpr cell_format cell_formats[] = {
    {G_TYPE_BOOLEAN, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %d", c, g_value_get_boolean(v) ? 1 : 0); }},
    {G_TYPE_INT, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %d", c, g_value_get_int(v)); }},
    {G_TYPE_UINT, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %u", c, g_value_get_uint(v)); }},
    {G_TYPE_LONG, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %ld", c, g_value_get_long(v)); }},
    {G_TYPE_ULONG, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %lu", c, g_value_get_ulong(v)); }},
    {G_TYPE_INT64, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %" PRId64, c, static_cast<int64_t>(g_value_get_int64(v))); }},
    {G_TYPE_UINT64, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %" PRIu64, c, static_cast<uint64_t>(g_value_get_uint64(v))); }},
    {G_TYPE_FLOAT, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %f", c, static_cast<double>(g_value_get_float(v))); }},
    {G_TYPE_DOUBLE, [](char *b, size_t s, int c, const GValue *v) {
         return snprintf(b, s, " %d %f", c, g_value_get_double(v)); }},
    {G_TYPE_STRING, [](char *b, size_t s, int c, const GValue *) {
         return snprintf(b, s, " %d ", c); }},
};

const cell_format *format_of(GType type)
{
    for (const cell_format &row : cell_formats)
        if (row.type == G_TYPE_FUNDAMENTAL(type))
            return &row;
    return nullptr;
}

// A saved file holds "set" commands where feedback would name the type.
void write_set_command(FILE *out, GObject *obj, const char *,
                       std::initializer_list<const char *> payload)
{
    vsend_feedback(out, obj, "set", payload);
}

}  // namespace

void send_tree_cell(line_writer writer, const char *path_text, GtkTreeIter *iter, int column,
                    const cell_link &cells)
{
    c_numeric_scope numbers_with_full_stop;
    GtkTreeModel *model = cells.model;
    g_auto(GValue) cell = G_VALUE_INIT;
    gtk_tree_model_get_value(model, iter, column, &cell);
    GType type = gtk_tree_model_get_column_type(model, column);
    const cell_format *row = format_of(type);
    if (row == nullptr) {
        tell_unsupported_column(column, G_VALUE_TYPE(&cell));
        return;
    }
    char formatted[256];
    row->format(formatted, sizeof formatted, column, &cell);
    const char *text = row->type == G_TYPE_STRING ? g_value_get_string(&cell) : nullptr;
    writer(cells.out, cells.view, g_type_name(row->type), {path_text, formatted, text});
}

namespace {

void send_tree_row(line_writer writer, const char *path_text, GtkTreeIter *iter,
                   const cell_link &cells)
{
    int columns = gtk_tree_model_get_n_columns(cells.model);
    for (int column = 0; column < columns; column++)
        send_tree_cell(writer, path_text, iter, column, cells);
}

void send_selected_row(GtkTreeModel *, GtkTreePath *path, GtkTreeIter *iter, gpointer data)
{
    g_autofree gchar *path_text = gtk_tree_path_to_string(path);
    send_tree_row(vsend_feedback, path_text, iter, *static_cast<cell_link *>(data));
}

}  // namespace

gboolean save_tree_row(GtkTreeModel *, GtkTreePath *path, GtkTreeIter *iter, gpointer data)
{
    g_autofree gchar *path_text = gtk_tree_path_to_string(path);
    send_tree_row(write_set_command, path_text, iter, *static_cast<cell_link *>(data));
    return FALSE;
}

// The selection walks the model of its view, so the rows' link names that.
void send_tree_selection(GtkTreeSelection *selection, feedback_link *ar)
{
    GtkTreeView *view = gtk_tree_selection_get_tree_view(selection);
    send_feedback(ar->out, G_OBJECT(view), ar->tag);
    cell_link rows = {.out = ar->out, .view = G_OBJECT(view),
                      .model = gtk_tree_view_get_model(view)};
    gtk_tree_selection_selected_foreach(selection, send_selected_row, &rows);
}
