// Writing one feedback line: "id:tag " and the escaped payload. A client
// that does not take a line within one second loses it instead of
// freezing the interface.
#include "feedback/feedback.h"

#include <cerrno>
#include <ctime>
#include <sys/select.h>

const char *widget_name(GObject *obj)
{
    return GTK_IS_BUILDABLE(obj) ? gtk_buildable_get_name(GTK_BUILDABLE(obj)) : nullptr;
}

namespace {

double now_seconds()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A signal that interrupts the wait does not cost the line: the wait goes on
// for what is left of the second.
bool writable_within_one_second(FILE *out)
{
    int fd = fileno(out);
    if (fd < 0 || fd >= FD_SETSIZE)
        return false;
    double deadline = now_seconds() + 1.0;
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        double left = deadline - now_seconds();
        if (left < 0)
            left = 0;
        struct timeval limit = {static_cast<time_t>(left),
                                static_cast<suseconds_t>((left - static_cast<double>(
                                                              static_cast<time_t>(left))) * 1e6)};
        int n = select(fd + 1, nullptr, &set, nullptr, &limit);
        if (n < 0 && errno == EINTR && left > 0)
            continue;
        return n == 1;
    }
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
    if (!writable_within_one_second(out)) {
        fprintf(stderr, "send error; discarding feedback message %s:%s\n", name, tag);
        return;
    }
    fprintf(out, "%s:%s ", name, tag);
    for (const char *s : payload) {
        if (s == nullptr)
            break;
        fputs_escaped(s, out);
    }
    fputc('\n', out);
}
