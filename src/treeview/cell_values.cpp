// Cell values from text by the column's type, and the rows a path needs.
#include "treeview/treeview_internal.h"

#include <vector>

namespace {

// The number is read as a signed 64-bit integer, then converted to the
// column's own width and signedness.
struct integer_column {
    GType type;
    void (*set)(GValue *value, long long number);
};

constexpr integer_column integer_columns[] = {
    {G_TYPE_BOOLEAN, [](GValue *v, long long n) { g_value_set_boolean(v, n != 0); }},
    {G_TYPE_INT, [](GValue *v, long long n) { g_value_set_int(v, static_cast<gint>(n)); }},
    {G_TYPE_UINT, [](GValue *v, long long n) { g_value_set_uint(v, static_cast<guint>(n)); }},
    {G_TYPE_LONG, [](GValue *v, long long n) { g_value_set_long(v, static_cast<glong>(n)); }},
    {G_TYPE_ULONG, [](GValue *v, long long n) { g_value_set_ulong(v, static_cast<gulong>(n)); }},
    {G_TYPE_INT64, [](GValue *v, long long n) { g_value_set_int64(v, n); }},
    {G_TYPE_UINT64, [](GValue *v, long long n) { g_value_set_uint64(v, static_cast<guint64>(n)); }},
};

struct floating_column {
    GType type;
    void (*set)(GValue *value, double number);
};

constexpr floating_column floating_columns[] = {
    {G_TYPE_FLOAT, [](GValue *v, double d) { g_value_set_float(v, static_cast<gfloat>(d)); }},
    {G_TYPE_DOUBLE, [](GValue *v, double d) { g_value_set_double(v, d); }},
};

enum class conversion { stored, refused, unsupported };

conversion value_from_text(GType type, const char *text, GValue *value)
{
    GType fundamental = G_TYPE_FUNDAMENTAL(type);
    for (const integer_column &row : integer_columns) {
        long long number;
        if (row.type != fundamental)
            continue;
        if (!scan_exact(text, "%lld %c", &number))
            return conversion::refused;
        row.set(g_value_init(value, fundamental), number);
        return conversion::stored;
    }
    for (const floating_column &row : floating_columns) {
        double number;
        if (row.type != fundamental)
            continue;
        if (!scan_exact(text, "%lf %c", &number))
            return conversion::refused;
        row.set(g_value_init(value, fundamental), number);
        return conversion::stored;
    }
    if (fundamental == G_TYPE_STRING) {
        g_value_set_string(g_value_init(value, G_TYPE_STRING), text);
        return conversion::stored;
    }
    return conversion::unsupported;
}

// A list store has no children, so only single indices name its rows.
bool path_fits_model(GtkTreeModel *model, GtkTreePath *path)
{
    int depth = gtk_tree_path_get_depth(path);
    return depth > 0 && (depth == 1 || !GTK_IS_LIST_STORE(model));
}

// Rows still to be made in front of a wanted row that was just made.
struct pending_fillers {
    GtkTreeIter parent, behind;
    bool has_parent, has_behind;
    int missing;
};

// Finds the index-th child of parent (a top-level row without parent), or
// makes it right behind the existing siblings and notes the rows missing in
// front of it.
bool find_or_make_child(GtkTreeModel *model, GtkTreeIter *parent, int index, GtkTreeIter *iter,
                        pending_fillers &fill)
{
    int count = gtk_tree_model_iter_n_children(model, parent);
    if (index < count) {
        gtk_tree_model_iter_nth_child(model, iter, parent, index);
        return false;
    }
    fill = {.parent = {}, .behind = {}, .has_parent = parent != nullptr, .has_behind = false,
            .missing = index - count};
    if (parent != nullptr)
        fill.parent = *parent;
    fill.has_behind = count > 0 && gtk_tree_model_iter_nth_child(model, &fill.behind, parent,
                                                                 count - 1);
    // Inserting after no row makes the first one.
    tree_model_insert_after(model, iter, parent, fill.has_behind ? &fill.behind : nullptr);
    return true;
}

}  // namespace

