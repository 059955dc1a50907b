// wirepanel-web: runs wirepanel on a private Broadway display and serves it to
// a web browser. The display lives exactly as long as wirepanel; standard
// input and output belong to wirepanel alone.
#include <glib.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *usage_text =
    "usage: wirepanel-web [--address ip] [--port port | --socket path]\n"
    "                     [--cert certificate --key key] [wirepanel-option...]\n"
    "       wirepanel-web -h | --help\n";

constexpr const char *help_text =
    "Runs wirepanel with the given wirepanel options (see wirepanel -h) on a\n"
    "Broadway display and prints the URL to open in a web browser.\n"
    "  --address ip   the address to serve on (default 127.0.0.1)\n"
    "  --port port    the port to serve on (default: the first free one from 8080)\n"
    "  --socket path  serve on a Unix socket of mode 0600 instead of a port; its\n"
    "                 directory must be private to the user (made 0700 if missing)\n"
    "  --cert, --key  serve HTTPS with this certificate and private key\n"
    "Broadway has no authentication: whoever reaches the port operates the interface.\n";

constexpr int first_port = 8080;
constexpr int port_tries = 1000;
constexpr int display_tries = 1000;
constexpr int start_tries = 20;
constexpr int ready_seconds = 30;
constexpr int stop_seconds = 5;

struct web_options {
    std::string address = "127.0.0.1";
    bool address_given = false;
    int port = 0; // 0: the first free one from first_port
    std::string socket_path;
    std::string cert;
    std::string key;
    std::vector<std::string> passed; // wirepanel's own arguments
    bool prints_only = false;        // -V or -G: wirepanel prints and ends
};

// One running broadwayd: its process, display number and where it serves.
struct broadway {
    pid_t pid = -1;
    int display = -1;
    int port = 0;
};

// Joins texts; also keeps clear of a false alarm of GCC 12 about
// "literal" + std::string at -O3.
template <typename... Parts>
std::string concat(const Parts &...parts)
{
    std::string text;
    (text.append(parts), ...);
    return text;
}

[[noreturn]] void fail(const char *format, ...) G_GNUC_PRINTF(1, 2);

[[noreturn]] void fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fputs("wirepanel-web: ", stderr);
    vfprintf(stderr, format, args);
    va_end(args);
    exit(1);
}

[[noreturn]] void usage_error(const char *format, const char *what)
{
    fputs("wirepanel-web: ", stderr);
    fprintf(stderr, format, what);
    fputs(usage_text, stderr);
    exit(1);
}

int parse_port(const char *text)
{
    char *end = nullptr;
    errno = 0;
    long port = strtol(text, &end, 10);
    if (errno || end == text || *end || port < 1 || port > 65535 || !g_ascii_isdigit(*text))
        usage_error("%s is not a port number (1 to 65535)\n", text);
    return static_cast<int>(port);
}

// Our own options, scanned top to bottom; each takes one argument.
struct web_option {
    const char *name;
    void (*take)(web_options &opt, const char *value);
};

constexpr web_option web_option_table[] = {
    {"--address", [](web_options &o, const char *v) { o.address = v; o.address_given = true; }},
    {"--port", [](web_options &o, const char *v) { o.port = parse_port(v); }},
    {"--socket", [](web_options &o, const char *v) { o.socket_path = v; }},
    {"--cert", [](web_options &o, const char *v) { o.cert = v; }},
    {"--key", [](web_options &o, const char *v) { o.key = v; }},
};

// Takes "--name value" or "--name=value" at argv[i]; false when it is not ours.
bool take_web_option(web_options &opt, int argc, char **argv, int &i)
{
    for (const web_option &row : web_option_table) {
        size_t n = strlen(row.name);
        if (strncmp(argv[i], row.name, n) != 0)
            continue;
        const char *value = nullptr;
        if (argv[i][n] == '=')
            value = argv[i] + n + 1;
        else if (argv[i][n] != '\0')
            continue;
        else if (i + 1 < argc)
            value = argv[++i];
        if (!value || !*value)
            usage_error("%s needs an argument\n", row.name);
        row.take(opt, value);
        return true;
    }
    return false;
}

