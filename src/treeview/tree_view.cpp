// Tree view commands: the client edits the rows of the view's list or tree
// store and steers the view. Rows are named by path strings, columns by the
// store's column numbers.
#include "treeview/treeview_internal.h"
#include "treeview/treeview.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The data of a command: the first word, the second word and the rest after
// the one separator that ends the second word, verbatim.
struct tree_words {
    std::optional<std::string> first, second, rest;
};

// One command with what its data names in the model, worked out once.
struct tree_command {
    command_data *cmd;
    GtkTreeView *view;
    GtkTreeModel *model;
    GtkTreeSelection *selection;
    tree_words words;
    bool has_a = false;  // the first word names an existing row
    bool has_b = false;  // the second word names an existing row
    GtkTreeIter a{}, b{};
    long column = -1;    // leading number of a path-like second word

    const char *first() const { return words.first ? words.first->c_str() : nullptr; }
    const char *second() const { return words.second ? words.second->c_str() : nullptr; }
    const char *rest() const { return words.rest ? words.rest->c_str() : nullptr; }
};

// One row of the table: the action, the condition on the data, and the code
// that carries it out, which answers false when the action cannot be
// carried out after all (a file that cannot be written); the command then
// goes on to the generic handler. The form of the data is for the complaint.
struct tree_action {
    const char *action;
    bool (*when)(const tree_command &);
    bool (*then)(tree_command &);
    const char *form = nullptr;
};

// Conditions on the data, in the order the table first uses them.
bool cell_in_store(const tree_command &c);
bool row_and_column(const tree_command &c);
bool row_alone(const tree_command &c);
bool no_first(const tree_command &c);
bool end_alone(const tree_command &c);
bool row_as_child(const tree_command &c);
bool row_and_end(const tree_command &c);
bool row_and_sibling(const tree_command &c);
bool has_first(const tree_command &c);

// The actions, in the table's order.
bool set_cell(tree_command &c);
bool scroll_to_cell(tree_command &c);
bool expand_row(tree_command &c);
bool expand_subtree(tree_command &c);
bool expand_everything(tree_command &c);
bool collapse_row(tree_command &c);
bool collapse_everything(tree_command &c);
bool set_cursor(tree_command &c);
bool clear_cursor(tree_command &c);
bool append_row(tree_command &c);
bool insert_first_child(tree_command &c);
bool insert_in_front(tree_command &c);
bool move_to_end(tree_command &c);
bool move_in_front(tree_command &c);
bool remove_row(tree_command &c);
bool clear_store(tree_command &c);
bool block_selection(tree_command &c);
bool save_model(tree_command &c);

// Tried top to bottom; the first row whose action and condition hold runs.
constexpr tree_action tree_actions[] = {
    {.action = "set",        .when = cell_in_store,   .then = set_cell,            .form = "PATH COLUMN VALUE"},
    {.action = "scroll",     .when = row_and_column,  .then = scroll_to_cell,      .form = "ROW COLUMN"},
    {.action = "expand",     .when = row_alone,       .then = expand_row,          .form = "ROW"},
    {.action = "expand_all", .when = row_alone,       .then = expand_subtree,      .form = "ROW"},
    {.action = "expand_all", .when = no_first,        .then = expand_everything,   .form = ""},
    {.action = "collapse",   .when = row_alone,       .then = collapse_row,        .form = "ROW"},
    {.action = "collapse",   .when = no_first,        .then = collapse_everything, .form = ""},
    {.action = "set_cursor", .when = row_alone,       .then = set_cursor,          .form = "ROW"},
    {.action = "set_cursor", .when = no_first,        .then = clear_cursor,        .form = ""},
    {.action = "insert_row", .when = end_alone,       .then = append_row,          .form = "end"},
    {.action = "insert_row", .when = row_as_child,    .then = insert_first_child,  .form = "ROW as_child"},
    {.action = "insert_row", .when = row_alone,       .then = insert_in_front,     .form = "ROW"},
    {.action = "move_row",   .when = row_and_end,     .then = move_to_end,         .form = "ROW end"},
    {.action = "move_row",   .when = row_and_sibling, .then = move_in_front,       .form = "ROW ROW (siblings)"},
    {.action = "remove_row", .when = row_alone,       .then = remove_row,          .form = "ROW"},
    {.action = "clear",      .when = no_first,        .then = clear_store,         .form = ""},
    {.action = "block",      .when = has_first,       .then = block_selection,     .form = "0|1"},
    {.action = "save",       .when = has_first,       .then = save_model,          .form = "FILE"},
};

