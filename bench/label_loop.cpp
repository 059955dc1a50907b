// The toolkit's own limit for the command throughput case: the same
// gtk_label_set_text calls on a label in a shown window, made in process.
#include <gtk/gtk.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (!gtk_init_check(&argc, &argv)) {
        fprintf(stderr, "label_loop: no display\n");
        return 1;
    }
    int count = argc > 1 ? atoi(argv[1]) : 200000;
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWidget *label = gtk_label_new("x");
    gtk_container_add(GTK_CONTAINER(window), label);
    gtk_widget_show_all(window);
    while (gtk_events_pending())
        gtk_main_iteration();
    char text[32];
    gint64 start = g_get_monotonic_time();
    for (int i = 0; i < count; i++) {
        snprintf(text, sizeof text, "%d", i);
        gtk_label_set_text(GTK_LABEL(label), text);
    }
    // The final layout and paint belong to the work, as they do in the server.
    while (gtk_events_pending())
        gtk_main_iteration();
    double seconds = (g_get_monotonic_time() - start) / 1e6;
    printf("%.6f\n", seconds);
    gtk_widget_destroy(window);
    return 0;
}
