// wirepanel: a GUI server for scripts. Loads a UI description, shows its
// window "main", carries out commands read line by line and reports what
// the user does, one line per interaction.
#include "startup/startup.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <libxml/parser.h>
#include <pthread.h>
#include <unistd.h>

namespace {

struct options {
    const char *in_fifo = nullptr;
    const char *out_fifo = nullptr;
    bool background = false;
    const char *ui_file = "wirepanel.ui";
    const char *log_file = nullptr;
    const char *err_file = nullptr;
    const char *xid = nullptr;
};

options parse_options(int argc, char **argv)
{
    options opt;
    opterr = 0;
    int c;
    // "+": stop at the first argument that is not an option.
    while ((c = getopt(argc, argv, "+bGhe:i:l:o:O:u:V")) != -1) {
        switch (c) {
        case 'b': opt.background = true; break;
        case 'G': print_versions();
        case 'h': exit_with_message(0, stdout, "%s", usage_text);
        case 'e': opt.xid = optarg; break;
        case 'i': opt.in_fifo = optarg; break;
        case 'l': opt.log_file = optarg; break;
        case 'o': opt.out_fifo = optarg; break;
        case 'O': opt.err_file = optarg; break;
        case 'u': opt.ui_file = optarg; break;
        case 'V': exit_with_message(0, stdout, "%s\n", WIREPANEL_VERSION);
        default: exit_with_message(1, stderr, "%s", usage_text);
        }
    }
    if (optind < argc)
        exit_with_message(1, stderr, "illegal parameter '%s'\n%s", argv[optind], usage_text);
    return opt;
}

void *reader_main(void *reader)
{
    return digest_cmd(static_cast<info *>(reader));
}

// Stops the reader, also while it waits for input; a reader stuck in a call
// that the wake-up cannot reach (opening a FIFO as a command file) is
// cancelled after a grace period.
void stop_reader_thread(pthread_t reader)
{
    stop_reader();
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += 2;
    if (pthread_timedjoin_np(reader, nullptr, &deadline) != 0) {
        pthread_cancel(reader);
        pthread_join(reader, nullptr);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    setenv("G_ENABLE_DIAGNOSTIC", "0", 0);
    // A client that goes away must cost its feedback lines, not the process.
    signal(SIGPIPE, SIG_IGN);
    // -h, -G and -V need no display: a missing one is reported only after
    // the options have had their say.
    bool have_display = gtk_init_check(&argc, &argv);
    survive_x_errors();
    options opt = parse_options(argc, argv);
    if (!have_display)
        exit_without_display();
    redirect_stderr(opt.err_file);
    FILE *in = open_fifo(opt.in_fifo, "r", stdin, _IONBF);
    FILE *out = open_fifo(opt.out_fifo, "w", stdout, _IOLBF);
    go_background(opt.background, in, out, opt.err_file);
    xmlInitParser();
    LIBXML_TEST_VERSION
    GtkBuilder *builder = load_builder(opt.ui_file);
    FILE *log = open_log(opt.log_file);

    static info reader = {.out = out, .in = in, .log = log, .builder = builder,
                          .txt = nullptr};
    prepare_reader_wakeup();
    attach_command_queue();
    pthread_t reader_thread;
    int started = pthread_create(&reader_thread, nullptr, reader_main, &reader);
    if (started != 0)
        exit_with_message(1, stderr, "starting the command reader: %s\n", strerror(started));

    GtkWindow *window = find_main_window(builder);
    prepare_widgets(builder, opt.ui_file, out);
    show_or_embed(opt.xid, window);
    report_started();
    gtk_main();

    stop_reader_thread(reader_thread);
    flush_log(log);
    xmlCleanupParser();
    close_fifo(stdin, in, opt.in_fifo);
    close_fifo(stdout, out, opt.out_fifo);
    exit(0);
}
