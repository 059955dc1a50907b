// Hand-over of commands from the reader to the GUI thread. Records wait in
// one queue drained by a single main-loop source at the default priority,
// so a flood costs one wake-up per batch instead of one timeout per line,
// while commands still run one at a time in the order read. While the
// reader would only wait for input, it lends the input to the GUI thread,
// which then reads and queues the lines itself: a lone command then costs
// one wake-up of one thread instead of one of each.
#include "channel/channel.h"

#include <malloc.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Never destroyed: exit runs static destructors while the reader may still
// wait on these, and destroying a condition variable with a waiter hangs.
std::mutex &queue_lock = *new std::mutex;
std::condition_variable &queue_drained = *new std::condition_variable;
std::deque<command_data *> &queue = *new std::deque<command_data *>;  // outlives exit

// Taken from the shared queue a batch at a time; touched by the GUI thread
// only, and shared by nested runs of the source so that the order holds.
std::deque<command_data *> &taken = *new std::deque<command_data *>;

// Longest stretch of commands before GTK's own events get a turn.
constexpr gint64 slice_usec = 5000;

// A reader far ahead of the GUI thread waits, so that a flood costs a
// bounded amount of memory instead of one record per unread line.
// The GUI thread itself never waits: nobody else would drain the queue.
constexpr size_t queue_limit = 4096;
std::thread::id gui_thread;

// Records that have run go back to the reader, which frees them a batch at
// a time: memory freed on one thread while another allocates from the same
// arena makes both cores fight over the allocator's lists on every command.
std::vector<command_data *> &spent = *new std::vector<command_data *>;     // GUI thread
std::vector<command_data *> &returned = *new std::vector<command_data *>;  // under queue_lock
constexpr size_t spent_limit = 2 * queue_limit;

// The main input, while the reader lends it (under queue_lock), and what the
// command source polls for it: nothing unless the queue is empty, so that
// lines are read no faster than the GUI thread carries them out.
bool reading_lent = false;
info *lent_reader = nullptr;
std::condition_variable &reading_back = *new std::condition_variable;
GPollFD input_poll = {.fd = -1, .events = 0, .revents = 0};
// When the GUI thread last ran a command (monotonic microseconds).
gint64 last_run_usec = 0;
GSource *command_source = nullptr;
// Lent input was read and what was decoded is still to be taken out of it
// (GUI thread only); done once the commands have answered.
bool settle_due = false;

void free_records(const std::vector<command_data *> &records)
{
    for (command_data *record : records)
        free(record);
}

// Records that have run, kept by the reader for the next lines: a flood
// then reuses the blocks of the queue instead of freeing and allocating one
// per line. They are freed once the flood is over (the reader lends input).
std::vector<command_data *> &spare = *new std::vector<command_data *>;  // reader thread
constexpr size_t spare_limit = queue_limit;

void keep_spare(std::vector<command_data *> &records)
{
    while (!records.empty() && spare.size() < spare_limit) {
        spare.push_back(records.back());
        records.pop_back();
    }
    free_records(records);
}

// Activations that "force" started and the toolkit finishes later (a
// button shows its press first). A "ping" or "main_quit" is a barrier: it
// and everything after it wait at the head of the queue until they end,
// while the main loop goes on so that they can.
int pending_activations = 0;
bool barrier_held = false;

bool is_barrier(const command_data *record)
{
    return record->fn == update_main_quit || streq(record->action, "ping");
}

command_data *pop_command()
{
    if (taken.empty()) {
        {
            std::lock_guard<std::mutex> hold(queue_lock);
            taken.swap(queue);
            if (returned.size() < spent_limit)
                returned.insert(returned.end(), spent.begin(), spent.end());
            else
                free_records(spent);
            spent.clear();
        }
        queue_drained.notify_all();
        if (taken.empty())
            return nullptr;
    }
    command_data *record = taken.front();
    taken.pop_front();
    return record;
}

// Whether records wait, and whether lent input is to be polled meanwhile.
bool queue_state(bool &lent)
{
    std::lock_guard<std::mutex> hold(queue_lock);
    lent = reading_lent;
    return !taken.empty() || !queue.empty();
}

gboolean command_prepare(GSource *, gint *timeout)
{
    *timeout = -1;
    bool lent;
    bool waiting = queue_state(lent);
    // A barrier keeps the records waiting; nothing more is read meanwhile.
    bool ready = waiting && !barrier_held;
    // Adding and removing a poll wakes the context, so the descriptor stays
    // polled while the input is lent and only its events follow the queue.
    if (lent && input_poll.fd < 0) {
        input_poll.fd = fileno(lent_reader->in);
        g_source_add_poll(command_source, &input_poll);
    } else if (!lent && input_poll.fd >= 0) {
        g_source_remove_poll(command_source, &input_poll);
        input_poll.fd = -1;
    }
    input_poll.events = lent && !waiting ? G_IO_IN | G_IO_HUP | G_IO_ERR : 0;
    input_poll.revents = 0;
    return ready;
}

bool input_waiting()
{
    return input_poll.fd >= 0 && input_poll.events != 0 && input_poll.revents != 0;
}

gboolean command_check(GSource *)
{
    bool lent;
    return (queue_state(lent) && !barrier_held) || input_waiting();
}

