// Text views: editing, the cursor, and "save" writing a command line that
// inserts the text again.
#include "widget_cases.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

const char *const text_view_ui = R"(<object class="GtkTextView" id="w"/>)";

GtkTextBuffer *buffer_of(ui_fixture &ui) { return gtk_text_view_get_buffer(GTK_TEXT_VIEW(ui.obj("w"))); }

// The text, then the cursor's offset and the selection bound's.
std::string text_and_cursor(ui_fixture &ui)
{
    GtkTextBuffer *buffer = buffer_of(ui);
    GtkTextIter start, end, cursor, bound;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    char *text = gtk_text_buffer_get_text(buffer, &start, &end, TRUE);
    gtk_text_buffer_get_iter_at_mark(buffer, &cursor, gtk_text_buffer_get_insert(buffer));
    gtk_text_buffer_get_iter_at_mark(buffer, &bound, gtk_text_buffer_get_selection_bound(buffer));
    std::string state = std::string(text) + "|" + std::to_string(gtk_text_iter_get_offset(&cursor)) +
                        "|" + std::to_string(gtk_text_iter_get_offset(&bound));
    g_free(text);
    return state;
}

class TextView : public testing::TestWithParam<widget_case> {};
TEST_P(TextView, Command) { check_case(text_view_ui, GetParam(), text_and_cursor); }

// "first\nsecond" has 12 characters; the second line starts at offset 6.
const std::vector<std::string> two_lines = {"set_text first\nsecond", "place_cursor 2"};

INSTANTIATE_TEST_SUITE_P(Actions, TextView, testing::Values(
    widget_case{"set text verbatim", two_lines, "set_text  x ", true, " x |3|3"},
    widget_case{"set text of nothing empties", two_lines, "set_text", true, "|0|0"},
    widget_case{"delete", two_lines, "delete", true, "|0|0"},
    widget_case{"delete with blanks", two_lines, "delete  \t", true, "|0|0"},
    widget_case{"delete all is refused", two_lines, "delete all", false, "first\nsecond|2|2"},
    widget_case{"insert at the cursor", two_lines, "insert_at_cursor  X\n", true,
                "fi X\nrst\nsecond|5|5"},
    widget_case{"insert nothing", two_lines, "insert_at_cursor", true, "first\nsecond|2|2"},
    widget_case{"cursor to the end", two_lines, "place_cursor end", true, "first\nsecond|12|12"},
    widget_case{"cursor to the start", two_lines, "place_cursor 0", true, "first\nsecond|0|0"},
    widget_case{"cursor beyond the end", two_lines, "place_cursor 99", true,
                "first\nsecond|12|12"},
    widget_case{"cursor at -1 is the end", two_lines, "place_cursor -1", true,
                "first\nsecond|12|12"},
    widget_case{"cursor with trailing blanks", two_lines, "place_cursor 4  ", true,
                "first\nsecond|4|4"},
    widget_case{"end followed by a blank", two_lines, "place_cursor end ", false,
                "first\nsecond|2|2"},
    widget_case{"offset with garbage", two_lines, "place_cursor 3x", false, "first\nsecond|2|2"},
    widget_case{"cursor without data", two_lines, "place_cursor", false, "first\nsecond|2|2"},
    widget_case{"second line", two_lines, "place_cursor_at_line 1", true, "first\nsecond|6|6"},
    widget_case{"beyond the last line", two_lines, "place_cursor_at_line 9", true,
                "first\nsecond|12|12"},
    widget_case{"a negative line is the last line", two_lines, "place_cursor_at_line -1", true,
                "first\nsecond|6|6"},
    widget_case{"line of a word", two_lines, "place_cursor_at_line one", false,
                "first\nsecond|2|2"},
    widget_case{"scroll to the cursor", two_lines, "scroll_to_cursor ", true,
                "first\nsecond|2|2"},
    widget_case{"scroll with data", two_lines, "scroll_to_cursor now", false,
                "first\nsecond|2|2"},
    widget_case{"save to no name", two_lines, "save", false, "first\nsecond|2|2"},
    widget_case{"save into a missing directory", two_lines, "save /nonexistent/dir/f", false,
                "first\nsecond|2|2"},
    widget_case{"save to a full device", two_lines, "save /dev/full", false,
                "first\nsecond|2|2"}));

TEST(TextView, PlacingTheCursorEmptiesTheSelection)
{
    ui_fixture ui(text_view_ui);
    ui.run("w:set_text first\nsecond");
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(buffer_of(ui), &start, &end);
    gtk_text_buffer_select_range(buffer_of(ui), &start, &end);
    ui.run("w:place_cursor 3");
    EXPECT_EQ(text_and_cursor(ui), "first\nsecond|3|3");
}

std::string file_bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct save_case {
    const char *what;
    std::string text;
    std::string line;  // the file's whole content
};

class TextViewSave : public testing::TestWithParam<save_case> {};

// The file holds one escaped line; run as a command it inserts the text again.
TEST_P(TextViewSave, WritesOneLineThatInsertsTheText)
{
    char path[] = "/tmp/wirepanel-save-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ui_fixture ui(text_view_ui);
    gtk_text_buffer_set_text(buffer_of(ui), GetParam().text.c_str(), -1);
    EXPECT_EQ(stderr_of(ui, std::string("w:save ") + path), "");
    EXPECT_EQ(file_bytes(path), GetParam().line);
    unlink(path);
}

INSTANTIATE_TEST_SUITE_P(Texts, TextViewSave, testing::Values(
    save_case{"two lines", "first\nsecond", "w:insert_at_cursor first\\nsecond\n"},
    save_case{"backslashes doubled", "a\\b\\n", "w:insert_at_cursor a\\\\b\\\\n\n"},
    save_case{"blanks kept", "  x  ", "w:insert_at_cursor   x  \n"},
    save_case{"empty text", "", "w:insert_at_cursor \n"}));

TEST(TextViewSave, ReplacesAnExistingFile)
{
    char path[] = "/tmp/wirepanel-save-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "a much longer old content\n", 26), 26);
    close(fd);
    ui_fixture ui(text_view_ui);
    ui.run("w:set_text new");
    ui.run(std::string("w:save ") + path);
    EXPECT_EQ(file_bytes(path), "w:insert_at_cursor new\n");
    unlink(path);
}

}  // namespace
