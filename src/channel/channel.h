// The records and helpers that every subsystem passes around: the reader's
// context, one command in flight, keyword comparison and the one complaint.
#pragma once

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>
#include <cstdio>
#include <cstddef>
#include <locale.h>
#include <iterator>
#include <string>

// Context of a reader, of a command file's copy of it, and of the wiring
// walk. Feedback callbacks get records named for what they need instead
// (feedback/feedback.h).
struct info {
    FILE *out;            // where feedback lines go
    FILE *in;             // what a reader reads
    FILE *log;            // session log, or null
    GtkBuilder *builder;  // holds every object of the UI description
    const char *txt;      // the UI file name while wiring, else null
};

struct command_data;
using update_fn = void (*)(command_data *);

// One command on its way from the reader to the GUI thread.
struct command_data {
    update_fn fn;         // the class handler
    GObject *obj;         // the addressed object, when found
    char *action;         // points into buf
    char *data;           // points into buf
    char *cmd;            // the decoded line (in the record's block)
    char *buf;            // working copy of cmd, split in place (in the block)
    GType type;           // exact class of obj, or 0
    struct info *info;    // the reader's record (not owned)
    // Why the reader itself refused the line (a command file that does not
    // open); text that lives as long as the process, or null.
    const char *reason = nullptr;
};

// Aborts with the out-of-memory report naming the function.
[[noreturn]] void oom_abort(const char *fn, const char *file, int line);
// Aborts with the report of a violated internal assumption.
[[noreturn]] void assumption_abort(const char *fn, const char *file, int line);
#define OOM_ABORT() oom_abort(__func__, __FILE_NAME__, __LINE__)
#define ASSUMPTION_ABORT() assumption_abort(__func__, __FILE_NAME__, __LINE__)

// Line format.
size_t read_buf(FILE *stream, char *&buf, size_t &capacity);
bool input_at_eof(FILE *stream);
void forget_input(FILE *stream);
// Leaves in the stream exactly the bytes that have not been decoded yet;
// called before anything that may end the reading for good or for a while.
void settle_input(FILE *stream);
// For the GUI thread while the reader lends it the main input: whether the
// reader may lend it now (nothing read ahead is left); one more read of a
// stream that is readable, keeping the start of an unfinished line (the
// bytes read, or -1 when nothing new came and the reader must go on);
// whether a whole line is read ahead; and a position to go back to.
bool input_lendable(FILE *stream);
long refill_input(FILE *stream);
bool input_holds_line(FILE *stream);
// Whether the start of an unfinished line was only peeked at: the pipe then
// stays readable, so polling it cannot tell when the rest comes.
bool input_start_left_in_pipe(FILE *stream);
size_t input_mark(FILE *stream);
void input_rewind(FILE *stream, size_t mark);
void fputs_escaped(const char *text, FILE *stream);
bool streq(const char *a, const char *b);

// Positions recorded by splitting a command line.
struct split_positions {
    int name_start, name_end, action_start, action_end, data_start;
};
split_positions split_command(char *line);

// Reader and dispatcher.
extern int reader_depth;
void *digest_cmd(info *reader);
// One allocation holds the record and both copies of the line, so a
// command costs one malloc and one free, or none when a block that has
// served an earlier line is reused.
command_data *command_new(info *reader, const char *line, size_t len);
// A block of at least the given size that an earlier record has left to
// the reader, or null (always on the GUI thread).
void *spare_block(size_t bytes);
// Runs a record's handler and frees the record.
gboolean run_update(gpointer record);
// Splits a record's working copy into name, action and data and chooses
// its handler; a "load" line reads its command file here.
void resolve_command(info *reader, command_data *record);
// Its two steps: splitting the working copy (the name is returned), then
// choosing the handler, for a caller that looks at the action in between.
const char *split_record(command_data *record);
void resolve_split(info *reader, command_data *record, const char *name);
void update_nothing(command_data *);
void update_main_quit(command_data *);
void update_ignore(command_data *);
// The handler of an object's exact class, from the table of classes.
update_fn dispatch_handler(GType type);
// The last handler of every command: the actions that any widget (or any
// object) knows, and else the complaint. Every class handler hands on
// what it does not know.
void update_widget(command_data *cmd);
// Queues a record for the GUI thread; records run in the order queued. A
// null record only passes on what hand_over_soon holds back.
void hand_over(command_data *record);
// The same for a record that more records follow at once (the reader has
// more whole lines in hand); it is queued with them, by the next hand_over.
void hand_over_soon(command_data *record);
// An activation started by a command and finished later by the toolkit;
// a "ping" or "main_quit" waits until every such activation has finished.
void activation_pending();
void activation_finished();
// Frees a record that has run; on the GUI thread, by way of the reader.
void release_command(command_data *record);
// Attaches the source that runs queued records to the default main context.
void attach_command_queue();
// The reader, about to wait for input, lets the GUI thread read the lines
// that come meanwhile; returns once the GUI thread hands reading back (a
// line it leaves to the reader, or a flood) or shut-down begins.
void lend_reading(info *reader);
void stop_lending();
// On the GUI thread: takes the lines of one read of lent input; false when
// the reader must go on.
bool take_lent_lines(info *reader);
// Wakes a reader blocked on input and makes every reader level return.
void stop_reader();
bool reader_stop_requested();
// Blocks the reader until shut-down stops it.
void wait_for_reader_stop();
// Called once before the reader starts, so that stop_reader can wake it.
void prepare_reader_wakeup();

