// Decoding, growth and splitting of command lines.
#include "channel/channel.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Reads every line of the given bytes through read_buf, as the reader does.
std::vector<std::string> read_lines(const std::string &bytes, size_t *last_capacity = nullptr)
{
    FILE *f = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), f);
    rewind(f);
    std::vector<std::string> lines;
    while (!input_at_eof(f)) {
        size_t capacity = 32;
        char *buf = static_cast<char *>(malloc(capacity));
        size_t len = read_buf(f, buf, capacity);
        lines.emplace_back(buf, strlen(buf));
        EXPECT_GE(len, strlen(buf));
        if (last_capacity != nullptr && !lines.back().empty())
            *last_capacity = capacity;
        free(buf);
    }
    forget_input(f);
    fclose(f);
    return lines;
}

struct decode_case {
    const char *what, *bytes;
    std::vector<std::string> lines;
};

class ReadBuf : public testing::TestWithParam<decode_case> {};

TEST_P(ReadBuf, DecodesLines)
{
    EXPECT_EQ(read_lines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Escapes, ReadBuf, testing::Values(
    decode_case{"plain", "a\n", {"a", ""}},
    decode_case{"backslash n is a line feed", "a\\nb\n", {"a\nb", ""}},
    decode_case{"backslash r is a carriage return", "a\\rb\n", {"a\rb", ""}},
    decode_case{"doubled backslash", "a\\\\b\n", {"a\\b", ""}},
    decode_case{"backslash t is the letter t", "a\\tb\n", {"atb", ""}},
    decode_case{"trailing backslash dropped, lines stay apart", "a\\\nb\n", {"a", "b", ""}},
    decode_case{"last line without line feed", "a\nb", {"a", "b"}},
    decode_case{"empty lines", "\n\n", {"", "", ""}}));

TEST(ReadBuf, NulDropsTheRestOfItsLineOnly)
{
    EXPECT_EQ(read_lines(std::string("ab\0cd\nx\n", 8)), (std::vector<std::string>{"ab", "x", ""}));
}

TEST(ReadBuf, GrowsByDoubling)
{
    size_t capacity = 0;
    read_lines(std::string(31, 'x') + "\n", &capacity);
    EXPECT_EQ(capacity, 32u);
    read_lines(std::string(32, 'x') + "\n", &capacity);
    EXPECT_EQ(capacity, 64u);
    read_lines(std::string(64, 'x') + "\n", &capacity);
    EXPECT_EQ(capacity, 128u);
}

TEST(ReadBuf, ReadsALineOfSeveralMegabytes)
{
    std::string big(5 * 1024 * 1024, 'q');
    auto lines = read_lines(big + "\nnext\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], big);
    EXPECT_EQ(lines[1], "next");
}

TEST(ReadBuf, ReadsAPipeAcrossWrites)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "one\ntw", 6), 6);
    ASSERT_EQ(write(fds[1], "o\n", 2), 2);
    close(fds[1]);
    FILE *f = fdopen(fds[0], "r");
    size_t capacity = 32;
    char *buf = static_cast<char *>(malloc(capacity));
    read_buf(f, buf, capacity);
    EXPECT_STREQ(buf, "one");
    read_buf(f, buf, capacity);
    EXPECT_STREQ(buf, "two");
    free(buf);
    forget_input(f);
    fclose(f);
}

struct split_case {
    const char *line, *name, *action, *data;
};

class Split : public testing::TestWithParam<split_case> {};

TEST_P(Split, FindsNameActionAndData)
{
    std::string line = GetParam().line;
    split_positions p = split_command(line.data());
    EXPECT_STREQ(line.c_str() + p.name_start, GetParam().name);
    EXPECT_STREQ(line.c_str() + p.action_start, GetParam().action);
    EXPECT_STREQ(line.c_str() + p.data_start, GetParam().data);
}

INSTANTIATE_TEST_SUITE_P(Table, Split, testing::Values(
    split_case{"w:set_text hello", "w", "set_text", "hello"},
    split_case{"w:set_text  hello", "w", "set_text", " hello"},
    split_case{"w:set_text\thello", "w", "set_text", "hello"},
    split_case{"w:set_text", "w", "set_text", ""},
    split_case{"w:set_text:hello", "w", "set_text", ""},
    split_case{"w:set-text hi", "w", "set", ""},
    split_case{"   w:ping", "w", "ping", ""},
    split_case{"w ping", "", "", ""},
    split_case{"  w ping", "w", "", ""},
    split_case{"w:", "", "", ""},
    split_case{":main_quit", "", "", ""},
    split_case{"a-b_9:x_1 d: e", "a-b_9", "x_1", "d: e"}));

TEST(Streq, ComparesBytesAndRefusesAbsentTexts)
{
    EXPECT_TRUE(streq("set_text", "set_text"));
    EXPECT_FALSE(streq("Set_text", "set_text"));
    EXPECT_FALSE(streq(nullptr, "x"));
    EXPECT_FALSE(streq("x", nullptr));
    EXPECT_FALSE(streq(nullptr, nullptr));
}

TEST(FputsEscaped, EscapesLineFeedAndBackslashOnly)
{
    char *text = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&text, &size);
    fputs_escaped("a\nb\\c\rd", f);
    fclose(f);
    EXPECT_EQ(std::string(text, size), "a\\nb\\\\c\rd");
    free(text);
}

TEST(ScanExact, InsistsOnTheConversionCount)
{
    int a = 0, b = 0;
    EXPECT_TRUE(scan_exact("1 2", "%d %d %c", &a, &b));
    EXPECT_TRUE(scan_exact(" 1 2  ", "%d %d %c", &a, &b));
    EXPECT_FALSE(scan_exact("1 2 x", "%d %d %c", &a, &b));
    EXPECT_FALSE(scan_exact("1", "%d %d %c", &a, &b));
    EXPECT_FALSE(scan_exact("", "%d %c", &a));
    EXPECT_TRUE(is_blank(" \t\n"));
    EXPECT_FALSE(is_blank(" x"));
}

}  // namespace