bool has_first(const tree_command &c) { return c.words.first.has_value(); }
bool no_first(const tree_command &c) { return !c.words.first; }
bool no_second(const tree_command &c) { return !c.words.second; }
bool no_rest(const tree_command &c) { return !c.words.rest; }
bool row_alone(const tree_command &c) { return c.has_a && no_second(c); }
bool end_alone(const tree_command &c) { return streq(c.first(), "end") && no_second(c); }

bool row_as_child(const tree_command &c)
{
    return c.has_a && streq(c.second(), "as_child") && no_rest(c);
}

bool row_and_end(const tree_command &c)
{
    return c.has_a && streq(c.second(), "end") && no_rest(c);
}

// The column word is read as a path: its leading number picks the column.
bool row_and_column(const tree_command &c)
{
    return c.has_a && is_path_string(c.second()) && no_rest(c);
}

// The row need not exist: "set" makes it.
bool cell_in_store(const tree_command &c)
{
    return c.column >= 0 && c.column < gtk_tree_model_get_n_columns(c.model) &&
           is_path_string(c.first());
}

// The toolkit moves a row only among its siblings.
bool row_and_sibling(const tree_command &c)
{
    if (!c.has_a || !c.has_b || !no_rest(c))
        return false;
    g_autoptr(GtkTreePath) a = gtk_tree_model_get_path(c.model, const_cast<GtkTreeIter *>(&c.a));
    g_autoptr(GtkTreePath) b = gtk_tree_model_get_path(c.model, const_cast<GtkTreeIter *>(&c.b));
    int depth_a, depth_b;
    int *index_a = gtk_tree_path_get_indices_with_depth(a, &depth_a);
    int *index_b = gtk_tree_path_get_indices_with_depth(b, &depth_b);
    return depth_a == depth_b && std::equal(index_a, index_a + depth_a - 1, index_b);
}

bool set_cell(tree_command &c)
{
    GtkTreeIter iter;
    const char *why = nullptr;
    if (!set_cell_from_text(c.model, &iter, c.first(), static_cast<int>(c.column), c.rest(), &why))
        return refuse_because("%s", why);
    return true;
}

bool scroll_to_cell(tree_command &c)
{
    g_autoptr(GtkTreePath) path = gtk_tree_model_get_path(c.model, &c.a);
    GtkTreeViewColumn *column =
        c.column <= G_MAXINT ? gtk_tree_view_get_column(c.view, static_cast<int>(c.column))
                             : nullptr;
    gtk_tree_view_scroll_to_cell(c.view, path, column, FALSE, 0.0, 0.0);
    return true;
}

bool expand_row(tree_command &c)
{
    g_autoptr(GtkTreePath) path = gtk_tree_model_get_path(c.model, &c.a);
    gtk_tree_view_expand_row(c.view, path, FALSE);
    return true;
}

bool expand_subtree(tree_command &c)
{
    g_autoptr(GtkTreePath) path = gtk_tree_model_get_path(c.model, &c.a);
    gtk_tree_view_expand_row(c.view, path, TRUE);
    return true;
}

bool expand_everything(tree_command &c)
{
    gtk_tree_view_expand_all(c.view);
    return true;
}

bool collapse_row(tree_command &c)
{
    g_autoptr(GtkTreePath) path = gtk_tree_model_get_path(c.model, &c.a);
    gtk_tree_view_collapse_row(c.view, path);
    return true;
}

bool collapse_everything(tree_command &c)
{
    gtk_tree_view_collapse_all(c.view);
    return true;
}

bool set_cursor(tree_command &c)
{
    g_autoptr(GtkTreePath) path = gtk_tree_model_get_path(c.model, &c.a);
    gtk_tree_view_set_cursor(c.view, path, nullptr, FALSE);
    return true;
}

bool clear_cursor(tree_command &c)
{
    g_autoptr(GtkTreePath) empty = gtk_tree_path_new();
    gtk_tree_view_set_cursor(c.view, empty, nullptr, FALSE);
    gtk_tree_selection_unselect_all(c.selection);
    return true;
}

