// Recorded signal handlers, so that "block" can later mute and unmute every
// reaction that the wiring gave an object, and the id lookup of the naming
// convention.
#include "feedback/feedback.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

void push_handler_id(gpointer instance, gulong id)
{
    auto *record = static_cast<handler_record *>(malloc(sizeof(handler_record)));
    if (record == nullptr)
        OOM_ABORT();
    *record = {.id = static_cast<guint32>(id), .blocked = false,
               .next = static_cast<handler_record *>(
                   g_object_get_data(G_OBJECT(instance), "signal-id"))};
    g_object_set_data(G_OBJECT(instance), "signal-id", record);
}

// A connection that GLib refused (id 0) is not recorded, so "block" never
// hands GLib an id it does not know.
void connect_recorded(gpointer instance, const char *signal, GCallback callback, gpointer data)
{
    gulong id = g_signal_connect_data(instance, signal, callback, data, nullptr,
                                      static_cast<GConnectFlags>(0));
    if (id != 0)
        push_handler_id(instance, id);
}

void connect_tagged(gpointer instance, const char *signal, GCallback callback, const char *tag,
                    FILE *out)
{
    connect_recorded(instance, signal, callback, feedback_link_new(out, tag));
}

void connect_recorded_swapped(gpointer instance, const char *signal, GCallback callback,
                              gpointer data)
{
    gulong id = g_signal_connect_data(instance, signal, callback, data, nullptr,
                                      G_CONNECT_SWAPPED);
    if (id != 0)
        push_handler_id(instance, id);
}

// However long the id, the part before the suffix is looked up by at most
// its first 256 bytes.
GObject *lookup_id_prefix(GtkBuilder *builder, size_t suffix_position, const char *id)
{
    constexpr size_t longest_prefix = 256;
    if (id == nullptr)
        return nullptr;
    std::string prefix(id, strnlen(id, std::min(suffix_position, longest_prefix)));
    return gtk_builder_get_object(builder, prefix.c_str());
}

// Blocks or unblocks the target's recorded handlers at most once each, so
// one "block 0" undoes any number of "block 1".
bool set_handlers_blocked(command_data *cmd, GObject *target)
{
    unsigned value;
    if (!scan_truth(cmd->data, &value))
        return false;
    if (target == nullptr)
        return true;
    bool block = value == 1;
    auto *record = static_cast<handler_record *>(g_object_get_data(target, "signal-id"));
    for (; record != nullptr; record = record->next) {
        if (record->blocked == block)
            continue;
        if (block)
            g_signal_handler_block(target, record->id);
        else
            g_signal_handler_unblock(target, record->id);
        record->blocked = block;
    }
    return true;
}
