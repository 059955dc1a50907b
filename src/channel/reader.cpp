// The reader thread: reads lines, splits them, finds the addressed object
// and hands each command to the GUI thread in the order read.
#include "channel/channel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <utility>

int reader_depth = -1;

void oom_abort(const char *fn, const char *file, int line)
{
    fprintf(stderr, "Out of memory in %s (%s:%d): ", fn, file, line);
    abort();
}

void assumption_abort(const char *fn, const char *file, int line)
{
    fprintf(stderr, "In %s (%s:%d): ", fn, file, line);
    abort();
}

void update_nothing(command_data *)
{
}

// A line the reader could not take: a name that nobody has, or a command
// file that does not open.
void update_ignore(command_data *cmd)
{
    if (cmd->reason != nullptr)
        refuse_because("%s", cmd->reason);
    else
        refuse_unknown_name(cmd);
    complain(cmd);
}

// The switch is made for the calling thread alone (uselocale), which costs a
// pointer swap; setlocale rebuilt the names of every category each time,
// more work than the rest of a lone command together. Null when "C" numbers
// are already in force, which spares both switches for every command of a
// batch.
locale_t lc_numeric()
{
    static locale_t c_numbers = nullptr;
    locale_t current = uselocale(nullptr);
    if (current == c_numbers && c_numbers != nullptr)
        return nullptr;
    if (current == LC_GLOBAL_LOCALE) {
        const char *name = setlocale(LC_NUMERIC, nullptr);
        if (name != nullptr && strcmp(name, "C") == 0)
            return nullptr;
    }
    if (c_numbers == nullptr) {
        // Everything but the numbers as the process had it when first asked.
        locale_t base = duplocale(LC_GLOBAL_LOCALE);
        c_numbers = base == nullptr ? nullptr : newlocale(LC_NUMERIC_MASK, "C", base);
        if (c_numbers == nullptr)
            OOM_ABORT();
    }
    return uselocale(c_numbers);
}

void lc_numeric_restore(locale_t saved)
{
    if (saved != nullptr)
        uselocale(saved);
}

bool tabs_within_bound(const char *text)
{
    // Most data holds no tab at all: one vectorised scan says so.
    if (text == nullptr || strchr(text, '\t') == nullptr)
        return true;
    size_t tabs = 0;
    for (const char *p = text; *p != '\0'; p++) {
        if (*p == '\n')
            tabs = 0;
        else if (*p == '\t' && ++tabs > max_tabs_per_line)
            return false;
    }
    return true;
}

// Room for a short line at least, so that the block serves again.
constexpr size_t min_record_bytes = 192;

command_data *command_new(info *reader, const char *line, size_t len)
{
    size_t bytes = sizeof(command_data) + 2 * (len + 1);
    void *block = spare_block(bytes);
    if (block == nullptr)
        block = malloc(std::max(bytes, min_record_bytes));
    if (block == nullptr)
        OOM_ABORT();
    auto *record = static_cast<command_data *>(block);
    *record = {.fn = nullptr, .obj = nullptr, .action = nullptr, .data = nullptr,
               .cmd = reinterpret_cast<char *>(record + 1), .buf = nullptr, .type = 0,
               .info = reader};
    memcpy(record->cmd, line, len);
    record->cmd[len] = '\0';
    record->buf = record->cmd + len + 1;
    record->buf[0] = '\0';
    return record;
}

gboolean run_update(gpointer data)
{
    auto *record = static_cast<command_data *>(data);
    locale_t saved = lc_numeric();
    // Each command has its own refusal; a nested main loop (the print
    // dialog's) runs commands inside another one's.
    refusal why;
    refusal *outer = std::exchange(refusal_in_hand, &why);
    // Text laid out with many tabs on one line costs the toolkit time that
    // grows with the square of their number, freezing the GUI.
    if (!tabs_within_bound(record->data)) {
        refuse_because("more than %zu tabs on one line of the data", max_tabs_per_line);
        complain(record);
    } else {
        record->fn(record);
    }
    refusal_in_hand = outer;
    g_free(why.reason);
    release_command(record);
    lc_numeric_restore(saved);
    return FALSE;
}

