// Hand-over of commands from the reader to the GUI thread. Records wait in
// one queue drained by a single main-loop source at the default priority,
// so a flood costs one wake-up per batch instead of one timeout per line,
// while commands still run one at a time in the order read.
#include "channel/channel.h"

#include <deque>
#include <mutex>

namespace {

std::mutex queue_lock;
std::deque<command_data *> &queue = *new std::deque<command_data *>;  // outlives exit

// Longest stretch of commands before GTK's own events get a turn.
constexpr gint64 slice_usec = 5000;

bool queue_ready()
{
    std::lock_guard<std::mutex> hold(queue_lock);
    return !queue.empty();
}

command_data *pop_command()
{
    std::lock_guard<std::mutex> hold(queue_lock);
    if (queue.empty())
        return nullptr;
    command_data *record = queue.front();
    queue.pop_front();
    return record;
}

gboolean command_prepare(GSource *, gint *timeout)
{
    *timeout = -1;
    return queue_ready();
}

gboolean command_check(GSource *)
{
    return queue_ready();
}

// May be entered again from a nested main loop (the print dialog runs one
// inside a command), which then goes on with the next queued commands.
gboolean command_dispatch(GSource *, GSourceFunc, gpointer)
{
    gint64 end = g_get_monotonic_time() + slice_usec;
    for (unsigned n = 1;; ++n) {
        command_data *record = pop_command();
        if (record == nullptr)
            break;
        run_update(record);
        if (n % 32 == 0 && g_get_monotonic_time() >= end)
            break;
    }
    return G_SOURCE_CONTINUE;
}

GSourceFuncs command_source_funcs = {command_prepare, command_check, command_dispatch,
                                     nullptr, nullptr, nullptr};

}  // namespace

void attach_command_queue()
{
    GSource *source = g_source_new(&command_source_funcs, sizeof(GSource));
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_can_recurse(source, TRUE);
    g_source_set_name(source, "wirepanel commands");
    g_source_attach(source, nullptr);
    g_source_unref(source);
}

void hand_over(command_data *record)
{
    bool was_empty;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        was_empty = queue.empty();
        queue.push_back(record);
    }
    if (was_empty)
        g_main_context_wakeup(nullptr);
}
