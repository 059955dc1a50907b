// A widget's own CSS: each "style" replaces what the widget had, applies to
// that widget alone, and outranks the theme.
#include "widgets/widgets.h"
#include "../ui_fixture.h"

namespace {

const char labels_ui[] = R"(<object class="GtkLabel" id="a"/><object class="GtkLabel" id="b"/>
  <object class="GtkListStore" id="ls"/>)";

struct styled_ui : ui_fixture {
    styled_ui() : ui_fixture(labels_ui)
    {
        attach_style_provider(obj("a"));
        attach_style_provider(obj("b"));
        attach_style_provider(obj("ls"));
    }

    GdkRGBA color(const char *id)
    {
        GdkRGBA rgba;
        GtkStyleContext *context = gtk_widget_get_style_context(GTK_WIDGET(obj(id)));
        gtk_style_context_get_color(context, gtk_style_context_get_state(context), &rgba);
        return rgba;
    }

    std::string css(const char *id)
    {
        auto *provider = static_cast<GtkCssProvider *>(g_object_get_data(obj(id), "style_provider"));
        gchar *text = gtk_css_provider_to_string(provider);
        std::string result = text;
        g_free(text);
        return result;
    }
};

bool is_red(const GdkRGBA &c)
{
    return c.red == 1 && c.green == 0 && c.blue == 0;
}

TEST(Style, AppliesToItsWidgetAlone)
{
    styled_ui f;
    EXPECT_FALSE(f.refused("a:style color: #ff0000;"));
    EXPECT_TRUE(is_red(f.color("a")));
    EXPECT_FALSE(is_red(f.color("b")));
}

TEST(Style, ReplacesRatherThanMerges)
{
    styled_ui f;
    f.run("a:style color: #ff0000;");
    f.run("a:style background-color: #0000ff;");
    EXPECT_FALSE(is_red(f.color("a")));
    EXPECT_NE(f.css("a").find("background-color"), std::string::npos);
    f.run("a:style");
    EXPECT_EQ(f.css("a").find("background-color"), std::string::npos);
}

TEST(Style, RefusedForObjectsThatAreNotWidgets)
{
    styled_ui f;
    EXPECT_EQ(g_object_get_data(f.obj("ls"), "style_provider"), nullptr);
    testing::internal::CaptureStderr();
    f.run("ls:style color: red;");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ignoring GtkListStore command \"ls:style color: red;\"\n"
              "  GtkListStore has no action 'style'; it knows: block\n");
}

}  // namespace
