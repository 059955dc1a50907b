// Framing, escaping and splitting of the lines that travel on both channels.
#include "channel/channel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How a stream is read. Whatever follows a quit on standard input belongs
// to whoever reads it next (two runs fed from one here-document), so
// standard input is read in blocks only where the bytes past the last line
// used can be left in place: a pipe is peeked at and consumed later up to
// where decoding got, a regular file is read ahead and sought back. Anything
// else on standard input (a terminal, a socket) is read one byte per call.
// FIFOs named on the command line and command files are nobody else's, so
// they are simply read in blocks.
enum class taking { blocks, peeked_blocks, blocks_sought_back, single_bytes };

struct input_state {
    taking how;
    bool eof = false;
    size_t pos = 0, len = 0;
    size_t consumed = 0;            // peeked_blocks: bytes of block gone from the pipe
    int peek_pipe[2] = {-1, -1};    // peeked_blocks: where tee puts the copy
    char block[65536];
};

// Touched by the reader thread only; never destroyed, since the reader may
// still be running while the process exits.
std::map<FILE *, input_state *> &inputs = *new std::map<FILE *, input_state *>;
std::atomic<bool> reader_stopping{false};
int wake_pipe[2] = {-1, -1};

taking taking_for(FILE *stream)
{
    struct stat st;
    if (stream != stdin)
        return taking::blocks;
    if (fstat(fileno(stream), &st) != 0)
        return taking::single_bytes;
    if (S_ISFIFO(st.st_mode))
        return taking::peeked_blocks;
    if (S_ISREG(st.st_mode) && lseek(fileno(stream), 0, SEEK_CUR) >= 0)
        return taking::blocks_sought_back;
    return taking::single_bytes;
}

// The stream looked up last, asked for several times per line; guarded like
// the map itself (one thread reads at a time, lending hands over under a lock).
FILE *last_stream = nullptr;
input_state *last_state = nullptr;

input_state &state_looked_up(FILE *stream)
{
    auto it = inputs.find(stream);
    input_state *state;
    if (it != inputs.end()) {
        state = it->second;
    } else {
        state = new input_state;
        state->how = taking_for(stream);
        if (state->how == taking::peeked_blocks && pipe2(state->peek_pipe, O_CLOEXEC) != 0)
            state->how = taking::single_bytes;
        inputs[stream] = state;
    }
    last_stream = stream;
    last_state = state;
    return *state;
}

inline input_state &state_for(FILE *stream)
{
    return stream == last_stream ? *last_state : state_looked_up(stream);
}

// Waits until fd is readable or the reader is told to stop.
bool wait_readable(int fd)
{
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        int top = fd;
        if (wake_pipe[0] >= 0) {
            FD_SET(wake_pipe[0], &set);
            top = std::max(top, wake_pipe[0]);
        }
        int n = select(top + 1, &set, nullptr, nullptr, nullptr);
        if (reader_stopping)
            return false;
        if (n > 0 && FD_ISSET(fd, &set))
            return true;
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
    }
}

