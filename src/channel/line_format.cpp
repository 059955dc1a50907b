// Framing, escaping and splitting of the lines that travel on both channels.
#include "channel/channel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/select.h>
#include <unistd.h>

namespace {

// What a reader has taken from a stream but not yet decoded. Standard input
// is read one byte per call so that a process that reads the same standard
// input after us finds every byte that we did not take; FIFOs and files are
// read in blocks.
struct input_state {
    bool one_byte;
    bool eof = false;
    size_t pos = 0, len = 0;
    char block[65536];
};

// Touched by the reader thread only; never destroyed, since the reader may
// still be running while the process exits.
std::map<FILE *, input_state *> &inputs = *new std::map<FILE *, input_state *>;
std::atomic<bool> reader_stopping{false};
int wake_pipe[2] = {-1, -1};

input_state &state_for(FILE *stream)
{
    auto it = inputs.find(stream);
    if (it != inputs.end())
        return *it->second;
    auto *state = new input_state;
    state->one_byte = (stream == stdin);
    inputs[stream] = state;
    return *state;
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

// The next byte of the stream, or -1 at end of input; a read error or a stop
// request counts as end of input so that the reader never spins.
int next_byte(FILE *stream, input_state &in)
{
    if (in.pos < in.len)
        return static_cast<unsigned char>(in.block[in.pos++]);
    if (in.eof)
        return -1;
    int fd = fileno(stream);
    for (;;) {
        if (fd < 0 || !wait_readable(fd)) {
            in.eof = true;
            return -1;
        }
        ssize_t n = read(fd, in.block, in.one_byte ? 1 : sizeof in.block);
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
    size_t run = 0, avail = in.len - in.pos;
    while (run < avail && start[run] != '\n' && start[run] != '\\')
        ++run;
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

void forget_input(FILE *stream)
{
    auto it = inputs.find(stream);
    if (it == inputs.end())
        return;
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