// Hands one of wirepanel's short-option clusters on, with the argument of its
// last letter when that letter takes one, so that a file named like one of
// our options is never mistaken for it.
void pass_short_options(web_options &opt, int argc, char **argv, int &i)
{
    const char *cluster = argv[i];
    opt.passed.push_back(cluster);
    for (const char *c = cluster + 1; *c; c++) {
        if (*c == 'b')
            fail("-b is not supported: the display ends with wirepanel, so wirepanel stays "
                 "in the foreground; put wirepanel-web itself in the background instead\n");
        if (*c == 'V' || *c == 'G')
            opt.prints_only = true;
        if (strchr("eilOou", *c)) {
            if (c[1] == '\0' && i + 1 < argc)
                opt.passed.push_back(argv[++i]);
            return;
        }
    }
}

void check_options(const web_options &opt)
{
    if (!opt.socket_path.empty() && (opt.port || opt.address_given))
        usage_error("%s excludes --port and --address\n", "--socket");
    if (opt.cert.empty() != opt.key.empty())
        usage_error("%s need each other\n", "--cert and --key");
    for (const std::string *file : {&opt.cert, &opt.key})
        if (!file->empty() && access(file->c_str(), R_OK) != 0)
            fail("%s: %s\n", file->c_str(), strerror(errno));
}

web_options parse_options(int argc, char **argv)
{
    web_options opt;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        if (!strcmp(arg, "-h") || !strcmp(arg, "--help")) {
            fputs(usage_text, stdout);
            fputs(help_text, stdout);
            exit(0);
        }
        if (!strcmp(arg, "--")) {
            opt.passed.insert(opt.passed.end(), argv + i, argv + argc);
            break;
        }
        if (!strncmp(arg, "--display", 9) && (arg[9] == '\0' || arg[9] == '='))
            fail("--display is not taken: wirepanel-web makes the display itself\n");
        if (take_web_option(opt, argc, argv, i))
            continue;
        if (arg[0] == '-' && arg[1] != '-' && arg[1] != '\0')
            pass_short_options(opt, argc, argv, i);
        else
            opt.passed.push_back(arg);
    }
    check_options(opt);
    return opt;
}

// The IP address broadwayd is to serve on.
struct bind_address {
    sockaddr_storage addr{};
    socklen_t len = 0;
    bool loopback = false;
};

bind_address parse_address(const std::string &text)
{
    bind_address a;
    auto *v4 = reinterpret_cast<sockaddr_in *>(&a.addr);
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(&a.addr);
    if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        a.len = sizeof *v4;
        a.loopback = (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    } else if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        a.len = sizeof *v6;
        a.loopback = IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) ||
                     (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr) && v6->sin6_addr.s6_addr[12] == 127);
    } else {
        usage_error("%s is not an IP address\n", text.c_str());
    }
    return a;
}

// Whether the port can be bound on the address, binding as broadwayd does.
bool port_free(bind_address a, int port, const std::string &address)
{
    if (a.addr.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in *>(&a.addr)->sin_port = htons(port);
    else
        reinterpret_cast<sockaddr_in6 *>(&a.addr)->sin6_port = htons(port);
    int fd = socket(a.addr.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        fail("making a socket: %s\n", strerror(errno));
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    int error = bind(fd, reinterpret_cast<sockaddr *>(&a.addr), a.len) == 0 ? 0 : errno;
    close(fd);
    if (error && error != EADDRINUSE)
        fail("cannot serve on %s port %d: %s\n", address.c_str(), port, strerror(error));
    return error == 0;
}

int next_free_port(const bind_address &a, int from, const std::string &address)
{
    for (int port = from; port < from + port_tries && port <= 65535; port++)
        if (port_free(a, port, address))
            return port;
    fail("no free port from %d to %d on %s\n", from, from + port_tries - 1, address.c_str());
}

// The abstract Unix socket on which broadwayd takes the clients of a display;
// the toolkit names it the same way from the same runtime directory.
std::string display_socket_name(int display)
{
    std::string base = concat("broadway", std::to_string(display + 1), ".socket");
    gchar *path = g_build_filename(g_get_user_runtime_dir(), base.c_str(), nullptr);
    std::string name = path;
    g_free(path);
    return name;
}

// Whether something accepts connections on a Unix socket (abstract when the
// name is to be taken so).
bool unix_socket_answers(const std::string &name, bool abstract)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    size_t skip = abstract ? 1 : 0;
    if (name.size() + skip >= sizeof addr.sun_path)
        return false;
    memcpy(addr.sun_path + skip, name.data(), name.size());
    socklen_t len = offsetof(sockaddr_un, sun_path) + skip + name.size() + (abstract ? 0 : 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool answers = fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&addr), len) == 0;
    if (fd >= 0)
        close(fd);
    return answers;
}

