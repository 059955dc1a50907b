// The channels as named pipes: created or taken over with permissions 0600,
// checked to be the very file that was validated, removed at exit.
#include "startup/startup.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The FIFOs this process opened as its channels, and whether a failed
// start-up removes them: a client that finds them would wait forever for a
// program that is gone.
const char *channel_fifos[2];
bool remove_when_failing = false;

void remember_channel_fifo(const char *name)
{
    for (const char *&slot : channel_fifos)
        if (slot == nullptr) {
            slot = name;
            return;
        }
}

}  // namespace

void make_or_reuse_fifo(const char *name, struct stat *status)
{
    int fd;
    while ((fd = open(name, O_RDONLY | O_NONBLOCK)) < 0)
        if (mkfifo(name, 0600) != 0)
            exit_with_message(1, stderr, "making fifo %s: %s\n", name, strerror(errno));
    // Name the real cause: errno says nothing useful when the file is simply
    // not a FIFO.
    const char *reason = nullptr;
    if (fstat(fd, status) != 0)
        reason = strerror(errno);
    else if (!S_ISFIFO(status->st_mode))
        reason = "not a FIFO";
    else if (fchmod(fd, 0600) != 0)
        reason = strerror(errno);
    if (reason != nullptr)
        exit_with_message(1, stderr, "using pre-existing fifo %s: %s\n", name, reason);
    fstat(fd, status);
    close(fd);
}

FILE *open_fifo(const char *name, const char *mode, FILE *standard, int buffering)
{
    if (name == nullptr) {
        setvbuf(standard, nullptr, buffering, 0);
        return standard;
    }
    struct stat validated, opened;
    make_or_reuse_fifo(name, &validated);
    int fd = open(name, O_RDWR);
    const char *reason = nullptr;
    if (fd < 0 || fstat(fd, &opened) != 0)
        reason = strerror(errno);
    else if (opened.st_mode != validated.st_mode || opened.st_ino != validated.st_ino ||
             opened.st_dev != validated.st_dev)
        reason = "not the file that was validated";
    FILE *stream = reason ? nullptr : fdopen(fd, mode);
    if (stream == nullptr)
        exit_with_message(1, stderr, "opening fifo %s (%s): %s\n", name, mode,
                          reason ? reason : strerror(errno));
    setvbuf(stream, nullptr, buffering, 0);
    remember_channel_fifo(name);
    return stream;
}

void remove_fifos_on_failure()
{
    remove_when_failing = true;
}

void remove_fifos_after_failure()
{
    if (!remove_when_failing)
        return;
    for (const char *name : channel_fifos)
        if (name != nullptr)
            remove(name);
}

void close_fifo(FILE *standard, FILE *stream, const char *name)
{
    if (stream == standard)
        return;
    fclose(stream);
    remove(name);
}
