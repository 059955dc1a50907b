// Every handler's data formats: one command line for a widget of each class
// of the dispatch table (draw commands, status bar data, tree views and the
// rest), carried out as the GUI thread does. Needs an X display (Xvfb).
#include "channel/channel.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const char ui[] =
    "<interface>"
    "<object class='GtkListStore' id='ls'><columns><column type='gchararray'/>"
    "<column type='gint'/><column type='gdouble'/><column type='gboolean'/></columns></object>"
    "<object class='GtkTreeStore' id='ts'><columns><column type='gchararray'/>"
    "<column type='guint'/></columns></object>"
    "<object class='GtkAdjustment' id='adj'><property name='upper'>100</property></object>"
    "<object class='GtkWindow' id='main'><child><object class='GtkBox'>"
    "<child><object class='GtkDrawingArea' id='da'/></child>"
    "<child><object class='GtkTreeView' id='tv'><property name='model'>ls</property></object></child>"
    "<child><object class='GtkTreeView' id='tt'><property name='model'>ts</property></object></child>"
    "<child><object class='GtkComboBoxText' id='cbt'/></child>"
    "<child><object class='GtkLabel' id='lbl'/></child>"
    "<child><object class='GtkImage' id='img'/></child>"
    "<child><object class='GtkTextView' id='txt'/></child>"
    "<child><object class='GtkNotebook' id='nb'><child><object class='GtkLabel'/></child></object></child>"
    "<child><object class='GtkExpander' id='exp'/></child>"
    "<child><object class='GtkFrame' id='frm'/></child>"
    "<child><object class='GtkScrolledWindow' id='scw'/></child>"
    "<child><object class='GtkButton' id='btn'/></child>"
    "<child><object class='GtkMenuBar'><child><object class='GtkMenuItem' id='mi'/></child></object></child>"
    "<child><object class='GtkColorButton' id='cb'/></child>"
    "<child><object class='GtkFontButton' id='fb'/></child>"
    "<child><object class='GtkSwitch' id='sw'/></child>"
    "<child><object class='GtkToggleButton' id='tg'/></child>"
    "<child><object class='GtkRadioButton' id='rb'/></child>"
    "<child><object class='GtkCheckButton' id='chk'/></child>"
    "<child><object class='GtkEntry' id='ent'/></child>"
    "<child><object class='GtkSpinButton' id='spin'><property name='adjustment'>adj</property></object></child>"
    "<child><object class='GtkScale' id='sc'/></child>"
    "<child><object class='GtkProgressBar' id='pb'/></child>"
    "<child><object class='GtkSpinner' id='spn'/></child>"
    "<child><object class='GtkStatusbar' id='sb'/></child>"
    "<child><object class='GtkCalendar' id='cal'/></child>"
    "<child><object class='GtkSocket' id='sock'/></child>"
    "</object></child></object>"
    "<object class='GtkDialog' id='dlg'/>"
    "</interface>";

const char *const names[] = {"da", "tv", "tt", "cbt", "lbl", "img", "txt", "nb", "exp", "frm",
                             "scw", "btn", "mi", "cb", "fb", "sw", "tg", "rb", "chk", "ent",
                             "spin", "sc", "pb", "spn", "sb", "cal", "sock", "main", "dlg"};

// Actions that end the run, wait for a person, reach for files or make a
// window the toolkit takes seconds to paint.
const char *const excluded[] = {"main_quit", "print", "load", "save", "snapshot",
                                "set_from_file", "set_filename", "set_current_name",
                                "resize", "set_size_request", "fullscreen", "set_visible"};

GtkBuilder *builder;
info reader{};

// Looked for before the line is resolved: resolving a "load" line already
// reads its file.
bool excluded_action(const std::string &line)
{
    std::string scratch = line;
    split_positions p = split_command(scratch.data());
    for (const char *action : excluded)
        if (streq(scratch.c_str() + p.action_start, action))
            return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    gtk_init(argc, argv);
    builder = gtk_builder_new_from_string(ui, -1);
    reader.out = fopen("/dev/null", "w");
    reader.builder = builder;
    // The complaints and the toolkit's warnings would drown the fuzzer's own
    // report; sanitizers write to the descriptor and still show.
    stderr = fopen("/dev/null", "w");
    return 0;
}

// Input: one byte choosing the widget, then "action data".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    std::string line = names[data[0] % G_N_ELEMENTS(names)];
    line += ':';
    line.append(reinterpret_cast<const char *>(data + 1), size - 1);
    line = line.c_str();
    if (excluded_action(line))
        return 0;
    command_data *record = command_new(&reader, line.c_str(), line.size());
    resolve_command(&reader, record);
    run_update(record);
    return 0;
}