bool append_row(tree_command &c)
{
    GtkTreeIter row;
    tree_model_insert_before(c.model, &row, nullptr, nullptr);
    return true;
}

// In a list store, which has no children, the new row comes first.
bool insert_first_child(tree_command &c)
{
    GtkTreeIter row;
    tree_model_insert_after(c.model, &row, &c.a, nullptr);
    return true;
}

bool insert_in_front(tree_command &c)
{
    GtkTreeIter row;
    tree_model_insert_before(c.model, &row, nullptr, &c.a);
    return true;
}

bool move_to_end(tree_command &c)
{
    tree_model_move_before(c.model, &c.a, nullptr);
    return true;
}

bool move_in_front(tree_command &c)
{
    tree_model_move_before(c.model, &c.a, &c.b);
    return true;
}

bool remove_row(tree_command &c)
{
    tree_model_remove(c.model, &c.a);
    return true;
}

bool clear_store(tree_command &c)
{
    clear_cursor(c);
    tree_model_clear(c.model);
    return true;
}

// The selection carries the handlers that send selection feedback.
bool block_selection(tree_command &c)
{
    return set_handlers_blocked(c.cmd, G_OBJECT(c.selection));
}

bool save_model(tree_command &c)
{
    saved_file file(c.first());
    if (file.stream == nullptr)
        return refuse_unopened(file);
    cell_link rows = {.out = file.stream, .view = G_OBJECT(c.view), .model = c.model};
    gtk_tree_model_foreach(c.model, save_tree_row, &rows);
    if (!commit_saved_file(file))
        return refuse_unwritten(file);
    return true;
}

constexpr std::string_view separators = " \t\n";

tree_words split_words(std::string_view text)
{
    tree_words words;
    size_t start = text.find_first_not_of(separators);
    if (start == text.npos)
        return words;
    size_t end = text.find_first_of(separators, start);
    words.first = text.substr(start, end - start);
    start = end == text.npos ? end : text.find_first_not_of(separators, end);
    if (start == text.npos)
        return words;
    end = text.find_first_of(separators, start);
    words.second = text.substr(start, end - start);
    if (end != text.npos && end + 1 < text.size())
        words.rest = text.substr(end + 1);
    return words;
}

bool find_row(GtkTreeModel *model, const char *text, GtkTreeIter *iter)
{
    g_autoptr(GtkTreePath) path = path_from_text(text);
    return path != nullptr && gtk_tree_model_get_iter(model, iter, path);
}

void refuse_missing_model(command_data *cmd)
{
    refuse_because("the tree view has no list store or tree store");
    complain(cmd, "missing model/");
}

}  // namespace

bool is_path_string(const char *text)
{
    if (text == nullptr || text[0] == '\0' || text[0] == ':')
        return false;
    return strspn(text, ":0123456789") == strlen(text) && strstr(text, "::") == nullptr;
}

GtkTreePath *path_from_text(const char *text)
{
    if (!is_path_string(text))
        return nullptr;
    long long index = 0;
    for (const char *p = text; *p != '\0'; p++) {
        index = *p == ':' ? 0 : index * 10 + (*p - '0');
        if (index > G_MAXINT)
            return nullptr;
    }
    return gtk_tree_path_new_from_string(text);
}

void update_tree_view(command_data *cmd)
{
    auto *view = GTK_TREE_VIEW(cmd->obj);
    GtkTreeModel *model = gtk_tree_view_get_model(view);
    if (model == nullptr || !is_editable_store(model)) {
        refuse_missing_model(cmd);
        return;
    }
    tree_words words;
    try {
        words = split_words(cmd->data != nullptr ? cmd->data : "");
    } catch (const std::bad_alloc &) {
        OOM_ABORT();
    }
    tree_command c = {.cmd = cmd, .view = view, .model = model,
                      .selection = gtk_tree_view_get_selection(view), .words = std::move(words)};
    c.has_a = find_row(model, c.first(), &c.a);
    c.has_b = find_row(model, c.second(), &c.b);
    if (is_path_string(c.second()))
        c.column = strtol(c.second(), nullptr, 10);
    note_tried(tree_actions);
    for (const tree_action &row : tree_actions) {
        if (!streq(cmd->action, row.action) || !row.when(c))
            continue;
        if (row.then(c))
            return;
        break;
    }
    update_widget(cmd);
}
