// Every draw command read into an operation: the id prefix, the arguments,
// the kind stored and whether an appended operation asks for a repaint.
#include "draw_test_util.h"
#include <gtest/gtest.h>
#include <cstdlib>

namespace {

struct command_case {
    const char *action;
    const char *data;
    int result;  // 0 refused, 1 stored without repaint, 2 stored with repaint
    const char *kind;  // the keyword of the row that read it
    draw_op_policy policy;
    uint64_t id, before_id;
    const char *args;  // as args_text prints them
};

std::ostream &operator<<(std::ostream &os, const command_case &c)
{
    return os << c.action << " \"" << c.data << "\"";
}

class draw_command_test : public testing::TestWithParam<command_case> {};

TEST_P(draw_command_test, reads_into_operation)
{
    const command_case &c = GetParam();
    draw_op op{};
    int result = set_draw_op(&op, c.action, c.data);
    EXPECT_EQ(result, c.result);
    if (result != 0) {
        ASSERT_LT(static_cast<size_t>(op.kind), draw_command_count);
        EXPECT_STREQ(draw_commands[op.kind].action, c.kind);
        EXPECT_EQ(op.policy, c.policy);
        EXPECT_EQ(op.id, c.id);
        if (c.policy == BEFORE) {
            EXPECT_EQ(op.before_id, c.before_id);
        }
        EXPECT_EQ(args_text(op.kind, op.args), c.args);
    } else {
        EXPECT_EQ(op.args, nullptr) << "a refused command keeps no argument record";
    }
    free(op.args);
}

constexpr const char *none = "";  // placeholder kind for refused rows

const command_case command_cases[] = {
    // The id prefix.
    {"line_to", "1 10 20", 1, "line_to", APPEND, 1, 0, "10 20"},
    {"line_to", "1 10 20   ", 1, "line_to", APPEND, 1, 0, "10 20"},
    {"line_to", "18446744073709551615 1 2", 1, "line_to", APPEND, 18446744073709551615ull, 0, "1 2"},
    {"line_to", "=1 5 5", 2, "line_to", REPLACE, 1, 0, "5 5"},
    {"line_to", "7<1 5 5", 2, "line_to", BEFORE, 7, 1, "5 5"},
    {"line_to", "7<  1 5 5", 2, "line_to", BEFORE, 7, 1, "5 5"},
    {"line_to", "7 <1 5 5", 0, none, APPEND, 0, 0, ""},
    {"line_to", " =1 5 5", 0, none, APPEND, 0, 0, ""},
    {"line_to", "10 20", 0, none, APPEND, 0, 0, ""},
    {"line_to", "1 10 20 30", 0, none, APPEND, 0, 0, ""},
    {"line_to", "1 10 20x", 0, none, APPEND, 0, 0, ""},
    {"line_to", "", 0, none, APPEND, 0, 0, ""},
    {"line_to", "x 1 2", 0, none, APPEND, 0, 0, ""},
    {"no_such_action", "1 2 3", 0, none, APPEND, 0, 0, ""},
    {"Line_to", "1 2 3", 0, none, APPEND, 0, 0, ""},
    // Path building.
    {"rel_line_to", "2 -3 4.5", 1, "rel_line_to", APPEND, 2, 0, "-3 4.5"},
    {"move_to", "3 7 8", 1, "move_to", APPEND, 3, 0, "7 8"},
    {"rel_move_to", "4 1e2 -0.5", 1, "rel_move_to", APPEND, 4, 0, "100 -0.5"},
    {"arc", "1 50 40 10 0 90", 1, "arc", APPEND, 1, 0, "50 40 10 0 1.5708"},
    {"arc_negative", "1 50 40 10 180 -90", 1, "arc_negative", APPEND, 1, 0, "50 40 10 3.14159 -1.5708"},
    {"arc", "1 50 40 10 0", 0, none, APPEND, 0, 0, ""},
    {"curve_to", "1 1 2 3 4 5 6", 1, "curve_to", APPEND, 1, 0, "1 2 3 4 5 6"},
    {"rel_curve_to", "1 10 0 20 10 30 0", 1, "rel_curve_to", APPEND, 1, 0, "10 0 20 10 30 0"},
    {"curve_to", "1 1 2 3 4 5 6 7", 0, none, APPEND, 0, 0, ""},
    {"rectangle", "1 0 5 10 20", 1, "rectangle", APPEND, 1, 0, "0 5 10 20"},
    {"close_path", "1", 1, "close_path", APPEND, 1, 0, "-"},
    {"close_path", "1  ", 1, "close_path", APPEND, 1, 0, "-"},
    {"close_path", "1 x", 0, none, APPEND, 0, 0, ""},
    // Painting operations ask for a repaint when appended.
    {"stroke", "1", 2, "stroke", APPEND, 1, 0, "-"},
    {"stroke", "1 x", 0, none, APPEND, 0, 0, ""},
    {"stroke_preserve", "1", 2, "stroke_preserve", APPEND, 1, 0, "-"},
    {"fill", "5<2", 2, "fill", BEFORE, 5, 2, "-"},
    {"fill_preserve", "=1", 2, "fill_preserve", REPLACE, 1, 0, "-"},
    {"show_text", "1 hello  world ", 2, "show_text", APPEND, 1, 0, "'hello  world '"},
    {"show_text", "1", 2, "show_text", APPEND, 1, 0, "''"},
    {"show_text", "1    x", 2, "show_text", APPEND, 1, 0, "'x'"},
    // Anchored move.
    {"rel_move_for", "1 ne North East", 1, "rel_move_for", APPEND, 1, 0, "3 'North East'"},
    {"rel_move_for", "1 c", 1, "rel_move_for", APPEND, 1, 0, "0 ''"},
    {"rel_move_for", "1 e x", 1, "rel_move_for", APPEND, 1, 0, "1 'x'"},
    {"rel_move_for", "1 n x", 1, "rel_move_for", APPEND, 1, 0, "2 'x'"},
    {"rel_move_for", "1 nw x", 1, "rel_move_for", APPEND, 1, 0, "4 'x'"},
    {"rel_move_for", "1 s x", 1, "rel_move_for", APPEND, 1, 0, "5 'x'"},
    {"rel_move_for", "1 se x", 1, "rel_move_for", APPEND, 1, 0, "6 'x'"},
    {"rel_move_for", "1 sw  two  words", 1, "rel_move_for", APPEND, 1, 0, "7 'two  words'"},
    {"rel_move_for", "1 w x", 1, "rel_move_for", APPEND, 1, 0, "8 'x'"},
    {"rel_move_for", "1 x text", 0, none, APPEND, 0, 0, ""},
    {"rel_move_for", "1 N text", 0, none, APPEND, 0, 0, ""},
    {"rel_move_for", "1", 0, none, APPEND, 0, 0, ""},
    // Settings.
    {"set_dash", "1", 1, "set_dash", APPEND, 1, 0, "0:"},
    {"set_dash", "1 4 2 x 9", 1, "set_dash", APPEND, 1, 0, "2: 4 2"},
    {"set_dash", "1 1 2 3 4 5 6 7 8", 1, "set_dash", APPEND, 1, 0, "8: 1 2 3 4 5 6 7 8"},
    {"set_font_face", "1 italic bold", 1, "set_font_face", APPEND, 1, 0, "1 1 ''"},
    {"set_font_face", "1 oblique normal DejaVu Sans Mono ", 1, "set_font_face", APPEND, 1, 0,
     "2 0 'DejaVu Sans Mono '"},
    {"set_font_face", "1 normal normal Serif", 1, "set_font_face", APPEND, 1, 0, "0 0 'Serif'"},
    {"set_font_face", "1 Italic bold", 0, none, APPEND, 0, 0, ""},
    {"set_font_face", "1 italic", 0, none, APPEND, 0, 0, ""},
    {"set_font_face", "1 italic heavy", 0, none, APPEND, 0, 0, ""},
    {"set_font_face", "1 obliquely bold", 0, none, APPEND, 0, 0, ""},
    {"set_font_size", "1 12.5", 1, "set_font_size", APPEND, 1, 0, "12.5"},
    {"set_font_size", "1 12 x", 0, none, APPEND, 0, 0, ""},
    {"set_line_cap", "1 butt", 1, "set_line_cap", APPEND, 1, 0, "0"},
    {"set_line_cap", "1 round", 1, "set_line_cap", APPEND, 1, 0, "1"},
    {"set_line_cap", "1 square ", 1, "set_line_cap", APPEND, 1, 0, "2"},
    {"set_line_cap", "1 squares", 0, none, APPEND, 0, 0, ""},
    {"set_line_cap", "1 bevel", 0, none, APPEND, 0, 0, ""},
    {"set_line_join", "1 miter", 1, "set_line_join", APPEND, 1, 0, "0"},
    {"set_line_join", "1 round", 1, "set_line_join", APPEND, 1, 0, "1"},
    {"set_line_join", "1 bevel", 1, "set_line_join", APPEND, 1, 0, "2"},
    {"set_line_join", "1 mitered", 0, none, APPEND, 0, 0, ""},
    {"set_line_width", "1 2.5", 1, "set_line_width", APPEND, 1, 0, "2.5"},
    {"set_line_width", "1", 0, none, APPEND, 0, 0, ""},
    {"set_source_rgba", "1 red", 1, "set_source_rgba", APPEND, 1, 0, "1 0 0 1"},
    {"set_source_rgba", "1 rgba(0,0,255,0.5)", 1, "set_source_rgba", APPEND, 1, 0, "0 0 1 0.5"},
    {"set_source_rgba", "1 #00ff00", 1, "set_source_rgba", APPEND, 1, 0, "0 1 0 1"},
    {"set_source_rgba", "1 no-such-colour", 0, none, APPEND, 0, 0, ""},
    // Transformations.
    {"transform", "1", 1, "transform", APPEND, 1, 0, "-"},
    {"transform", "1   ", 1, "transform", APPEND, 1, 0, "-"},
    {"transform", "1 1 0 0 1 5 5", 1, "transform", APPEND, 1, 0, "1 0 0 1 5 5"},
    {"transform", "1 1 2 3 4 5 6", 1, "transform", APPEND, 1, 0, "1 2 3 4 5 6"},
    {"transform", "=2 1 0 0 1 5 5", 2, "transform", REPLACE, 2, 0, "1 0 0 1 5 5"},
    {"transform", "1 1 2 3", 0, none, APPEND, 0, 0, ""},
    {"transform", "1 1 2 3 4 5 6 7", 0, none, APPEND, 0, 0, ""},
    {"translate", "1 3 4", 1, "translate", APPEND, 1, 0, "1 0 0 1 3 4"},
    {"scale", "1 2 0.001", 1, "scale", APPEND, 1, 0, "2 0 0 0.001 0 0"},
    {"rotate", "1 90", 1, "rotate", APPEND, 1, 0, "0 1 -1 0 0 0"},
    {"rotate", "1", 0, none, APPEND, 0, 0, ""},
    // Numbers that are not finite or lie far outside anything drawable.
    {"line_to", "1 10000000 -10000000", 1, "line_to", APPEND, 1, 0, "1e+07 -1e+07"},
    {"line_to", "1 10000001 0", 0, none, APPEND, 0, 0, ""},
    {"line_to", "1 0 -1.00001e7", 0, none, APPEND, 0, 0, ""},
    {"line_to", "1 nan 0", 0, none, APPEND, 0, 0, ""},
    {"line_to", "1 0 inf", 0, none, APPEND, 0, 0, ""},
    {"arc", "1 0 0 1e7 0 360", 1, "arc", APPEND, 1, 0, "0 0 1e+07 0 6.28319"},
    {"arc", "1 0 0 1e30 0 360", 0, none, APPEND, 0, 0, ""},
    {"arc", "1 0 0 10 0 nan", 0, none, APPEND, 0, 0, ""},
    {"arc_negative", "1 0 0 10 -infinity 0", 0, none, APPEND, 0, 0, ""},
    {"rotate", "1 1e300", 0, none, APPEND, 0, 0, ""},
    {"scale", "1 1e8 1", 0, none, APPEND, 0, 0, ""},
    {"transform", "1 1 0 0 1 nan 0", 0, none, APPEND, 0, 0, ""},
    {"set_font_size", "1 1e7", 1, "set_font_size", APPEND, 1, 0, "1e+07"},
    {"set_font_size", "1 1e8", 0, none, APPEND, 0, 0, ""},
    {"set_line_width", "1 -inf", 0, none, APPEND, 0, 0, ""},
    {"set_dash", "1 4 1e7", 1, "set_dash", APPEND, 1, 0, "2: 4 1e+07"},
    {"set_dash", "1 4 2e7", 0, none, APPEND, 0, 0, ""},
    {"set_dash", "1 4 nan", 0, none, APPEND, 0, 0, ""},
    {"rectangle", "1 0 0 10 1e999", 0, none, APPEND, 0, 0, ""},
};

INSTANTIATE_TEST_SUITE_P(draw_commands, draw_command_test, testing::ValuesIn(command_cases));

} // namespace
