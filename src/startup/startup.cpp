// The start-up steps that can fail, each with its one message and status.
#include "startup/startup.h"
#include "startup/class_tables.h"
#include "widgets/widgets.h"
#include "treeview/treeview.h"

#include <cairo.h>
#include <climits>
#include <fcntl.h>
#include <libxml/parser.h>
#include <sys/wait.h>
#include <gtk/gtkx.h>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

const char usage_text[] =
    "usage: wirepanel [[-i in-fifo] [-o out-fifo] [-b] [-u glade-file.ui] [-e xid]\n"
    "                  [-l log-file] [-O err-file] [--display X-server]] | [-h |-G |-V]\n";

namespace {

// The write end of the pipe to a parent that waits for the outcome of the
// start-up in the background; -1 when nobody waits.
int startup_report_fd = -1;

// The outcome's first byte: start-up done, or failed with the message after it.
constexpr char started_byte = '\0';
constexpr char failed_byte = '\1';

void write_all(int fd, const char *bytes, size_t length)
{
    while (length > 0) {
        ssize_t n = write(fd, bytes, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
}

}  // namespace

// A failure removes the FIFOs before it is told, so that the waiting parent
// exits only once they are gone.
void exit_with_message(int status, FILE *stream, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    if (status != 0)
        remove_fifos_after_failure();
    if (status != 0 && startup_report_fd >= 0) {
        g_autofree gchar *message = g_strdup_vprintf(format, args);
        write_all(startup_report_fd, &failed_byte, 1);
        write_all(startup_report_fd, message, strlen(message));
    } else {
        vfprintf(stream, format, args);
    }
    va_end(args);
    exit(status);
}

void report_started()
{
    if (startup_report_fd < 0)
        return;
    write_all(startup_report_fd, &started_byte, 1);
    close(startup_report_fd);
    startup_report_fd = -1;
}

void print_versions()
{
    exit_with_message(0, stdout, "GTK+  v%d.%d.%d (running v%d.%d.%d)\ncairo v%s (running v%s)\n",
                      GTK_MAJOR_VERSION, GTK_MINOR_VERSION, GTK_MICRO_VERSION,
                      gtk_get_major_version(), gtk_get_minor_version(), gtk_get_micro_version(),
                      CAIRO_VERSION_STRING, cairo_version_string());
}

namespace {

// An X error answers one request; the toolkit ends the process for any
// error that none of its own traps expected, which would let one client
// line (a widget grown beyond the protocol's 32767 pixels, a huge pixmap)
// take the server down. An outermost trap that stays in place catches those
// instead, while the toolkit's own traps, always nested inside it, keep
// receiving the errors they wait for. Once a second the trap is read and
// what it caught is reported.
gboolean report_x_errors(gpointer display)
{
    int code = gdk_x11_display_error_trap_pop(GDK_DISPLAY(display));
    if (code != 0) {
        char text[128];
        XGetErrorText(GDK_DISPLAY_XDISPLAY(GDK_DISPLAY(display)), code, text, sizeof text);
        fprintf(stderr, "X error %s; carrying on\n", text);
    }
    gdk_x11_display_error_trap_push(GDK_DISPLAY(display));
    return G_SOURCE_CONTINUE;
}

}  // namespace

void survive_x_errors()
{
    GdkDisplay *display = gdk_display_get_default();
    if (!GDK_IS_X11_DISPLAY(display))
        return;
    gdk_x11_display_error_trap_push(display);
    g_timeout_add_seconds(1, report_x_errors, display);
}

namespace {

// The backends that the toolkit tries in turn, in its order, with the
// variable that names each one's display. GDK_BACKEND narrows the list.
struct display_variable {
    const char *backend;
    const char *variable;
};

constexpr display_variable display_variables[] = {
    {"wayland", "WAYLAND_DISPLAY"},
    {"x11", "DISPLAY"},
    {"broadway", "BROADWAY_DISPLAY"},
};

bool backend_allowed(const char *backends, const char *backend)
{
    if (backends == nullptr)
        return true;
    g_auto(GStrv) names = g_strsplit(backends, ",", 0);
    for (char **name = names; *name != nullptr; ++name)
        if (strcmp(*name, "*") == 0 || strcmp(*name, backend) == 0)
            return true;
    return false;
}

}  // namespace

void exit_without_display()
{
    if (const char *given = gdk_get_display_arg_name())
        exit_with_message(1, stderr, "cannot open display %s given with --display\n", given);
    const char *backends = getenv("GDK_BACKEND");
    std::string tried = backends ? std::string("GDK_BACKEND=") + backends : "";
    for (const display_variable &row : display_variables) {
        if (!backend_allowed(backends, row.backend))
            continue;
        const char *value = getenv(row.variable);
        tried += tried.empty() ? "" : ", ";
        tried += row.variable;
        tried += value ? std::string("=") + value : std::string(" unset");
    }
    exit_with_message(1, stderr, "cannot open display with %s\n", tried.c_str());
}

namespace {

// A log or error file is the user's own: only its owner may read it. A
// device or FIFO named instead (/dev/null, a terminal) is shared with other
// users and programs, so its permissions stay as they are.
int keep_to_owner(FILE *file)
{
    struct stat st;
    if (fstat(fileno(file), &st) != 0)
        return -1;
    return S_ISREG(st.st_mode) ? fchmod(fileno(file), 0600) : 0;
}

}  // namespace

void redirect_stderr(const char *name)
{
    if (name == nullptr)
        return;
    if (freopen(name, "a", stderr) == nullptr)
        exit_with_message(1, stdout, "redirecting stderr to %s: %s\n", name, strerror(errno));
    if (keep_to_owner(stderr) != 0)
        exit_with_message(1, stdout, "setting permissions of %s: %s\n", name, strerror(errno));
    setvbuf(stderr, nullptr, _IOLBF, 0);
}

namespace {

// The parent of -b: its exit status and message are those of the child's
// start-up, and a child that died without a word is reported all the same.
[[noreturn]] void wait_for_start_up(pid_t child, int report_fd)
{
    std::string report;
    char chunk[4096];
    for (;;) {
        ssize_t n = read(report_fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        report.append(chunk, static_cast<size_t>(n));
        if (report[0] == started_byte)
            exit_with_message(0, stdout, "%d\n", static_cast<int>(child));
    }
    if (!report.empty())
        exit_with_message(1, stderr, "%s", report.c_str() + 1);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        exit_with_message(1, stderr, "going to background: start-up ended by signal %d (%s)\n",
                          WTERMSIG(status), strsignal(WTERMSIG(status)));
    exit_with_message(1, stderr, "going to background: start-up ended with status %d\n",
                      WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

}  // namespace

void go_background(bool flag, FILE *in, FILE *out, const char *err_name)
{
    if (flag && (in == stdin || out == stdout))
        exit_with_message(1, stderr, "parameter -b requires both -i and -o\n");
    remove_fifos_on_failure();
    if (!flag)
        return;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        exit_with_message(1, stderr, "going to background: %s\n", strerror(errno));
    pid_t pid = fork();
    if (pid < 0)
        exit_with_message(1, stderr, "going to background: %s\n", strerror(errno));
    if (pid > 0) {
        close(report[1]);
        wait_for_start_up(pid, report[0]);
    }
    close(report[0]);
    startup_report_fd = report[1];
    close(STDIN_FILENO);
    close(STDOUT_FILENO);
    if (err_name == nullptr && freopen("/dev/null", "w", stderr) == nullptr) {
        // Nowhere left to report it; go on silently.
    }
}

namespace {

// The first error of a parse; later ones mostly follow from it.
struct xml_problem {
    bool seen = false;
    int line = 0;
    int column = 0;
    std::string reason;
};

void keep_first_xml_error(void *data, xmlErrorPtr error)
{
    auto *problem = static_cast<xml_problem *>(data);
    if (problem->seen || error == nullptr || error->level < XML_ERR_ERROR)
        return;
    *problem = {.seen = true, .line = error->line, .column = error->int2,
                .reason = error->message ? error->message : "unknown error"};
    while (!problem->reason.empty() && problem->reason.back() == '\n')
        problem->reason.pop_back();
}

// The toolkit's own parser takes a cut-off file for a short one and names
// no file in its syntax errors, so the file is parsed once with libxml2
// first; the tree it gives is kept for the lookups made while wiring.
xmlDocPtr parse_ui_file(const char *ui_name)
{
    g_autofree gchar *contents = nullptr;
    gsize length = 0;
    GError *error = nullptr;
    if (!g_file_get_contents(ui_name, &contents, &length, &error))
        exit_with_message(1, stderr, "%s\n", error->message);
    if (length > INT_MAX)
        exit_with_message(1, stderr, "%s: file too large\n", ui_name);
    // libxml2 refuses an empty buffer without saying why.
    xml_problem problem;
    if (length == 0)
        problem = {.seen = true, .line = 1, .column = 1, .reason = "Document is empty"};
    xmlSetStructuredErrorFunc(&problem, keep_first_xml_error);
    xmlDocPtr doc = xmlReadMemory(contents, static_cast<int>(length), ui_name, nullptr,
                                  XML_PARSE_NONET);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (doc == nullptr)
        exit_with_message(1, stderr, "%s:%d:%d not well-formed XML: %s\n", ui_name, problem.line,
                          problem.column, problem.seen ? problem.reason.c_str() : "unknown error");
    return doc;
}

// The toolkit names the file in most of its errors ("file:line:column
// reason"), but not in those of its markup parser.
bool names_file(const char *message, const char *ui_name)
{
    size_t length = strlen(ui_name);
    return strncmp(message, ui_name, length) == 0 && message[length] == ':';
}

}  // namespace

GtkBuilder *load_builder(const char *ui_name)
{
    xmlDocPtr doc = parse_ui_file(ui_name);
    GtkBuilder *builder = gtk_builder_new();
    GError *error = nullptr;
    // The builder reads the file itself, not the text already parsed: only
    // then does it resolve the file names in it (images, say) beside the file.
    if (gtk_builder_add_from_file(builder, ui_name, &error) == 0) {
        if (names_file(error->message, ui_name))
            exit_with_message(1, stderr, "%s\n", error->message);
        exit_with_message(1, stderr, "%s: %s\n", ui_name, error->message);
    }
    keep_ui_document(builder, ui_name, doc);
    return builder;
}

FILE *open_log(const char *name)
{
    if (name == nullptr)
        return nullptr;
    name_log(name);
    if (strcmp(name, "-") == 0)
        return stderr;
    FILE *log = fopen(name, "a");
    if (log == nullptr)
        exit_with_message(1, stderr, "opening log file %s: %s\n", name, strerror(errno));
    if (keep_to_owner(log) != 0)
        exit_with_message(1, stderr, "setting permissions of %s: %s\n", name, strerror(errno));
    return log;
}

GtkWindow *find_main_window(GtkBuilder *builder)
{
    GObject *main = gtk_builder_get_object(builder, "main");
    if (main == nullptr || !GTK_IS_WINDOW(main))
        exit_with_message(1, stderr, "no toplevel window with id 'main'\n");
    return GTK_WINDOW(main);
}

void prepare_widgets(GtkBuilder *builder, const char *ui_name, FILE *out)
{
    info wiring = {.out = out, .in = nullptr, .log = nullptr, .builder = builder,
                   .txt = ui_name};
    g_autoptr(GSList) objects = gtk_builder_get_objects(builder);
    for (GSList *o = objects; o; o = o->next)
        wire_object_signals(G_OBJECT(o->data), &wiring);
    for (GSList *o = objects; o; o = o->next)
        attach_style_provider(G_OBJECT(o->data));
}

void show_or_embed(const char *xid, GtkWindow *window)
{
    if (xid == nullptr) {
        gtk_widget_show(GTK_WIDGET(window));
        return;
    }
    unsigned long id = strtoul(xid, nullptr, 10);
    if (std::to_string(id) != xid)
        exit_with_message(1, stderr, "%s is not a valid XEmbed socket id\n", xid);
    // A plug is an X window that another X client's socket takes in.
    if (!GDK_IS_X11_DISPLAY(gtk_widget_get_display(GTK_WIDGET(window))))
        exit_with_message(1, stderr, "unable to embed into XEmbed socket %s: "
                          "embedding needs an X11 display\n", xid);
    GtkWidget *child = gtk_bin_get_child(GTK_BIN(window));
    if (child != nullptr) {
        g_object_ref(child);
        gtk_container_remove(GTK_CONTAINER(window), child);
    }
    GtkWidget *plug = gtk_plug_new(id);
    if (!gtk_plug_get_embedded(GTK_PLUG(plug)))
        exit_with_message(1, stderr, "unable to embed into XEmbed socket %s\n", xid);
    if (child != nullptr) {
        gtk_container_add(GTK_CONTAINER(plug), child);
        g_object_unref(child);
    }
    gtk_widget_show(plug);
}