// Reads the lent input once it is readable; hands reading back to the
// reader when it must go on itself.
void read_lent_input()
{
    if (!input_waiting())
        return;
    input_poll.revents = 0;
    settle_due = true;
    if (take_lent_lines(lent_reader))
        return;
    settle_due = false;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        reading_lent = false;
    }
    reading_back.notify_all();
}

// May be entered again from a nested main loop (the print dialog runs one
// inside a command), which then goes on with the next queued commands. The
// numeric locale is switched once for the batch; each command's own switch
// then finds "C" already in force.
gboolean command_dispatch(GSource *, GSourceFunc, gpointer)
{
    c_numeric_scope c_numbers;
    read_lent_input();
    gint64 end = g_get_monotonic_time() + slice_usec;
    bool ran = false;
    for (unsigned n = 1;; ++n) {
        command_data *record = pop_command();
        if (record == nullptr)
            break;
        if (pending_activations > 0 && is_barrier(record)) {
            taken.push_front(record);
            barrier_held = true;
            break;
        }
        run_update(record);
        ran = true;
        if (n % 32 == 0 && g_get_monotonic_time() >= end)
            break;
    }
    if (ran)
        last_run_usec = g_get_monotonic_time();
    if (settle_due && taken.empty()) {
        settle_due = false;
        settle_input(lent_reader->in);
    }
    return G_SOURCE_CONTINUE;
}

GSourceFuncs command_source_funcs = {command_prepare, command_check, command_dispatch,
                                     nullptr, nullptr, nullptr};

// A client that asks a question usually asks the next one within
// microseconds of reading the answer, and waking a thread whose CPU has
// gone idle costs more than that. So for a moment after commands have run,
// the GUI thread looks at its descriptors without sleeping before it sleeps.
constexpr gint64 awake_usec = 200;
GPollFunc toolkit_poll;

gint poll_staying_awake(GPollFD *fds, guint count, gint timeout)
{
    if (timeout != 0) {
        gint64 until = last_run_usec + awake_usec;
        while (g_get_monotonic_time() < until) {
            gint ready = toolkit_poll(fds, count, 0);
            if (ready != 0)
                return ready;
        }
    }
    return toolkit_poll(fds, count, timeout);
}

}  // namespace

void attach_command_queue()
{
    gui_thread = std::this_thread::get_id();
    GSource *source = g_source_new(&command_source_funcs, sizeof(GSource));
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_can_recurse(source, TRUE);
    g_source_set_name(source, "wirepanel commands");
    command_source = source;
    g_source_attach(source, nullptr);
    g_source_unref(source);
    toolkit_poll = g_main_context_get_poll_func(nullptr);
    g_main_context_set_poll_func(nullptr, poll_staying_awake);
}

void activation_pending()
{
    ++pending_activations;
}

void activation_finished()
{
    if (pending_activations > 0 && --pending_activations == 0 && barrier_held) {
        barrier_held = false;
        g_main_context_wakeup(nullptr);
    }
}

void release_command(command_data *record)
{
    if (std::this_thread::get_id() != gui_thread || spent.size() >= spent_limit)
        free(record);
    else
        spent.push_back(record);
}

namespace {

// Records the reader has decoded while more whole lines wait in its block;
// they join the queue together, so that a flood takes the lock and
// touches the shared queue once per batch instead of once per line.
std::vector<command_data *> &held = *new std::vector<command_data *>;  // reader thread
constexpr size_t held_limit = 64;

}  // namespace

void hand_over_soon(command_data *record)
{
    held.push_back(record);
    if (held.size() >= held_limit)
        hand_over(nullptr);
}

void hand_over(command_data *record)
{
    bool was_empty;
    std::vector<command_data *> to_free;
    bool on_gui_thread = std::this_thread::get_id() == gui_thread;
    {
        std::unique_lock<std::mutex> hold(queue_lock);
        // The timeout only rechecks the stop request, which nobody signals here.
        while (!on_gui_thread && queue.size() >= queue_limit && !reader_stop_requested())
            queue_drained.wait_for(hold, std::chrono::milliseconds(50));
        was_empty = queue.empty();
        if (!on_gui_thread) {
            queue.insert(queue.end(), held.begin(), held.end());
            held.clear();
        }
        if (record != nullptr)
            queue.push_back(record);
        to_free.swap(returned);
    }
    // The GUI thread itself looks at the queue again before it waits.
    if (was_empty && !on_gui_thread)
        g_main_context_wakeup(nullptr);
    if (on_gui_thread)
        free_records(to_free);
    else
        keep_spare(to_free);
}

void *spare_block(size_t bytes)
{
    if (std::this_thread::get_id() == gui_thread || spare.empty() ||
        malloc_usable_size(spare.back()) < bytes)
        return nullptr;
    command_data *record = spare.back();
    spare.pop_back();
    return record;
}

void lend_reading(info *reader)
{
    free_records(spare);
    spare.clear();
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        lent_reader = reader;
        reading_lent = true;
    }
    g_main_context_wakeup(nullptr);
    std::unique_lock<std::mutex> hold(queue_lock);
    while (reading_lent && !reader_stop_requested())
        reading_back.wait(hold);
}

void stop_lending()
{
    std::lock_guard<std::mutex> hold(queue_lock);
    reading_back.notify_all();
}
