// The complaint about a command that cannot be carried out, and the reason
// line after it: what a handler said, the form the action takes, the
// actions the class knows, or the nearest id to a name nobody has.
#include "channel/channel.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

refusal *refusal_in_hand = nullptr;

namespace {

// The actions the reader takes before any object is looked up.
struct reader_action {
    const char *action;
    const char *form;
};
constexpr reader_action reader_actions[] = {
    {.action = "main_quit", .form = ""},
    {.action = "load", .form = "FILE (a command file not being read already)"},
};

const char *builder_name(GObject *obj)
{
    if (GTK_IS_BUILDABLE(obj))
        return gtk_buildable_get_name(GTK_BUILDABLE(obj));
    return static_cast<const char *>(g_object_get_data(obj, "gtk-builder-name"));
}

// Edits (insert, delete or replace one byte, or swap two neighbours) that
// turn one text into the other.
size_t edit_distance(std::string_view a, std::string_view b)
{
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); i++)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); j++)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); i++)
        for (size_t j = 1; j <= b.size(); j++) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The id closest to a name, when it is close enough to be a slip of the
// keyboard: a third of the name's length, and at least one edit. Ties go to
// the first in byte order, so the answer never depends on hash order.
std::string nearest_id(GtkBuilder *builder, std::string_view name)
{
    // Nobody slips that far on the keyboard; the search costs the square.
    constexpr size_t longest_name = 64;
    if (name.size() > longest_name)
        return "";
    size_t limit = std::max<size_t>(1, name.size() / 3);
    std::string best;
    size_t best_distance = limit + 1;
    g_autoptr(GSList) objects = builder ? gtk_builder_get_objects(builder) : nullptr;
    for (GSList *o = objects; o != nullptr; o = o->next) {
        const char *id = builder_name(G_OBJECT(o->data));
        // Lengths further apart than the limit cannot come within it.
        if (id == nullptr || name.size() > strlen(id) + limit || strlen(id) > name.size() + limit)
            continue;
        size_t d = edit_distance(name, id);
        if (d < best_distance || (d == best_distance && id < best)) {
            best = id;
            best_distance = d;
        }
    }
    return best;
}

// A row nobody wrote the form of shows an ellipsis in its place.
void append_usage(std::string &usage, const char *action, const char *form)
{
    usage += action;
    if (form == nullptr)
        form = "...";
    if (*form != '\0')
        usage += std::string(" ") + form;
}

// "usage: " and every form the action takes in the tables that tried it,
// or empty when none of them knows the action.
std::string usage_of(const char *action)
{
    std::vector<std::string> forms;
    auto add = [&](const char *keyword, const char *form) {
        if (!streq(keyword, action))
            return;
        std::string one;
        append_usage(one, keyword, form);
        if (std::find(forms.begin(), forms.end(), one) == forms.end())
            forms.push_back(one);
    };
    for (const reader_action &row : reader_actions)
        add(row.action, row.form);
    if (refusal_in_hand != nullptr)
        for (size_t t = 0; t < refusal_in_hand->table_count; t++) {
            const tried_table &table = refusal_in_hand->tables[t];
            for (size_t i = 0; i < table.count; i++) {
                row_usage row = table.usage(table.rows, i);
                add(row.action, row.form);
            }
        }
    if (forms.empty())
        return "";
    std::string usage = "usage: ";
    for (size_t i = 0; i < forms.size(); i++)
        usage += (i > 0 ? " or " : "") + forms[i];
    return usage;
}

// Every keyword of the tables that tried the command, once each, in order.
std::string known_actions()
{
    std::vector<std::string_view> keywords;
    if (refusal_in_hand != nullptr)
        for (size_t t = 0; t < refusal_in_hand->table_count; t++) {
            const tried_table &table = refusal_in_hand->tables[t];
            for (size_t i = 0; i < table.count; i++) {
                std::string_view keyword = table.usage(table.rows, i).action;
                if (std::find(keywords.begin(), keywords.end(), keyword) == keywords.end())
                    keywords.push_back(keyword);
            }
        }
    std::string list;
    for (std::string_view keyword : keywords)
        list += std::string(list.empty() ? "" : ", ") + std::string(keyword);
    return list.empty() ? "none" : list;
}

std::string reason_for(const command_data *cmd)
{
    if (refusal_in_hand != nullptr && refusal_in_hand->reason != nullptr)
        return refusal_in_hand->reason;
    const char *action = cmd->action != nullptr ? cmd->action : "";
    std::string usage = usage_of(action);
    if (!usage.empty())
        return usage;
    std::string owner = cmd->type ? g_type_name(cmd->type) : "it";
    if (*action == '\0')
        return "the line names no action; " + owner + " knows: " + known_actions();
    return owner + " has no action '" + action + "'; it knows: " + known_actions();
}

}  // namespace

bool refuse_because(const char *format, ...)
{
    if (refusal_in_hand == nullptr || refusal_in_hand->reason != nullptr)
        return false;
    va_list args;
    va_start(args, format);
    refusal_in_hand->reason = g_strdup_vprintf(format, args);
    va_end(args);
    return false;
}

bool valid_text(const char *text)
{
    if (text == nullptr || g_utf8_validate(text, -1, nullptr))
        return true;
    return refuse_because("the text is not valid UTF-8");
}

void ignore_cmd(GType type, const char *line, const char *reason, const char *prefix)
{
    fprintf(stderr, "%signoring %s%scommand \"%s\"\n  %s\n", prefix, type ? g_type_name(type) : "",
            type ? " " : "", line, reason);
}

void complain(command_data *cmd, const char *prefix)
{
    ignore_cmd(cmd->type, cmd->cmd, reason_for(cmd).c_str(), prefix);
}

// The name is the first word of the split copy of the line.
bool refuse_unknown_name(command_data *cmd)
{
    const char *name = cmd->buf + strspn(cmd->buf, " \t\n\v\f\r");
    if (*name == '\0')
        return refuse_because("the line does not begin with an id, a colon and an action");
    std::string nearest = nearest_id(cmd->info ? cmd->info->builder : nullptr, name);
    if (nearest.empty())
        return refuse_because("no object with that id");
    return refuse_because("no object with that id; the nearest is '%s'", nearest.c_str());
}
