// Start-up and shut-down of the process: options, channels, builder, window.
#pragma once

#include "channel/channel.h"
#include <sys/stat.h>

[[noreturn]] void exit_with_message(int status, FILE *stream, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
[[noreturn]] void print_versions();
// The one line of a start that found no display: what the toolkit tried.
[[noreturn]] void exit_without_display();
// Reports X errors on standard error instead of ending the process.
void survive_x_errors();
void redirect_stderr(const char *name);
void go_background(bool flag, FILE *in, FILE *out, const char *err_name);
GtkBuilder *load_builder(const char *ui_name);
FILE *open_log(const char *name);
GtkWindow *find_main_window(GtkBuilder *builder);
void prepare_widgets(GtkBuilder *builder, const char *ui_name, FILE *out);
void show_or_embed(const char *xid, GtkWindow *window);

// FIFO channels.
FILE *open_fifo(const char *name, const char *mode, FILE *standard, int buffering);
void make_or_reuse_fifo(const char *name, struct stat *status);
void close_fifo(FILE *standard, FILE *stream, const char *name);
// From here on a start-up failure removes the channel FIFOs opened so far.
void remove_fifos_on_failure();
void remove_fifos_after_failure();

// Background start-up: the child tells the waiting parent how start-up
// ended, so that the parent's exit status tells the truth.
void report_started();

extern const char usage_text[];
