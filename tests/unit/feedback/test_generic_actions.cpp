// What the generic actions do to a widget's state, read back from GTK.
#include "widgets/widgets.h"
#include "../ui_fixture.h"

namespace {

const char label_ui[] = R"(<object class="GtkLabel" id="lbl"/>)";

struct size_case {
    const char *data;
    bool refused;
    int width, height;
};

std::ostream &operator<<(std::ostream &os, const size_case &c)
{
    return os << '"' << c.data << '"';
}

class SetSizeRequest : public testing::TestWithParam<size_case> {};

TEST_P(SetSizeRequest, SetsTwoNumbersResetsOnBlankRefusesTheRest)
{
    ui_fixture f(label_ui);
    GtkWidget *label = GTK_WIDGET(f.obj("lbl"));
    gtk_widget_set_size_request(label, 10, 20);
    EXPECT_EQ(f.refused(std::string("lbl:set_size_request ") + GetParam().data),
              GetParam().refused);
    int width, height;
    gtk_widget_get_size_request(label, &width, &height);
    EXPECT_EQ(width, GetParam().width);
    EXPECT_EQ(height, GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Forms, SetSizeRequest, testing::Values(
    size_case{"100 50", false, 100, 50},
    size_case{" -1 40 ", false, -1, 40},
    size_case{"", false, -1, -1},
    size_case{"   ", false, -1, -1},
    size_case{"100", true, 10, 20},
    size_case{"1 2 3", true, 10, 20},
    size_case{"10 20x", true, 10, 20},
    size_case{"wide high", true, 10, 20},
    size_case{"16384 16384", false, 16384, 16384},
    size_case{"16385 10", true, 10, 20},
    size_case{"10 40000", true, 10, 20}));

TEST(TruthActions, SetSensitivityAndVisibilityOrChangeNothing)
{
    ui_fixture f(label_ui);
    GtkWidget *label = GTK_WIDGET(f.obj("lbl"));
    EXPECT_FALSE(f.refused("lbl:set_sensitive  0 "));
    EXPECT_FALSE(gtk_widget_get_sensitive(label));
    EXPECT_TRUE(f.refused("lbl:set_sensitive 1 now"));
    EXPECT_FALSE(gtk_widget_get_sensitive(label));
    EXPECT_FALSE(f.refused("lbl:set_visible 1"));
    EXPECT_TRUE(gtk_widget_get_visible(label));
    EXPECT_TRUE(f.refused("lbl:set_visible 4294967296"));
    EXPECT_TRUE(gtk_widget_get_visible(label));
}

TEST(Tooltip, TakesTheDataVerbatim)
{
    ui_fixture f(label_ui);
    GtkWidget *label = GTK_WIDGET(f.obj("lbl"));
    f.run("lbl:set_tooltip_text  two  blanks\\ and a line\\nfeed");
    gchar *tip = gtk_widget_get_tooltip_text(label);
    EXPECT_STREQ(tip, " two  blanks\\ and a line\\nfeed");
    g_free(tip);
}

TEST(Ping, AnswersForWidgetsOnly)
{
    ui_fixture f(R"(<object class="GtkLabel" id="lbl"/><object class="GtkAdjustment" id="adj"/>)");
    EXPECT_FALSE(f.refused("lbl:ping"));
    EXPECT_FALSE(f.refused("lbl:ping   "));
    EXPECT_TRUE(f.refused("adj:ping"));
    EXPECT_TRUE(f.refused("lbl:ping now"));
    EXPECT_EQ(f.feedback(), "lbl:ping \nlbl:ping \n");
}

TEST(Refusal, NamesTheClassOfTheObject)
{
    ui_fixture f(R"(<object class="GtkListStore" id="ls"/>)");
    testing::internal::CaptureStderr();
    f.run("ls:set_visible 1");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ignoring GtkListStore command \"ls:set_visible 1\"\n"
              "  GtkListStore has no action 'set_visible'; it knows: block\n");
}

}  // namespace
