// Status bars: each stack operation for the default context, named "0", and
// with the suffix "_id" for a context that the first word of the data names.
#include "widgets/action_table.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// Each class's actions, in the order they are tried.
bool push(command_data *cmd);
bool push_id(command_data *cmd);
bool pop(command_data *cmd);
bool pop_id(command_data *cmd);
bool remove_all(command_data *cmd);
bool remove_all_id(command_data *cmd);

constexpr action_row statusbar_actions[] = {
    {.action = "push", .run = push, .form = "TEXT"},
    {.action = "push_id", .run = push_id, .form = "CONTEXT TEXT"},
    {.action = "pop", .run = pop, .form = ""},
    {.action = "pop_id", .run = pop_id, .form = "CONTEXT"},
    {.action = "remove_all", .run = remove_all, .form = ""},
    {.action = "remove_all_id", .run = remove_all_id, .form = "CONTEXT"},
};

// The data read as "%s %n%c": a context word and the text after it.
struct context_data {
    int words;          // 0: nothing but blanks; 1: one word; 2: a word and more text
    std::unique_ptr<char[]> word;  // as long as the data, so that any word fits
    const char *rest;   // from the first non-blank after the word to the end
};

context_data read_context(const char *data)
{
    context_data parsed{.words = 0, .word = {}, .rest = ""};
    parsed.word.reset(new (std::nothrow) char[strlen(data) + 1]);
    if (!parsed.word)
        OOM_ABORT();
    int rest_start = 0;
    char next;
    int n = sscanf(data, "%s %n%c", parsed.word.get(), &rest_start, &next);
    if (n < 1)
        return parsed;
    parsed.words = n;
    parsed.rest = data + rest_start;
    return parsed;
}

GtkStatusbar *bar(command_data *cmd) { return GTK_STATUSBAR(cmd->obj); }

guint context_id(command_data *cmd, const char *description)
{
    return gtk_statusbar_get_context_id(bar(cmd), description);
}

bool push(command_data *cmd)
{
    if (!valid_text(cmd->data))
        return false;
    gtk_statusbar_push(bar(cmd), context_id(cmd, "0"), cmd->data);
    return true;
}

bool push_id(command_data *cmd)
{
    context_data parsed = read_context(cmd->data);
    if (parsed.words < 1 || !valid_text(cmd->data))
        return false;
    gtk_statusbar_push(bar(cmd), context_id(cmd, parsed.word.get()), parsed.rest);
    return true;
}

bool pop(command_data *cmd)
{
    if (read_context(cmd->data).words != 0)
        return false;
    gtk_statusbar_pop(bar(cmd), context_id(cmd, "0"));
    return true;
}

bool pop_id(command_data *cmd)
{
    context_data parsed = read_context(cmd->data);
    if (parsed.words != 1)
        return false;
    gtk_statusbar_pop(bar(cmd), context_id(cmd, parsed.word.get()));
    return true;
}

bool remove_all(command_data *cmd)
{
    if (read_context(cmd->data).words != 0)
        return false;
    gtk_statusbar_remove_all(bar(cmd), context_id(cmd, "0"));
    return true;
}

bool remove_all_id(command_data *cmd)
{
    context_data parsed = read_context(cmd->data);
    if (parsed.words != 1)
        return false;
    gtk_statusbar_remove_all(bar(cmd), context_id(cmd, parsed.word.get()));
    return true;
}

}  // namespace

void update_statusbar(command_data *cmd) { run_actions(cmd, statusbar_actions); }