// Numbers in the "C" locale for the calling thread; what to restore, or null.
locale_t lc_numeric();
void lc_numeric_restore(locale_t saved);

// Switches LC_NUMERIC to "C" for the lifetime of the holder.
struct c_numeric_scope {
    locale_t saved = lc_numeric();
    c_numeric_scope() = default;
    c_numeric_scope(const c_numeric_scope &) = delete;
    c_numeric_scope &operator=(const c_numeric_scope &) = delete;
    ~c_numeric_scope() { lc_numeric_restore(saved); }
};

// Command files.
bool remember_loading_file(const char *name);
// The handler of a "load" line; a file that does not open gives its reason.
update_fn load_command_file(info *reader, const char *name, const char **reason);

// A file that a save writes: into a temporary file beside the target, or
// straight into a target that is no regular file (a FIFO, a device). A
// stream that is null means the file cannot be written at all. Until it is
// committed, the target is as it was; a holder that is not committed
// removes its temporary file.
struct saved_file {
    FILE *stream = nullptr;
    int fd = -1;         // what the stream writes to
    int error = 0;       // the first failure, as an errno value
    std::string target;  // the file written, symbolic links followed
    std::string temp;    // the temporary file, or empty when written directly

    explicit saved_file(const char *name);
    ~saved_file();
    saved_file(const saved_file &) = delete;
    saved_file &operator=(const saved_file &) = delete;
    void discard();
};

// Checks every write and the close, syncs, and puts the file in place of
// its target; false when anything failed, with the reason in `error`, and
// the target is then untouched.
bool commit_saved_file(saved_file &file);
// The reasons every save gives, in one wording, when its file cannot be
// opened or cannot be written; false, as refuse_because.
bool refuse_unopened(const saved_file &file);
bool refuse_unwritten(const saved_file &file);

// Session log.
void log_msg(FILE *log, const char *line);
// The name that a report of a failed write gives the log.
void name_log(const char *name);
// Writes out what the log still buffers, at exit, reporting a failure.
void flush_log(FILE *log);
// Microseconds from a g_get_monotonic_time reading until now.
long elapsed_usec(gint64 start);

// Most tabs one line of command data may hold; no real text comes near.
constexpr size_t max_tabs_per_line = 1000;
bool tabs_within_bound(const char *text);

// The refusal path. A handler refuses by returning false, at most after
// saying why; the complaint is written once, by the dispatcher, with a
// reason line made from what the handlers left behind.

// One row of an action table as the complaint names it: the keyword and
// the form of its data ("" for none, null where nobody wrote it down).
struct row_usage {
    const char *action;
    const char *form;
};

// A table of actions that tried the command in hand, so that the complaint
// can name what it knows. Any row type with the fields action and form will do.
struct tried_table {
    const void *rows;
    size_t count;
    row_usage (*usage)(const void *rows, size_t index);
};

// What the handlers found out while they tried the command in hand.
struct refusal {
    char *reason = nullptr;  // the first reason a handler gave (g_free), or null
    tried_table tables[4] = {};
    size_t table_count = 0;
};

// The refusal of the command that runs now; null outside a command. Only
// the GUI thread touches it.
extern refusal *refusal_in_hand;

// Remembers that a table tried the command in hand.
template <typename Row, size_t N>
void note_tried(const Row (&rows)[N])
{
    refusal *r = refusal_in_hand;
    if (r == nullptr || r->table_count == std::size(r->tables))
        return;
    r->tables[r->table_count++] = {rows, N, [](const void *all, size_t i) {
        const Row &row = static_cast<const Row *>(all)[i];
        return row_usage{row.action, row.form};
    }};
}

// Says why the command in hand is refused, where a handler knows more than
// the form of its data; the first reason given stands. Always false, so a
// handler refuses with `return refuse_because(...)`.
bool refuse_because(const char *format, ...) G_GNUC_PRINTF(1, 2);

// Text a widget may take: valid UTF-8. Anything else is refused with its
// reason, since the toolkit only warns about it and then shows garbage.
bool valid_text(const char *text);

// The one complaint about a command that cannot be carried out, then on a
// line of its own, indented, why; the prefix comes first ("" or "missing model/").
void ignore_cmd(GType type, const char *line, const char *reason, const char *prefix = "");
// Writes the complaint about a record with the reason its handlers found.
void complain(command_data *cmd, const char *prefix = "");
// Why no object has the record's name: the nearest id when one is close.
bool refuse_unknown_name(command_data *cmd);

// A widget or window larger than any screen takes the toolkit many seconds
// to lay out and paint, freezing the GUI: sizes are bounded far above the
// largest screens.
constexpr int max_widget_size = 16384;

// Data parsing helpers shared by every handler.
// True when the data is empty or white space only (" %c" converts nothing).
bool is_blank(const char *data);

// A truth value: exactly one number, 0 or 1. A minus sign turns into a huge
// number; read wider than an unsigned int, so that 4294967297 is refused
// rather than wrapped round to 1.
bool scan_truth(const char *data, unsigned *value);

// Reads data with a scanf format that ends in " %c" and accepts it only when
// exactly one conversion per target was made: trailing blanks pass, any
// trailing non-blank character adds a conversion and refuses the data.
template <typename... T>
bool scan_exact(const char *data, const char *format, T *...targets)
{
    char trailing;
    if (data == nullptr)
        return false;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::sscanf(data, format, targets..., &trailing);
#pragma GCC diagnostic pop
    return n == static_cast<int>(sizeof...(targets));
}
