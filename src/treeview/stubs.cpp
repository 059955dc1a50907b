// Placeholders until tree views land.
#include "treeview/treeview.h"
#include "widgets/widgets.h"

void update_tree_view(command_data *cmd) { update_widget(cmd); }
void send_tree_selection(GtkTreeSelection *, info *) {}
GtkCellRenderer *tree_view_column_get_renderer_column(GtkBuilder *, const char *,
                                                      GtkTreeViewColumn *, int)
{
    return nullptr;
}
void cell_edited(GtkCellRendererText *, gchar *, gchar *, info *) {}
void cell_toggled(GtkCellRendererToggle *, gchar *, info *) {}
