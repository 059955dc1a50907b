// What the files of the tree view subsystem share: store operations, cell
// values from text and row feedback.
#pragma once

#include "channel/channel.h"
#include "treeview/treeview.h"
#include <initializer_list>

// Path syntax: digits and single colons, beginning with a digit.
bool is_path_string(const char *text);
// The toolkit's path of a text, for the caller to free, or null when an
// index would not fit in an int (the toolkit would silently wrap it into
// another row's index).
GtkTreePath *path_from_text(const char *text);
// True for the two stores that the operations below accept.
bool is_editable_store(GtkTreeModel *model);

// Store operations over a GtkListStore or GtkTreeStore; a list store
// ignores every parent.
void tree_model_insert_before(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent,
                              GtkTreeIter *sibling);
void tree_model_insert_after(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent,
                             GtkTreeIter *sibling);
void tree_model_move_before(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *position);
void tree_model_remove(GtkTreeModel *model, GtkTreeIter *iter);
void tree_model_clear(GtkTreeModel *model);
void tree_model_set(GtkTreeModel *model, GtkTreeIter *iter, int column, const GValue *value);

// A "set" makes every missing row in front of the one it names, so the
// rows and levels it may reach are bounded far beyond any real interface:
// a path like 99999999 would otherwise freeze the GUI making rows.
constexpr int max_row_index = 249999;
constexpr int max_path_depth = 64;
bool path_within_bounds(GtkTreePath *path);
// Each row a tree store makes walks the rows in front of it and of its
// ancestors, so rows made far behind many existing ones are bounded too:
// at most this many rows walked by one command, a few seconds' work.
constexpr long max_row_walk = 1L << 30;
bool row_walk_within_bound(GtkTreeModel *model, GtkTreePath *path);

// Cell values: false when the text does not fit the column or the path can
// name no row of the model; nothing is created then, and why tells why.
bool set_cell_from_text(GtkTreeModel *model, GtkTreeIter *iter, const char *path_text,
                        int column, const char *text, const char **why = nullptr);
// Tells on stderr that a column's type has no text form; the command or
// feedback line then goes on without that cell.
void tell_unsupported_column(int column, GType type);
// Creates every missing row up to the path; false when the path can name no
// row of this model (empty, or deeper than one level in a list store).
bool ensure_tree_row(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter);

// Row feedback. A line writer has the calling convention of vsend_feedback.
using line_writer = void (*)(FILE *out, GObject *obj, const char *tag,
                             std::initializer_list<const char *> payload);
void send_tree_cell(line_writer writer, const char *path_text, GtkTreeIter *iter, int column,
                    const cell_link &cells);
// A walk over every row of a model, writing "set" lines; data is the
// cell_link of the model.
gboolean save_tree_row(GtkTreeModel *model, GtkTreePath *path, GtkTreeIter *iter, gpointer data);

