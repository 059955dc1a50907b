// Writing one feedback line: "id:tag " and the escaped payload. A client
// that does not take a line within one second loses it instead of
// freezing the interface.
#include "feedback/feedback.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <stdio_ext.h>
#include <sys/select.h>

const char *widget_name(GObject *obj)
{
    return GTK_IS_BUILDABLE(obj) ? gtk_buildable_get_name(GTK_BUILDABLE(obj)) : nullptr;
}

namespace {

// A signal that interrupts the wait does not cost the line: the wait goes on
// for what is left of the second.
bool writable_within_one_second(FILE *out)
{
    using namespace std::chrono;
    int fd = fileno(out);
    // A stream without a descriptor (a saved file's) has no reader to wait for.
    if (fd < 0)
        return true;
    if (fd >= FD_SETSIZE)
        return false;
    auto deadline = steady_clock::now() + seconds(1);
    for (;;) {
        long long left = std::max<long long>(
            0, duration_cast<microseconds>(deadline - steady_clock::now()).count());
        struct timeval limit = {.tv_sec = static_cast<time_t>(left / 1000000),
                                .tv_usec = static_cast<suseconds_t>(left % 1000000)};
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        int n = select(fd + 1, nullptr, &set, nullptr, &limit);
        if (n < 0 && errno == EINTR)
            continue;
        return n == 1;
    }
}

void report_send_error(const char *name, const char *tag)
{
    fprintf(stderr, "send error; discarding feedback message %s:%s\n", name, tag);
}

}  // namespace

void vsend_feedback(FILE *out, GObject *obj, const char *tag,
                    std::initializer_list<const char *> payload)
{
    const char *name = widget_name(obj);
    if (name == nullptr)
        name = "";
    if (tag == nullptr)
        tag = "";
    if (!writable_within_one_second(out))
        return report_send_error(name, tag);
    fprintf(out, "%s:%s ", name, tag);
    for (const char *s : payload) {
        if (s == nullptr)
            break;
        fputs_escaped(s, out);
    }
    fputc('\n', out);
    // A reader that has gone (EPIPE) loses the line like a slow one; what
    // is left of it in the buffer goes too, so the next line starts clean.
    if (ferror(out)) {
        __fpurge(out);
        clearerr(out);
        report_send_error(name, tag);
    }
}