int next_free_display(int from)
{
    for (int display = from; display < from + display_tries; display++)
        if (!unix_socket_answers(display_socket_name(display), true))
            return display;
    fail("no free Broadway display from :%d to :%d\n", from, from + display_tries - 1);
}

// The inode of the listening Unix socket with this name as /proc shows it
// ("@" before an abstract name), or 0.
unsigned long listening_inode(const std::string &name)
{
    FILE *f = fopen("/proc/net/unix", "r");
    if (!f)
        return 0;
    char line[4352];
    unsigned long found = 0;
    while (!found && fgets(line, sizeof line, f)) {
        unsigned flags = 0;
        unsigned long inode = 0;
        char path[4097];
        if (sscanf(line, "%*s %*x %*x %x %*x %*x %lu %4096s", &flags, &inode, path) == 3 &&
            (flags & 0x10000) && name == path)
            found = inode;
    }
    fclose(f);
    return found;
}

bool process_owns_socket(pid_t pid, unsigned long inode)
{
    std::string dir = concat("/proc/", std::to_string(pid), "/fd");
    std::string wanted = concat("socket:[", std::to_string(inode), "]");
    DIR *d = opendir(dir.c_str());
    if (!d)
        return false;
    bool owns = false;
    while (dirent *e = readdir(d)) {
        char target[64];
        ssize_t n = readlinkat(dirfd(d), e->d_name, target, sizeof target - 1);
        if (n > 0 && wanted.compare(0, std::string::npos, target, n) == 0)
            owns = true;
    }
    closedir(d);
    return owns;
}

// broadwayd takes its web port (or socket) before the display's socket, so
// it is ready once it owns the latter. Owning it, not merely finding it
// answer, tells our broadwayd from another one that took the same display
// a moment earlier. Where /proc does not show sockets, answering must do.
bool broadway_ready(const broadway &b)
{
    if (access("/proc/net/unix", R_OK) != 0)
        return unix_socket_answers(display_socket_name(b.display), true);
    unsigned long inode = listening_inode(concat("@", display_socket_name(b.display)));
    return inode && process_owns_socket(b.pid, inode);
}

// Starts a program; with quiet, its standard input and output are
// /dev/null so that only wirepanel holds ours. The child is ended when we
// are, however we end.
pid_t spawn(const std::vector<std::string> &args, bool quiet, mode_t mask)
{
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0)
        fail("fork: %s\n", strerror(errno));
    if (pid > 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(1);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (quiet) {
        // Its own process group, too: a Ctrl-C at the terminal reaches
        // wirepanel, and the display ends after it, not under it.
        setpgid(0, 0);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        if (null > 2)
            close(null);
    }
    umask(mask);
    execv(argv[0], argv.data());
    dprintf(2, "wirepanel-web: running %s: %s\n", argv[0], strerror(errno));
    _exit(1);
}

// Waits up to ms milliseconds (forever when negative) for a watched signal;
// returns it, or 0.
int wait_signal(const sigset_t &watched, int ms)
{
    int sig;
    if (ms < 0) {
        while ((sig = sigwaitinfo(&watched, nullptr)) < 0 && errno == EINTR) {
        }
    } else {
        timespec pause{ms / 1000, (ms % 1000) * 1000000L};
        sig = sigtimedwait(&watched, nullptr, &pause);
    }
    return sig < 0 ? 0 : sig;
}

bool is_stop_signal(int sig)
{
    return sig == SIGINT || sig == SIGTERM || sig == SIGHUP;
}

// Ends the process by this signal, without a core file of our own.
[[noreturn]] void die_by(int sig)
{
    rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    signal(sig, SIG_DFL);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, sig);
    sigprocmask(SIG_UNBLOCK, &just, nullptr);
    raise(sig);
    exit(128 + sig);
}

// Ends the process the way the wait status says a child ended, so that a
// caller sees wirepanel's own exit status or signal.
[[noreturn]] void pass_on(int status)
{
    if (WIFEXITED(status))
        exit(WEXITSTATUS(status));
    die_by(WTERMSIG(status));
}

