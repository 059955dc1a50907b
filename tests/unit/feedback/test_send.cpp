// The byte layout of a feedback line and the drop of a line that the client
// does not take.
#include "feedback/feedback.h"
#include "../ui_fixture.h"

#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <vector>

namespace {

const char button_ui[] = R"(<object class="GtkButton" id="b1"/>)";

struct layout_case {
    const char *what;
    std::vector<const char *> payload;
    const char *line;
};

// Hands up to three payload strings to the variadic front.
void send_payload(FILE *out, GObject *obj, const std::vector<const char *> &p)
{
    switch (p.size()) {
    case 0: return send_feedback(out, obj, "tag");
    case 1: return send_feedback(out, obj, "tag", p[0]);
    case 2: return send_feedback(out, obj, "tag", p[0], p[1]);
    default: return send_feedback(out, obj, "tag", p[0], p[1], p[2]);
    }
}

class FeedbackLayout : public testing::TestWithParam<layout_case> {};

TEST_P(FeedbackLayout, WritesIdColonTagBlankPayloadLineFeed)
{
    ui_fixture f(button_ui);
    send_payload(f.reader.out, f.obj("b1"), GetParam().payload);
    EXPECT_EQ(f.feedback(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Payloads, FeedbackLayout, testing::Values(
    layout_case{"no payload keeps the blank", {}, "b1:tag \n"},
    layout_case{"strings joined with nothing between", {"a", "b c", ""}, "b1:tag ab c\n"},
    layout_case{"leading blank of a string doubles the blank", {" 7"}, "b1:tag  7\n"},
    layout_case{"line feed and backslash escaped, carriage return kept",
                {"x\ny\\z\r"}, "b1:tag x\\ny\\\\z\r\n"},
    layout_case{"a null string ends the payload", {"a", nullptr, "b"}, "b1:tag a\n"}),
    [](const auto &info) {
        std::string name = info.param.what;
        for (char &c : name)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

// A pipe whose reader never reads: once it is full the line is dropped after
// about a second, with the message, and nothing of it reaches the pipe.
TEST(FeedbackDrop, FullChannelDropsTheLineAfterOneSecond)
{
    ui_fixture f(button_ui);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    char filler[4096] = {};
    size_t queued = 0;
    for (ssize_t n; (n = write(fds[1], filler, sizeof filler)) > 0;)
        queued += static_cast<size_t>(n);
    fcntl(fds[1], F_SETFL, 0);
    FILE *out = fdopen(fds[1], "w");
    setvbuf(out, nullptr, _IOLBF, 0);

    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    send_feedback(out, f.obj("b1"), "clicked");
    double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(err, "send error; discarding feedback message b1:clicked\n");
    EXPECT_GE(waited, 0.9);
    EXPECT_LT(waited, 3.0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    size_t drained = 0;
    for (ssize_t n; (n = read(fds[0], filler, sizeof filler)) > 0;)
        drained += static_cast<size_t>(n);
    EXPECT_EQ(drained, queued);
    fclose(out);
    close(fds[0]);
}

}  // namespace
