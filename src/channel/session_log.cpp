// The session log: every line of the input channel with the time spent
// waiting for it and on it.
#include "channel/channel.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

char *pending_msg = nullptr;
gint64 log_start = 0;  // monotonic time of the last record, in microseconds
const char *log_name = "-";
bool log_failure_told = false;

// A log that cannot be written is told once, with the reason of the write
// that failed (errno still holds it when this runs right after the writes);
// the session goes on without a full log.
void tell_log_failure(FILE *log)
{
    if (log_failure_told || !ferror(log))
        return;
    log_failure_told = true;
    fprintf(stderr, "writing log file %s: %s\n", log_name, strerror(errno));
}

}  // namespace

long elapsed_usec(gint64 start)
{
    return static_cast<long>(g_get_monotonic_time() - start);
}

void log_msg(FILE *log, const char *line)
{
    if (log == nullptr)
        return;
    if (line == nullptr && pending_msg == nullptr) {
        fputs("##########\t##### (New Wirepanel session) #####\n", log);
    } else if (line == nullptr) {
        fprintf(log, "%10ld\t", elapsed_usec(log_start));
        fputs_escaped(pending_msg, log);
        fputc('\n', log);
        free(pending_msg);
        pending_msg = nullptr;
    } else if (pending_msg == nullptr) {
        fprintf(log, "%10ld\t### (Idle) ###\n", elapsed_usec(log_start));
        pending_msg = strdup(line);
        if (pending_msg == nullptr)
            OOM_ABORT();
    } else {
        ASSUMPTION_ABORT();
    }
    tell_log_failure(log);
    log_start = g_get_monotonic_time();
}

void name_log(const char *name) { log_name = name; }

void flush_log(FILE *log)
{
    if (log == nullptr)
        return;
    fflush(log);
    tell_log_failure(log);
}
