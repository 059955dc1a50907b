// The keyword tables of the class handlers and the data readers they share.
#pragma once

#include "widgets/widgets.h"
#include <cmath>
#include <cstddef>

// One row of a class handler's table: a keyword and the code that carries
// it out, which answers false when the data does not fit this row.
struct action_row {
    const char *action;
    bool (*run)(command_data *cmd);
};

// Tries the rows in order; true when one of them took the command.
template <std::size_t N>
bool run_first_action(command_data *cmd, const action_row (&table)[N])
{
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

// A truth value: exactly one number, 0 or 1. A minus sign turns into a huge
// number; read wider than an unsigned int, so that 4294967297 is refused
// rather than wrapped round to 1.
inline bool scan_truth(const char *data, unsigned *value)
{
    unsigned long number;
    if (!scan_exact(data, "%lu %c", &number) || number > 1)
        return false;
    *value = static_cast<unsigned>(number);
    return true;
}

// Floating-point data whose every number is finite: "nan" or "inf" would
// put a widget's adjustment out of its range for good.
template <typename... D>
bool scan_finite(const char *data, const char *format, D *...targets)
{
    return scan_exact(data, format, targets...) && (std::isfinite(*targets) && ...);
}
