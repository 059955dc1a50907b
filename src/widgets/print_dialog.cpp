// The print dialog: "print" asks the person at the screen where and how to
// print a file, then sends the file as a print job.
#include "widgets/action_table.h"
#include "feedback/feedback.h"

#include <algorithm>
#include <vector>

namespace {

// Each class's actions, in the order they are tried.
bool print_file(command_data *cmd);

constexpr action_row print_dialog_actions[] = {
    {.action = "print", .run = print_file, .form = "FILE"},
};

// Dialogs waiting for their answer. Commands go on running meanwhile, and
// a second "print" on the same dialog would receive the first one's answer
// as well and print twice.
std::vector<GtkWidget *> dialogs_running;

bool is_running(GtkWidget *dialog)
{
    return std::find(dialogs_running.begin(), dialogs_running.end(), dialog) !=
           dialogs_running.end();
}

// The file named by the data goes to the printer chosen in the dialog.
bool send_print_job(command_data *cmd, GtkPrintUnixDialog *dialog)
{
    GtkPrinter *printer = gtk_print_unix_dialog_get_selected_printer(dialog);
    if (printer == nullptr)
        return refuse_because("no printer was chosen");
    g_autoptr(GtkPrintSettings) settings = gtk_print_unix_dialog_get_settings(dialog);
    GtkPageSetup *page_setup = gtk_print_unix_dialog_get_page_setup(dialog);
    g_autoptr(GtkPrintJob) job = gtk_print_job_new(cmd->data, printer, settings, page_setup);
    g_autoptr(GError) error = nullptr;
    if (!gtk_print_job_set_source_file(job, cmd->data, &error))
        return refuse_because("cannot print the file: %s", error->message);
    gtk_print_job_send(job, nullptr, nullptr, nullptr);
    return true;
}

int run_dialog(GtkWidget *dialog)
{
    dialogs_running.push_back(dialog);
    int response = gtk_dialog_run(GTK_DIALOG(dialog));
    dialogs_running.erase(std::find(dialogs_running.begin(), dialogs_running.end(), dialog));
    return response;
}

bool print_file(command_data *cmd)
{
    GtkWidget *dialog = GTK_WIDGET(cmd->obj);
    if (is_running(dialog))
        return refuse_because("the dialog is already waiting for an answer");
    int response = run_dialog(dialog);
    bool sent = true;
    if (response == GTK_RESPONSE_OK)
        sent = send_print_job(cmd, GTK_PRINT_UNIX_DIALOG(dialog));
    else if (response != GTK_RESPONSE_CANCEL && response != GTK_RESPONSE_DELETE_EVENT)
        fprintf(stderr, "%s sent an unexpected response id (%d)\n", widget_name(cmd->obj),
                response);
    gtk_widget_hide(dialog);
    return sent;
}

}  // namespace

void cancel_waiting_dialogs()
{
    for (GtkWidget *dialog : std::vector<GtkWidget *>(dialogs_running))
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
}

void update_print_dialog(command_data *cmd) { run_actions(cmd, print_dialog_actions); }
