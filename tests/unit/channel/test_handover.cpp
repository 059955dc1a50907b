// The hand-over queue: order, priority below commands, nested main loops.
#include "channel/channel.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>

namespace {

std::vector<int> ran;
GMainLoop *nested_loop = nullptr;

command_data *record_for(update_fn fn, int index)
{
    auto *record = static_cast<command_data *>(calloc(1, sizeof(command_data)));
    record->fn = fn;
    record->type = static_cast<GType>(index);  // the test's own tag
    return record;
}

void note_run(command_data *record)
{
    ran.push_back(static_cast<int>(record->type));
}

// Runs a nested main loop, as the print dialog does, until a later record
// has run inside it.
void run_nested_loop(command_data *record)
{
    note_run(record);
    nested_loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(nested_loop);
    g_main_loop_unref(nested_loop);
    nested_loop = nullptr;
}

void quit_nested_loop(command_data *record)
{
    note_run(record);
    if (nested_loop != nullptr)
        g_main_loop_quit(nested_loop);
}

void iterate_until(const bool &done)
{
    gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!done && g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, TRUE);
}

class HandOver : public testing::Test {
protected:
    static void SetUpTestSuite() { attach_command_queue(); }
    void SetUp() override { ran.clear(); }
};

TEST_F(HandOver, RunsEveryCommandInOrderBeforeLowPriorityIdles)
{
    constexpr int count = 20000;
    for (int i = 0; i < count; ++i)
        hand_over(record_for(note_run, i));
    size_t ran_before_idle = 0;
    bool idle_ran = false;
    struct probe { size_t *seen; bool *done; } p = {&ran_before_idle, &idle_ran};
    g_idle_add_full(300, [](gpointer data) -> gboolean {
        auto *pr = static_cast<probe *>(data);
        *pr->seen = ran.size();
        *pr->done = true;
        return G_SOURCE_REMOVE;
    }, &p, nullptr);
    iterate_until(idle_ran);
    EXPECT_EQ(ran_before_idle, static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(ran[i], i);
}

TEST_F(HandOver, NestedMainLoopGoesOnWithQueuedCommands)
{
    hand_over(record_for(run_nested_loop, 1));
    hand_over(record_for(note_run, 2));
    hand_over(record_for(quit_nested_loop, 3));
    hand_over(record_for(note_run, 4));
    bool done = false;
    g_idle_add_full(300, [](gpointer data) -> gboolean {
        *static_cast<bool *>(data) = true;
        return G_SOURCE_REMOVE;
    }, &done, nullptr);
    iterate_until(done);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(HandOver, RecordsFromAnotherThreadWakeTheLoop)
{
    GThread *thread = g_thread_new("reader", [](gpointer) -> gpointer {
        for (int i = 0; i < 1000; ++i)
            hand_over(record_for(note_run, i));
        return nullptr;
    }, nullptr);
    gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (ran.size() < 1000 && g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, TRUE);
    g_thread_join(thread);
    ASSERT_EQ(ran.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(ran[i], i);
}

// Runs the main loop for a while, as long as nothing else ends the wait.
void iterate_for(gint64 usec)
{
    gint64 deadline = g_get_monotonic_time() + usec;
    while (g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, FALSE);
}

command_data *ping_record(int index)
{
    command_data *record = record_for(note_run, index);
    record->action = const_cast<char *>("ping");
    return record;
}

// A "ping" and everything after it wait for pending activations, while
// the commands before it run at once and the main loop goes on.
TEST_F(HandOver, PingWaitsForPendingActivations)
{
    activation_pending();
    hand_over(record_for(note_run, 1));
    hand_over(ping_record(2));
    hand_over(record_for(note_run, 3));
    bool idle_ran = false;
    g_idle_add_full(300, [](gpointer data) -> gboolean {
        *static_cast<bool *>(data) = true;
        return G_SOURCE_REMOVE;
    }, &idle_ran, nullptr);
    iterate_until(idle_ran);
    iterate_for(50000);
    EXPECT_EQ(ran, (std::vector<int>{1}));
    activation_finished();
    gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (ran.size() < 3 && g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, TRUE);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST_F(HandOver, PingWithoutPendingActivationsRunsAtOnce)
{
    hand_over(ping_record(1));
    hand_over(record_for(note_run, 2));
    gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (ran.size() < 2 && g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, TRUE);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

}  // namespace
