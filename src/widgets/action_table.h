// The keyword tables of the class handlers and the data readers they share.
#pragma once

#include "widgets/widgets.h"
#include <cmath>
#include <cstddef>

// One row of a class handler's table: a keyword, the code that carries it
// out, which answers false when it cannot (the data does not fit this row,
// or the widget cannot take it now: then it may say why with
// refuse_because), and the form of its data, for the complaint's reason.
// Forms name each number or word in capitals, "" is no data at all.
struct action_row {
    const char *action;
    bool (*run)(command_data *cmd);
    const char *form = nullptr;
};

// Tries the rows in order; true when one of them took the command.
template <std::size_t N>
bool run_first_action(command_data *cmd, const action_row (&table)[N])
{
    note_tried(table);
    for (const action_row &row : table)
        if (streq(cmd->action, row.action) && row.run(cmd))
            return true;
    return false;
}

// A class handler: its own table first, then the actions of every widget.
template <std::size_t N>
void run_actions(command_data *cmd, const action_row (&table)[N])
{
    if (!run_first_action(cmd, table))
        update_widget(cmd);
}

// Floating-point data whose every number is finite: "nan" or "inf" would
// put a widget's adjustment out of its range for good.
template <typename... D>
bool scan_finite(const char *data, const char *format, D *...targets)
{
    return scan_exact(data, format, targets...) && (std::isfinite(*targets) && ...);
}