void stop_broadway(broadway &b, const web_options &opt)
{
    if (b.pid > 0) {
        kill(b.pid, SIGTERM);
        int status;
        pid_t done = 0;
        for (int i = 0; i < stop_seconds * 100 && (done = waitpid(b.pid, &status, WNOHANG)) == 0; i++) {
            timespec tick{0, 10000000L};
            nanosleep(&tick, nullptr);
        }
        if (done == 0) {
            kill(b.pid, SIGKILL);
            waitpid(b.pid, &status, 0);
        }
        b.pid = -1;
    }
    if (!opt.socket_path.empty())
        unlink(opt.socket_path.c_str());
}

std::vector<std::string> broadwayd_args(const std::string &program, const web_options &opt,
                                        const broadway &b)
{
    std::vector<std::string> args = {program, concat(":", std::to_string(b.display))};
    if (!opt.socket_path.empty()) {
        args.insert(args.end(), {"--unixsocket", opt.socket_path});
    } else {
        args.insert(args.end(), {"--address", opt.address, "--port", std::to_string(b.port)});
    }
    if (!opt.cert.empty())
        args.insert(args.end(), {"--cert", opt.cert, "--key", opt.key});
    return args;
}

// Waits until broadwayd is ready; false when it ended first. A stop signal
// meanwhile ends us the same way, taking broadwayd along.
bool wait_ready(broadway &b, const web_options &opt, const sigset_t &watched)
{
    for (int ms = 0; ms < ready_seconds * 1000; ms += 20) {
        int sig = wait_signal(watched, 20);
        if (is_stop_signal(sig)) {
            stop_broadway(b, opt);
            die_by(sig);
        }
        int status;
        if (waitpid(b.pid, &status, WNOHANG) == b.pid) {
            b.pid = -1;
            return false;
        }
        if (broadway_ready(b))
            return true;
    }
    stop_broadway(b, opt);
    fail("broadwayd did not start within %d seconds\n", ready_seconds);
}

// A socket path is only served from a directory that no other user can
// enter, made for the purpose when missing; a socket left behind by an
// earlier run is replaced, one in use is not.
void prepare_socket_path(const std::string &path)
{
    if (path.size() >= sizeof(sockaddr_un::sun_path))
        fail("%s: a Unix socket path has at most %zu bytes\n", path.c_str(),
             sizeof(sockaddr_un::sun_path) - 1);
    gchar *dir = g_path_get_dirname(path.c_str());
    std::string directory = dir;
    g_free(dir);
    struct stat st;
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        fail("making directory %s: %s\n", directory.c_str(), strerror(errno));
    if (stat(directory.c_str(), &st) != 0)
        fail("%s: %s\n", directory.c_str(), strerror(errno));
    if (st.st_uid != geteuid() || (st.st_mode & 077))
        fail("%s is open to other users; give --socket a path in a private directory\n",
             directory.c_str());
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (!S_ISSOCK(st.st_mode))
        fail("%s exists and is not a socket\n", path.c_str());
    if (unix_socket_answers(path, false))
        fail("%s is in use\n", path.c_str());
    unlink(path.c_str());
}

// Picks the display and the port (or readies the socket) for one start.
void choose_place(broadway &b, const web_options &opt, const bind_address &a)
{
    b.display = next_free_display(b.display);
    if (!opt.socket_path.empty())
        prepare_socket_path(opt.socket_path);
    else if (!opt.port)
        b.port = next_free_port(a, b.port, opt.address);
    else if (!port_free(a, opt.port, opt.address))
        fail("port %d on %s is in use\n", opt.port, opt.address.c_str());
}

// Starts broadwayd on a free display and port. When it ends before it is
// ready because another program took its display or port in the meantime,
// it is started again on the next ones.
broadway start_broadway(const std::string &program, const web_options &opt,
                        const bind_address &a, const sigset_t &watched)
{
    broadway b;
    b.display = 0;
    b.port = opt.port ? opt.port : first_port;
    for (int attempt = 0; attempt < start_tries; attempt++) {
        choose_place(b, opt, a);
        b.pid = spawn(broadwayd_args(program, opt, b), true, 0177);
        if (wait_ready(b, opt, watched)) {
            if (!opt.socket_path.empty())
                chmod(opt.socket_path.c_str(), 0600);
            return b;
        }
        bool display_taken = unix_socket_answers(display_socket_name(b.display), true);
        bool port_taken = opt.socket_path.empty() && !port_free(a, b.port, opt.address);
        if (!display_taken && !port_taken)
            break;
        b.display++;
        if (!opt.port && port_taken)
            b.port++;
    }
    fail("broadwayd failed to start\n");
}

