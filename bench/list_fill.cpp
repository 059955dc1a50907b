// The toolkit's own limit for the tree fill case: one gtk_list_store_set per
// cell of a two-column list store (text, integer) shown by a tree view.
#include <gtk/gtk.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (!gtk_init_check(&argc, &argv)) {
        fprintf(stderr, "list_fill: no display\n");
        return 1;
    }
    int rows = argc > 1 ? atoi(argv[1]) : 100000;
    GtkListStore *store = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_INT);
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget *scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    GtkWidget *view = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    for (int c = 0; c < 2; c++)
        gtk_tree_view_append_column(GTK_TREE_VIEW(view),
                                    gtk_tree_view_column_new_with_attributes(
                                        c == 0 ? "text" : "number", gtk_cell_renderer_text_new(),
                                        "text", c, nullptr));
    gtk_container_add(GTK_CONTAINER(scrolled), view);
    gtk_container_add(GTK_CONTAINER(window), scrolled);
    gtk_window_set_default_size(GTK_WINDOW(window), 300, 400);
    gtk_widget_show_all(window);
    while (gtk_events_pending())
        gtk_main_iteration();
    char text[32];
    GtkTreeIter iter;
    gint64 start = g_get_monotonic_time();
    for (int i = 0; i < rows; i++) {
        snprintf(text, sizeof text, "row%d", i);
        gtk_list_store_append(store, &iter);
        gtk_list_store_set(store, &iter, 0, text, -1);
        gtk_list_store_set(store, &iter, 1, i, -1);
    }
    while (gtk_events_pending())
        gtk_main_iteration();
    double seconds = (g_get_monotonic_time() - start) / 1e6;
    printf("%.6f\n", seconds);
    gtk_widget_destroy(window);
    g_object_unref(store);
    return 0;
}
