// Tree views: commands, store editing, row feedback and in-place cell edits.
#pragma once

#include "feedback/feedback.h"

void update_tree_view(command_data *cmd);

// Row feedback: wired to a tree selection's "changed".
void send_tree_selection(GtkTreeSelection *selection, info *ar);

// Renderer columns: finds the renderer at a position (from 1) of a column and
// the model column it shows, storing that under "col_number" on the
// renderer; null when the UI description binds no such renderer. The file
// is parsed once and kept with the builder for every later lookup.
GtkCellRenderer *tree_view_column_get_renderer_column(GtkBuilder *builder, const char *ui_name,
                                                      GtkTreeViewColumn *column, int position);
// Keeps the already parsed UI description for those lookups; the builder
// owns it from then on.
void keep_ui_document(GtkBuilder *builder, const char *ui_name, struct _xmlDoc *doc);
void cell_edited(GtkCellRendererText *renderer, gchar *path, gchar *text, info *ar);
void cell_toggled(GtkCellRendererToggle *renderer, gchar *path, info *ar);
