// Tree views: commands, store editing, row feedback and in-place cell edits.
#pragma once

#include "feedback/feedback.h"

void update_tree_view(command_data *cmd);

// A tree view's cells and where they go: the stream, the view whose id
// heads each line (null where nothing is sent) and the model that holds
// the cells. The cell callbacks' user data, and what a walk over rows that
// sends or saves them carries.
struct cell_link {
    FILE *out;
    GObject *view;
    GtkTreeModel *model;
};

// Row feedback: wired to a tree selection's "changed".
void send_tree_selection(GtkTreeSelection *selection, feedback_link *ar);

// Renderer columns: finds the renderer at a position (from 1) of a column and
// the model column it shows, storing that under "col_number" on the
// renderer; null when the UI description binds no such renderer. The file
// is parsed once and kept with the builder for every later lookup.
GtkCellRenderer *tree_view_column_get_renderer_column(GtkBuilder *builder, const char *ui_name,
                                                      GtkTreeViewColumn *column, int position);
// Keeps the already parsed UI description for those lookups; the builder
// owns it from then on.
void keep_ui_document(GtkBuilder *builder, const char *ui_name, struct _xmlDoc *doc);
cell_link *cell_link_new(FILE *out, GObject *view, GtkTreeModel *model);
// Wires a column's header clicks, and the edits of the renderers that the
// UI description binds to model columns.
void wire_tree_view_column(GObject *obj, info *wiring);
void cell_edited(GtkCellRendererText *renderer, gchar *path, gchar *text, cell_link *cells);
void cell_toggled(GtkCellRendererToggle *renderer, gchar *path, cell_link *cells);
