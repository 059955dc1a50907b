// Each widget's own CSS: one provider per widget whose contents every
// "style" command replaces, so a client restyles one widget at a time.
#include "widgets/widgets.h"

namespace {

// GTK's priority for application styles: above the theme.
constexpr guint widget_style_priority = 600;

}  // namespace

// The widget keeps the provider for as long as it lives; the provider is
// dropped with the widget rather than left behind.
void attach_style_provider(GObject *obj)
{
    if (!GTK_IS_WIDGET(obj))
        return;
    GtkCssProvider *provider = gtk_css_provider_new();
    gtk_style_context_add_provider(gtk_widget_get_style_context(GTK_WIDGET(obj)),
                                   GTK_STYLE_PROVIDER(provider), widget_style_priority);
    g_object_set_data_full(obj, "style_provider", provider, g_object_unref);
}

// The data goes inside one rule for the widget itself; what the CSS parser
// makes of it is the client's own affair, and its warnings stay on stderr.
bool update_widget_style(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    auto *provider = static_cast<GtkCssProvider *>(g_object_get_data(cmd->obj, "style_provider"));
    if (provider == nullptr) {
        attach_style_provider(cmd->obj);
        provider = static_cast<GtkCssProvider *>(g_object_get_data(cmd->obj, "style_provider"));
    }
    GtkStyleContext *context = gtk_widget_get_style_context(GTK_WIDGET(cmd->obj));
    g_autofree gchar *css = g_strdup_printf("* {%s}", cmd->data ? cmd->data : "");
    gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(provider));
    gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(provider), widget_style_priority);
    gtk_css_provider_load_from_data(provider, css, -1, nullptr);
    return true;
}