// The toolkit reckons each new row's path by walking, on every level, the
// siblings in front of it and of each ancestor. So the wanted rows are made
// first, each right behind the siblings that already exist, and the empty
// rows in front of them afterwards, deepest level first: every walk then
// passes only rows that existed before the command, where filling the
// levels top-down would walk each level's new rows once per row below.
bool ensure_tree_row(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter)
{
    if (!path_fits_model(model, path))
        return false;
    int depth;
    int *indices = gtk_tree_path_get_indices_with_depth(path, &depth);
    std::vector<pending_fillers> fill;
    GtkTreeIter parent;
    for (int level = 0; level < depth; level++) {
        pending_fillers made;
        if (find_or_make_child(model, level > 0 ? &parent : nullptr, indices[level], iter, made))
            fill.push_back(made);
        parent = *iter;
    }
    for (auto it = fill.rbegin(); it != fill.rend(); ++it)
        for (int i = 0; i < it->missing; i++) {
            GtkTreeIter filler;
            tree_model_insert_after(model, &filler, it->has_parent ? &it->parent : nullptr,
                                    it->has_behind ? &it->behind : nullptr);
        }
    return true;
}

void tell_unsupported_column(int column, GType type)
{
    fprintf(stderr, "column %d: %s not implemented\n", column, g_type_name(type));
}

bool path_within_bounds(GtkTreePath *path)
{
    int depth;
    int *indices = gtk_tree_path_get_indices_with_depth(path, &depth);
    if (depth > max_path_depth)
        return false;
    // The rows made are bounded over all levels together, not per level.
    long total = 0;
    for (int level = 0; level < depth; level++)
        if (indices[level] > max_row_index || (total += indices[level]) > max_row_index)
            return false;
    return true;
}

bool row_walk_within_bound(GtkTreeModel *model, GtkTreePath *path)
{
    // A list store finds a row's position without walking its siblings.
    if (!GTK_IS_TREE_STORE(model))
        return true;
    int depth;
    int *indices = gtk_tree_path_get_indices_with_depth(path, &depth);
    GtkTreeIter iter, parent;
    long in_front = 0;
    for (int level = 0; level < depth; level++) {
        GtkTreeIter *up = level > 0 ? &parent : nullptr;
        int count = gtk_tree_model_iter_n_children(model, up);
        if (indices[level] >= count) {
            long made = -count;
            for (int deeper = level; deeper < depth; deeper++)
                made += indices[deeper] + 1;
            return made * (in_front + count + 1) <= max_row_walk;
        }
        gtk_tree_model_iter_nth_child(model, &iter, up, indices[level]);
        in_front += indices[level];
        parent = iter;
    }
    return true;
}

bool set_cell_from_text(GtkTreeModel *model, GtkTreeIter *iter, const char *path_text,
                        int column, const char *text, const char **why)
{
    const char *unused;
    const char *&reason = why != nullptr ? *why : unused;
    GType type = gtk_tree_model_get_column_type(model, column);
    g_autoptr(GtkTreePath) path = path_from_text(path_text);
    if (path == nullptr || !path_fits_model(model, path)) {
        reason = "the path names no row this store can have";
        return false;
    }
    if (!path_within_bounds(path) || !row_walk_within_bound(model, path)) {
        reason = "the path lies beyond the rows a set may make";
        return false;
    }
    // A text column shows its text, which must be UTF-8.
    if (G_TYPE_FUNDAMENTAL(type) == G_TYPE_STRING && text != nullptr &&
        !g_utf8_validate(text, -1, nullptr)) {
        reason = "the text is not valid UTF-8";
        return false;
    }
    g_auto(GValue) cell = G_VALUE_INIT;
    // The text is converted before any row is made, so a bad number never
    // leaves empty rows behind.
    switch (value_from_text(type, text, &cell)) {
    case conversion::refused:
        reason = "the value is no number of the column's type";
        return false;
    case conversion::unsupported:
        tell_unsupported_column(column, type);
        return true;
    case conversion::stored:
        break;
    }
    ensure_tree_row(model, path, iter);
    tree_model_set(model, iter, column, &cell);
    return true;
}