namespace {

bool is_comment_or_empty(const char *line, size_t len)
{
    if (len == 0)
        return true;
    while (isspace(static_cast<unsigned char>(*line)))
        ++line;
    return *line == '#';
}

// The GUI thread's own line buffer for lent input.
char *lent_line = nullptr;
size_t lent_capacity = 0;

// Takes the next whole line of lent input; false, with the line left where
// it was, when the reader must handle it: a quit waits for shut-down and a
// command file may take any time to open and read.
bool take_lent_line(info *reader)
{
    size_t mark = input_mark(reader->in);
    size_t len = read_buf(reader->in, lent_line, lent_capacity);
    command_data *record = command_new(reader, lent_line, len);
    if (is_comment_or_empty(record->cmd, len)) {
        record->fn = update_nothing;
    } else {
        const char *name = split_record(record);
        if (streq(record->action, "main_quit") || streq(record->action, "load")) {
            free(record);
            input_rewind(reader->in, mark);
            return false;
        }
        resolve_split(reader, record, name);
    }
    log_msg(reader->log, record->cmd);
    hand_over(record);
    log_msg(reader->log, nullptr);
    return true;
}

}  // namespace

bool take_lent_lines(info *reader)
{
    if (lent_line == nullptr) {
        lent_capacity = 256;
        lent_line = static_cast<char *>(malloc(lent_capacity));
        if (lent_line == nullptr)
            OOM_ABORT();
    }
    long got = refill_input(reader->in);
    if (got < 0)
        return false;
    while (input_holds_line(reader->in))
        if (!take_lent_line(reader))
            return false;
    // More than a few lines at a time mean a flood, which is read faster
    // beside the GUI thread than by it: both cores then have work.
    return got < 4096 && !input_start_left_in_pipe(reader->in);
}

void *digest_cmd(info *reader)
{
    ++reader_depth;
    size_t capacity = 256;
    auto *line = static_cast<char *>(malloc(capacity));
    if (line == nullptr)
        OOM_ABORT();
    while (!input_at_eof(reader->in) && !reader_stop_requested()) {
        if (reader_depth == 0)
            log_msg(reader->log, nullptr);
        // Waiting here would cost each command a wake-up of this thread as
        // well as of the GUI thread; the GUI thread reads meanwhile instead.
        if (reader_depth == 0 && input_lendable(reader->in)) {
            lend_reading(reader);
            if (reader_stop_requested() || input_at_eof(reader->in))
                break;
        }
        size_t len = read_buf(reader->in, line, capacity);
        if (reader_stop_requested())
            break;
        if (reader_depth == 0)
            log_msg(reader->log, line);
        command_data *record = command_new(reader, line, len);
        if (is_comment_or_empty(record->cmd, len))
            record->fn = update_nothing;
        else
            resolve_command(reader, record);
        if (reader_stop_requested()) {
            free(record);
            break;
        }
        bool quits = record->fn == update_main_quit && is_blank(record->data);
        if (!quits && input_holds_line(reader->in))
            hand_over_soon(record);
        else
            hand_over(record);
        // Nothing after a quit can run, so leave the rest of the input to
        // whoever reads it next (two runs fed from one here-document).
        if (quits) {
            settle_input(reader->in);
            wait_for_reader_stop();
        }
        // One giant line does not keep its buffer for the rest of the session.
        if (capacity > 65536) {
            free(line);
            capacity = 256;
            line = static_cast<char *>(malloc(capacity));
            if (line == nullptr)
                OOM_ABORT();
        }
    }
    settle_input(reader->in);
    free(line);
    --reader_depth;
    return nullptr;
}
