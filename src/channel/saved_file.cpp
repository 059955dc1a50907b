// Writing a file in place of another so that a failed save loses nothing:
// the new content goes into a temporary file beside the target and is
// renamed over it only once every byte is written and synced.
#include "channel/channel.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

// The kernel's own bound on a chain of symbolic links.
constexpr int max_link_depth = 40;

// The links in /proc stand for open descriptors, not names (/dev/stdout
// leads to one): what they read as may be no path at all ("pipe:[...]"),
// and a file replaced behind one would leave the descriptor on the old
// file. They are written through, as a plain open would.
bool names_descriptor(const std::string &link)
{
    g_autofree gchar *dir = g_path_get_dirname(link.c_str());
    struct statfs fs;
    return statfs(dir, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

// The file a name finally stands for: symbolic links are followed one at a
// time, so that a link to a file that does not exist yet still names where
// that file will be. Through a descriptor's link the target is written
// directly. False when the chain does not end.
bool follow_links(const char *name, std::string &path, struct stat &st, bool &exists,
                  bool &direct)
{
    path = name;
    direct = false;
    for (int depth = 0; depth < max_link_depth; depth++) {
        if (lstat(path.c_str(), &st) != 0) {
            exists = false;
            return errno == ENOENT;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            return true;
        }
        if (names_descriptor(path)) {
            exists = direct = true;
            return true;
        }
        g_autofree gchar *link = g_file_read_link(path.c_str(), nullptr);
        if (link == nullptr)
            return false;
        if (g_path_is_absolute(link)) {
            path = link;
        } else {
            g_autofree gchar *dir = g_path_get_dirname(path.c_str());
            g_autofree gchar *joined = g_build_filename(dir, link, nullptr);
            path = joined;
        }
    }
    errno = ELOOP;
    return false;
}

// A new file gets the mode the umask leaves of 0666, as a plain open would
// give it; a file written over keeps its owner where that can be kept, and
// its permission bits.
int open_temporary(std::string &temp, const struct stat *old)
{
    int fd = g_mkstemp_full(temp.data(), O_WRONLY | O_CLOEXEC, old ? 0600 : 0666);
    if (fd < 0 || old == nullptr)
        return fd;
    // Only root can always hand the copy over; where that fails the copy
    // stays ours, and the permission bits below still hold.
    [[maybe_unused]] int owner_kept = fchown(fd, old->st_uid, old->st_gid);
    if (fchmod(fd, old->st_mode & 07777) != 0) {
        close(fd);
        unlink(temp.c_str());
        return -1;
    }
    return fd;
}

// The stream keeps no error of its own: feedback writers clear a stream's
// error after reporting a line they could not send, which must not make a
// failed save look complete. The first failure stays in the holder.
ssize_t write_checked(void *cookie, const char *data, size_t size)
{
    auto *file = static_cast<saved_file *>(cookie);
    for (size_t done = 0; done < size && file->error == 0;) {
        ssize_t n = write(file->fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            file->error = n < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

int close_checked(void *cookie)
{
    auto *file = static_cast<saved_file *>(cookie);
    // Some file systems report errors only at the close.
    if (close(file->fd) != 0 && file->error == 0)
        file->error = errno;
    file->fd = -1;
    return 0;
}

// Takes the descriptor over; null (the descriptor closed) when no stream
// can be made.
FILE *checked_stream(saved_file &file, int fd)
{
    file.fd = fd;
    FILE *stream = fopencookie(&file, "w", {.read = nullptr, .write = write_checked,
                                             .seek = nullptr, .close = close_checked});
    if (stream == nullptr) {
        file.error = errno;
        close(fd);
        file.fd = -1;
    }
    return stream;
}

}  // namespace

saved_file::saved_file(const char *name)
{
    struct stat st;
    bool exists;
    bool descriptor;
    if (name == nullptr || *name == '\0') {
        error = ENOENT;
        return;
    }
    if (!follow_links(name, target, st, exists, descriptor)) {
        error = errno;
        return;
    }
    // Devices, FIFOs and terminals have no content to keep and cannot be
    // replaced by renaming: they are written directly, as a plain open would.
    if (descriptor || (exists && !S_ISREG(st.st_mode))) {
        int direct = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (direct < 0)
            error = errno;
        else
            stream = checked_stream(*this, direct);
        return;
    }
    // A file that may not be written keeps its content, as under a plain
    // open, although the directory would let it be replaced.
    if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        error = errno;
        return;
    }
    // A short fixed pattern: the target's own name may already be as long
    // as a name can be.
    g_autofree gchar *dir = g_path_get_dirname(target.c_str());
    g_autofree gchar *pattern = g_build_filename(dir, ".wirepanel-XXXXXX", nullptr);
    temp = pattern;
    int made = open_temporary(temp, exists ? &st : nullptr);
    if (made < 0) {
        error = errno;
        temp.clear();
        return;
    }
    stream = checked_stream(*this, made);
    if (stream == nullptr)
        discard();
}

saved_file::~saved_file()
{
    if (stream != nullptr)
        fclose(stream);
    discard();
}

void saved_file::discard()
{
    if (!temp.empty())
        unlink(temp.c_str());
    temp.clear();
}

bool commit_saved_file(saved_file &file)
{
    if (file.stream == nullptr)
        return false;
    fflush(file.stream);
    if (file.error == 0 && !file.temp.empty() && fsync(file.fd) != 0)
        file.error = errno;
    fclose(file.stream);
    file.stream = nullptr;
    if (file.error == 0 && !file.temp.empty() &&
        rename(file.temp.c_str(), file.target.c_str()) != 0)
        file.error = errno;
    if (file.error == 0)
        file.temp.clear();
    file.discard();
    return file.error == 0;
}

bool refuse_unopened(const saved_file &file)
{
    return refuse_because("cannot open the file: %s", g_strerror(file.error));
}

bool refuse_unwritten(const saved_file &file)
{
    return refuse_because("cannot write the file: %s", g_strerror(file.error));
}
