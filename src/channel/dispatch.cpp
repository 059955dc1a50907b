// Chooses the handler of a line: the reader's own actions first, then the
// handler of the exact class of the object that the line names.
#include "channel/channel.h"

#include <cstring>

const char *split_record(command_data *record)
{
    strcpy(record->buf, record->cmd);
    split_positions p = split_command(record->buf);
    record->action = record->buf + p.action_start;
    record->data = record->buf + p.data_start;
    return record->buf + p.name_start;
}

void resolve_split(info *reader, command_data *record, const char *name)
{
    if (streq(record->action, "main_quit")) {
        record->fn = update_main_quit;
        return;
    }
    if (streq(record->action, "load") && *record->data && remember_loading_file(record->data)) {
        record->fn = load_command_file(reader, record->data, &record->reason);
        return;
    }
    record->obj = gtk_builder_get_object(reader->builder, name);
    if (record->obj == nullptr) {
        record->fn = update_ignore;
        return;
    }
    record->type = G_OBJECT_TYPE(record->obj);
    record->fn = dispatch_handler(record->type);
}

void resolve_command(info *reader, command_data *record)
{
    resolve_split(reader, record, split_record(record));
}