void announce(const web_options &opt, const broadway &b)
{
    const char *scheme = opt.cert.empty() ? "http" : "https";
    if (!opt.socket_path.empty()) {
        fprintf(stderr, "wirepanel-web: serving on the Unix socket %s; forward a port to it "
                "(ssh -L 8080:%s host) and open %s://localhost:8080/\n",
                opt.socket_path.c_str(), opt.socket_path.c_str(), scheme);
        return;
    }
    bool v6 = opt.address.find(':') != std::string::npos;
    fprintf(stderr, "wirepanel-web: open %s://%s%s%s:%d/ in a web browser\n", scheme,
            v6 ? "[" : "", opt.address.c_str(), v6 ? "]" : "", b.port);
}

// The wirepanel beside this program, unless the environment names another.
std::string wirepanel_program()
{
    const char *override = g_getenv("WIREPANEL_WEB_PROGRAM");
    if (override && *override)
        return override;
    gchar *self = g_file_read_link("/proc/self/exe", nullptr);
    if (!self)
        fail("cannot find my own location: %s\n", strerror(errno));
    gchar *dir = g_path_get_dirname(self);
    gchar *path = g_build_filename(dir, "wirepanel", nullptr);
    std::string program = path;
    g_free(path);
    g_free(dir);
    g_free(self);
    return program;
}

// Runs wirepanel on the display until it ends and returns its wait status.
// Stop signals are handed to it; if the display goes away first, wirepanel
// cannot go on and is ended too.
int run_wirepanel(const std::string &program, const web_options &opt, broadway &b,
                  const sigset_t &watched)
{
    g_setenv("GDK_BACKEND", "broadway", TRUE);
    g_setenv("BROADWAY_DISPLAY", concat(":", std::to_string(b.display)).c_str(), TRUE);
    std::vector<std::string> args = {program};
    args.insert(args.end(), opt.passed.begin(), opt.passed.end());
    mode_t mask = umask(0);
    umask(mask);
    pid_t pid = spawn(args, false, mask);
    // Only wirepanel holds the client's streams from here on, so the client
    // sees them end exactly when wirepanel's do.
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    for (;;) {
        int sig = wait_signal(watched, -1);
        if (is_stop_signal(sig))
            kill(pid, sig);
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return status;
        if (b.pid > 0 && waitpid(b.pid, &status, WNOHANG) == b.pid) {
            b.pid = -1;
            kill(pid, SIGTERM);
        }
    }
}

void on_child(int)
{
}

} // namespace

// -V and -G print without any display, so no server is started for them.
void run_without_display(const std::string &program, const web_options &opt)
{
    std::vector<char *> args = {const_cast<char *>(program.c_str())};
    for (const std::string &arg : opt.passed)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execv(program.c_str(), args.data());
    fail("%s: %s\n", program.c_str(), strerror(errno));
}

int main(int argc, char **argv)
{
    web_options opt = parse_options(argc, argv);
    if (opt.prints_only)
        run_without_display(wirepanel_program(), opt);
    gchar *found = g_find_program_in_path("broadwayd");
    if (!found)
        fail("broadwayd not found; it comes with the Debian package libgtk-3-bin\n");
    std::string broadwayd = found;
    g_free(found);
    std::string wirepanel = wirepanel_program();
    if (access(wirepanel.c_str(), X_OK) != 0)
        fail("%s: %s\n", wirepanel.c_str(), strerror(errno));
    bind_address a;
    if (opt.socket_path.empty()) {
        a = parse_address(opt.address);
        if (!a.loopback)
            fprintf(stderr, "wirepanel-web: warning: serving on %s, which is not a loopback "
                    "address; Broadway has no authentication, so anyone who can reach it "
                    "operates this interface\n", opt.address.c_str());
    }
    // Signals are taken synchronously, so that none can come between a
    // child's start and our record of it.
    signal(SIGCHLD, on_child);
    sigset_t watched;
    sigemptyset(&watched);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        sigaddset(&watched, sig);
    sigprocmask(SIG_BLOCK, &watched, nullptr);
    broadway b = start_broadway(broadwayd, opt, a, watched);
    announce(opt, b);
    int status = run_wirepanel(wirepanel, opt, b, watched);
    stop_broadway(b, opt);
    pass_on(status);
}