// Reads exactly len bytes that are known to be there; false on an error.
bool read_fully(int fd, char *to, size_t len)
{
    while (len > 0) {
        ssize_t n = read(fd, to, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        to += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

// Copies what the pipe holds into the block without taking it out of the
// pipe. 0 at end of input; -1 with EINVAL when the stream cannot be peeked.
ssize_t peek_block(int fd, input_state &in)
{
    // Never waits: bytes already decoded but still in the pipe make it
    // look readable while nothing new has come.
    ssize_t n = tee(fd, in.peek_pipe[1], sizeof in.block, SPLICE_F_NONBLOCK);
    if (n <= 0)
        return n;
    in.consumed = 0;
    if (!read_fully(in.peek_pipe[0], in.block, static_cast<size_t>(n)))
        return -1;
    return n;
}

// Takes out of the stream exactly what has been decoded, and gives back
// what was read ahead of it.
void settle(FILE *stream, input_state &in)
{
    int fd = fileno(stream);
    if (in.how == taking::peeked_blocks && in.consumed < in.pos) {
        // The bytes are the ones already in the block, so they land on themselves.
        if (read_fully(fd, in.block + in.consumed, in.pos - in.consumed))
            in.consumed = in.pos;
    } else if (in.how == taking::blocks_sought_back && in.pos < in.len) {
        if (lseek(fd, -static_cast<off_t>(in.len - in.pos), SEEK_CUR) >= 0)
            in.len = in.pos;
    }
}

ssize_t read_block(int fd, input_state &in)
{
    switch (in.how) {
    case taking::peeked_blocks: {
        ssize_t n = peek_block(fd, in);
        if (n >= 0 || errno != EINVAL)
            return n;
        in.how = taking::single_bytes;  // not a pipe after all
        return read(fd, in.block, 1);
    }
    case taking::single_bytes:
        return read(fd, in.block, 1);
    default:
        return read(fd, in.block, sizeof in.block);
    }
}

// The next byte of the stream, or -1 at end of input; a read error or a stop
// request counts as end of input so that the reader never spins.
int next_byte(FILE *stream, input_state &in)
{
    if (in.pos < in.len)
        return static_cast<unsigned char>(in.block[in.pos++]);
    if (in.eof)
        return -1;
    int fd = fileno(stream);
    settle(stream, in);
    for (;;) {
        if (fd < 0 || !wait_readable(fd)) {
            in.eof = true;
            return -1;
        }
        ssize_t n = read_block(fd, in);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            in.eof = true;
            return -1;
        }
        in.pos = 1;
        in.len = static_cast<size_t>(n);
        return static_cast<unsigned char>(in.block[0]);
    }
}

}  // namespace

namespace {

void grow(char *&buf, size_t &capacity)
{
    char *bigger = static_cast<char *>(realloc(buf, capacity * 2));
    if (bigger == nullptr)
        OOM_ABORT();
    buf = bigger;
    capacity *= 2;
}

// Copies the plain bytes ahead in the block in one go, up to a line end or a
// backslash, which the byte-wise loop then handles.
void copy_plain_run(input_state &in, char *&buf, size_t &capacity, size_t &pos)
{
    const char *start = in.block + in.pos;
    size_t avail = in.len - in.pos;
    auto *end = static_cast<const char *>(memchr(start, '\n', avail));
    size_t run = end == nullptr ? avail : static_cast<size_t>(end - start);
    if (auto *escape = static_cast<const char *>(memchr(start, '\\', run)))
        run = static_cast<size_t>(escape - start);
    while (pos + run > capacity - 1)
        grow(buf, capacity);
    memcpy(buf + pos, start, run);
    pos += run;
    in.pos += run;
}

}  // namespace

size_t read_buf(FILE *stream, char *&buf, size_t &capacity)
{
    input_state &in = state_for(stream);
    bool escaped = false;
    size_t pos = 0;
    for (;;) {
        if (!escaped && in.pos < in.len)
            copy_plain_run(in, buf, capacity, pos);
        int c = next_byte(stream, in);
        if (c == '\n' || c < 0)
            break;
        if (pos >= capacity - 1)
            grow(buf, capacity);
        if (escaped) {
            escaped = false;
            buf[pos++] = c == 'n' ? '\n' : c == 'r' ? '\r' : static_cast<char>(c);
        } else if (c == '\\') {
            escaped = true;
        } else {
            buf[pos++] = static_cast<char>(c);
        }
    }
    buf[pos] = '\0';
    return pos;
}

bool input_at_eof(FILE *stream)
{
    input_state &in = state_for(stream);
    return in.eof && in.pos >= in.len;
}

bool input_lendable(FILE *stream)
{
    input_state &in = state_for(stream);
    if (in.how == taking::single_bytes || in.eof || in.pos < in.len)
        return false;
    // Input that is there already is a flood going on: the reader keeps
    // it, so that decoding goes on beside the commands instead of in turn.
    settle(stream, in);
    struct pollfd ready = {.fd = fileno(stream), .events = POLLIN, .revents = 0};
    return poll(&ready, 1, 0) == 0;
}

long refill_input(FILE *stream)
{
    input_state &in = state_for(stream);
    int fd = fileno(stream);
    if (in.eof || fd < 0)
        return -1;
    size_t rest = in.len - in.pos;  // the start of a line still to come
    ssize_t n;
    if (in.how == taking::peeked_blocks) {
        // What is left in the pipe starts with that line again.
        settle(stream, in);
        n = peek_block(fd, in);
        // Nothing new yet (a nested main loop looked before the client
        // wrote): go on lending.
        if (n < 0 && errno == EAGAIN)
            return rest == 0 ? 0 : -1;
        if (n <= 0)
            return -1;
        in.pos = 0;
        in.len = static_cast<size_t>(n);
        return n > static_cast<ssize_t>(rest) ? n : -1;
    }
    if (in.how == taking::single_bytes || rest == sizeof in.block)
        return -1;
    memmove(in.block, in.block + in.pos, rest);
    in.pos = 0;
    in.len = rest;
    n = read(fd, in.block + rest, sizeof in.block - rest);
    if (n <= 0)
        return -1;
    in.len += static_cast<size_t>(n);
    return n;
}

bool input_start_left_in_pipe(FILE *stream)
{
    input_state &in = state_for(stream);
    return in.how == taking::peeked_blocks && in.pos < in.len;
}

bool input_holds_line(FILE *stream)
{
    input_state &in = state_for(stream);
    return memchr(in.block + in.pos, '\n', in.len - in.pos) != nullptr;
}

size_t input_mark(FILE *stream)
{
    return state_for(stream).pos;
}

void input_rewind(FILE *stream, size_t mark)
{
    state_for(stream).pos = mark;
}

void settle_input(FILE *stream)
{
    auto it = inputs.find(stream);
    if (it != inputs.end())
        settle(stream, *it->second);
}

void forget_input(FILE *stream)
{
    auto it = inputs.find(stream);
    if (it == inputs.end())
        return;
    if (stream == last_stream)
        last_stream = nullptr;  // a later fopen may get the same address
    for (int fd : it->second->peek_pipe)
        if (fd >= 0)
            close(fd);
    delete it->second;
    inputs.erase(it);
}

bool reader_stop_requested()
{
    return reader_stopping;
}

void stop_reader()
{
    reader_stopping = true;
    stop_lending();
    if (wake_pipe[1] >= 0 && write(wake_pipe[1], "", 1) < 0) {
        // The flag alone still stops the reader at its next line.
    }
}

void wait_for_reader_stop()
{
    while (!reader_stopping && wake_pipe[0] >= 0) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(wake_pipe[0], &set);
        select(wake_pipe[0] + 1, &set, nullptr, nullptr, nullptr);
    }
}

