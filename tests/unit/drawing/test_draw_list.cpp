// Placing operations in a drawing area's list by id, and removing them,
// through the drawing area's own command handler.
#include "draw_test_util.h"
#include "ui_fixture.h"
#include <string>
#include <vector>

namespace {

const char *const area_ui = R"(<object class="GtkDrawingArea" id="area"/>)";

// The list as ids, with "m" marking the move_to operations that tests use
// to tell a replacement from the original.
std::string list_text(GtkWidget *area)
{
    std::string text;
    for (const draw_op *op = first_draw_op(area); op != nullptr; op = op->next)
        text += (text.empty() ? "" : " ") + std::to_string(op->id) + (streq(draw_commands[op->kind].action, "move_to") ? "m" : "");
    return text;
}

struct list_case {
    const char *name;
    std::vector<const char *> commands;  // sent to "area", in order
    const char *list;                    // the list afterwards
};

std::ostream &operator<<(std::ostream &os, const list_case &c) { return os << c.name; }

class draw_list_test : public testing::TestWithParam<list_case> {};

// After the commands, one more append must land at the very end: that shows
// the remembered end of the list stayed right through every change.
TEST_P(draw_list_test, places_operations)
{
    ui_fixture ui(area_ui);
    auto *area = GTK_WIDGET(ui.obj("area"));
    for (const char *command : GetParam().commands)
        EXPECT_FALSE(ui.refused(std::string("area:") + command)) << command;
    EXPECT_EQ(list_text(area), GetParam().list);
    ui.run("area:line_to 99 0 0");
    std::string expected = GetParam().list;
    EXPECT_EQ(list_text(area), expected + (expected.empty() ? "" : " ") + "99");
}

INSTANTIATE_TEST_SUITE_P(draw_list, draw_list_test, testing::Values(
    list_case{"append", {"line_to 1 0 0", "line_to 2 0 0", "stroke 3"}, "1 2 3"},
    list_case{"before_first", {"line_to 1 0 0", "line_to 2 0 0", "move_to 5<1 0 0"}, "5m 1 2"},
    list_case{"before_middle", {"line_to 1 0 0", "line_to 2 0 0", "line_to 3 0 0", "move_to 5<2 0 0"},
              "1 5m 2 3"},
    list_case{"before_first_of_equal_ids", {"line_to 1 0 0", "line_to 2 0 0", "line_to 2 0 0",
                                            "move_to 5<2 0 0"}, "1 5m 2 2"},
    list_case{"before_missing_appends", {"line_to 1 0 0", "line_to 2 0 0", "move_to 5<9 0 0"}, "1 2 5m"},
    list_case{"before_on_empty_list", {"move_to 5<1 0 0"}, "5m"},
    list_case{"replace_head", {"line_to 1 0 0", "line_to 2 0 0", "move_to =1 0 0"}, "1m 2"},
    list_case{"replace_last", {"line_to 1 0 0", "line_to 2 0 0", "move_to =2 0 0"}, "1 2m"},
    list_case{"replace_only_first_match", {"line_to 1 0 0", "line_to 2 0 0", "line_to 1 0 0",
                                           "move_to =1 0 0"}, "1m 2 1"},
    list_case{"replace_missing_appends", {"line_to 1 0 0", "move_to =3 0 0"}, "1 3m"},
    list_case{"replace_on_empty_list", {"move_to =3 0 0"}, "3m"},
    list_case{"remove_every_match", {"line_to 1 0 0", "line_to 2 0 0", "line_to 1 0 0", "line_to 3 0 0",
                                     "line_to 1 0 0", "remove 1"}, "2 3"},
    list_case{"remove_last", {"line_to 1 0 0", "line_to 2 0 0", "remove 2 "}, "1"},
    list_case{"remove_all", {"line_to 1 0 0", "line_to 1 0 0", "remove 1"}, ""},
    list_case{"remove_missing", {"line_to 1 0 0", "remove 7"}, "1"},
    list_case{"remove_on_empty_list", {"remove 7"}, ""}));

TEST(draw_list, refused_commands_change_nothing)
{
    ui_fixture ui(area_ui);
    auto *area = GTK_WIDGET(ui.obj("area"));
    ui.run("area:line_to 1 0 0");
    for (const char *command : {"area:line_to 10 20", "area:line_to =1 x", "area:set_source_rgba 2 bogus",
                                "area:remove", "area:remove 1 2", "area:remove x", "area:bogus 1 2",
                                "area:line_to 2 nan 0", "area:arc 2 0 0 1e30 0 360"})
        EXPECT_TRUE(ui.refused(command)) << command;
    EXPECT_EQ(list_text(area), "1");
}

TEST(draw_list, refusal_names_class_and_quotes_line)
{
    ui_fixture ui(area_ui);
    testing::internal::CaptureStderr();
    ui.run("area:line_to 10 20");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "ignoring GtkDrawingArea command \"area:line_to 10 20\"\n"
              "  usage: line_to ID X Y\n");
}

// Anything that is no draw command goes on to the actions every widget knows.
TEST(draw_list, other_actions_reach_generic_handler)
{
    ui_fixture ui(area_ui);
    EXPECT_FALSE(ui.refused("area:ping"));
    EXPECT_EQ(ui.feedback(), "area:ping \n");
    EXPECT_EQ(first_draw_op(GTK_WIDGET(ui.obj("area"))), nullptr);
}

TEST(draw_list, remove_results)
{
    ui_fixture ui(area_ui);
    auto *area = GTK_WIDGET(ui.obj("area"));
    EXPECT_EQ(remove_draw_ops(area, "1"), 2);
    EXPECT_EQ(remove_draw_ops(area, " 1 "), 2);
    EXPECT_EQ(remove_draw_ops(area, ""), 0);
    EXPECT_EQ(remove_draw_ops(area, "1 2"), 0);
    EXPECT_EQ(remove_draw_ops(area, "1x"), 0);
}

// Repaints are asked for from an idle that runs after the queued commands.
TEST(draw_list, repaint_scheduled_only_when_needed)
{
    ui_fixture ui(area_ui);
    auto pending = [] {
        bool any = false;
        while (g_main_context_pending(nullptr)) {
            any = true;
            g_main_context_iteration(nullptr, FALSE);
        }
        return any;
    };
    pending();
    ui.run("area:line_to 1 10 20");
    EXPECT_FALSE(pending());
    ui.run("area:stroke 1");
    EXPECT_TRUE(pending());
    ui.run("area:line_to =1 10 20");
    EXPECT_TRUE(pending());
    ui.run("area:remove 5");
    EXPECT_TRUE(pending());
}

// Appending keeps to constant time: a long list builds quickly and in order.
TEST(draw_list, long_list_appends_in_order)
{
    ui_fixture ui(area_ui);
    auto *area = GTK_WIDGET(ui.obj("area"));
    const int count = 100000;
    char data[64];
    for (int i = 0; i < count; i++) {
        snprintf(data, sizeof data, "%d %d 1", i, i % 500);
        ASSERT_EQ(ins_draw_op(area, "line_to", data), 1);
    }
    int expected = 0;
    for (const draw_op *op = first_draw_op(area); op != nullptr; op = op->next)
        ASSERT_EQ(op->id, static_cast<uint64_t>(expected++));
    EXPECT_EQ(expected, count);
}

} // namespace
