// Writing one feedback line: "id:tag " and the escaped payload. A client
// that does not take a line within one second loses it instead of
// freezing the interface.
#include "feedback/feedback.h"

#include <sys/select.h>

const char *widget_name(GObject *obj)
{
    return GTK_IS_BUILDABLE(obj) ? gtk_buildable_get_name(GTK_BUILDABLE(obj)) : nullptr;
}

namespace {

bool writable_within_one_second(FILE *out)
{
    int fd = fileno(out);
    if (fd < 0 || fd >= FD_SETSIZE)
        return false;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    struct timeval limit = {1, 0};
    return select(fd + 1, nullptr, &set, nullptr, &limit) == 1;
}

}  // namespace

void vsend_feedback(FILE *out, GObject *obj, const char *tag,
                    std::initializer_list<const char *> payload)
{
    const char *name = widget_name(obj);
    if (name == nullptr)
        name = "";
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