void prepare_reader_wakeup()
{
    if (wake_pipe[0] < 0 && pipe(wake_pipe) != 0)
        wake_pipe[0] = wake_pipe[1] = -1;
}

void fputs_escaped(const char *text, FILE *stream)
{
    for (const char *p = text; *p; ) {
        size_t run = strcspn(p, "\n\\");
        fwrite(p, 1, run, stream);
        p += run;
        if (*p == '\n')
            fputs("\\n", stream);
        else if (*p == '\\')
            fputs("\\\\", stream);
        else
            break;
        ++p;
    }
}

bool streq(const char *a, const char *b)
{
    return a != nullptr && b != nullptr && strcmp(a, b) == 0;
}

namespace {

bool is_scan_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_action_char(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool is_name_char(char c)
{
    return is_action_char(c) || c == '-';
}

}  // namespace

// Blanks, a name, ":", an action and one blank or tab, scanned by hand
// (the reader's hottest path); a part that is missing leaves every later
// position at 0 and the data at the end of the line.
split_positions split_command(char *line)
{
    split_positions p = {0, 0, 0, 0, static_cast<int>(strlen(line))};
    int i = 0;
    while (is_scan_space(line[i]))
        ++i;
    p.name_start = i;
    while (is_name_char(line[i]))
        ++i;
    if (i > p.name_start) {
        p.name_end = i;
        if (line[i] == ':') {
            p.action_start = ++i;
            while (is_action_char(line[i]))
                ++i;
            if (i > p.action_start) {
                p.action_end = i;
                if (line[i] == ' ' || line[i] == '\t')
                    p.data_start = i + 1;
            }
        }
    }
    line[p.action_end] = '\0';
    line[p.name_end] = '\0';
    return p;
}

bool scan_truth(const char *data, unsigned *value)
{
    unsigned long number;
    if (!scan_exact(data, "%lu %c", &number) || number > 1)
        return false;
    *value = static_cast<unsigned>(number);
    return true;
}

bool is_blank(const char *data)
{
    char c;
    return data == nullptr || sscanf(data, " %c", &c) != 1;
}
