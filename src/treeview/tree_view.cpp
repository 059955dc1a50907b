// Tree view commands: the client edits the rows of the view's list or tree
// store and steers the view. Rows are named by path strings, columns by the
// store's column numbers.
#include "treeview/treeview_internal.h"
#include "treeview/treeview.h"
#include "widgets/widgets.h"

#include <algorithm>
#include <cerrno>
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

struct tree_action {
    const char *action;
    bool (*when)(const tree_command &);
    // False when the action cannot be carried out after all (a file that
    // cannot be written); the command then goes on to the generic handler.
    bool (*then)(tree_command &);
    const char *form = nullptr;  // the form of the data, for the complaint
};

bool no_first(const tree_command &c) { return !c.words.first; }
bool no_second(const tree_command &c) { return !c.words.second; }
bool no_rest(const tree_command &c) { return !c.words.rest; }
bool row_alone(const tree_command &c) { return c.has_a && no_second(c); }

// The toolkit moves a row only among its siblings.
bool same_level(const tree_command &c)
{
    tree_path_ptr a(gtk_tree_model_get_path(c.model, const_cast<GtkTreeIter *>(&c.a)));
    tree_path_ptr b(gtk_tree_model_get_path(c.model, const_cast<GtkTreeIter *>(&c.b)));
    int depth_a, depth_b;
    int *index_a = gtk_tree_path_get_indices_with_depth(a.get(), &depth_a);
    int *index_b = gtk_tree_path_get_indices_with_depth(b.get(), &depth_b);
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
    tree_path_ptr path(gtk_tree_model_get_path(c.model, &c.a));
    GtkTreeViewColumn *column =
        c.column <= G_MAXINT ? gtk_tree_view_get_column(c.view, static_cast<int>(c.column))
                             : nullptr;
    gtk_tree_view_scroll_to_cell(c.view, path.get(), column, FALSE, 0.0, 0.0);
    return true;
}

bool expand_row(tree_command &c, bool open_all)
{
    tree_path_ptr path(gtk_tree_model_get_path(c.model, &c.a));
    gtk_tree_view_expand_row(c.view, path.get(), open_all);
    return true;
}

bool collapse_row(tree_command &c)
{
    tree_path_ptr path(gtk_tree_model_get_path(c.model, &c.a));
    gtk_tree_view_collapse_row(c.view, path.get());
    return true;
}

bool set_cursor(tree_command &c)
{
    tree_path_ptr path(gtk_tree_model_get_path(c.model, &c.a));
    gtk_tree_view_set_cursor(c.view, path.get(), nullptr, FALSE);
    return true;
}

bool clear_cursor(tree_command &c)
{
    tree_path_ptr empty(gtk_tree_path_new());
    gtk_tree_view_set_cursor(c.view, empty.get(), nullptr, FALSE);
    gtk_tree_selection_unselect_all(c.selection);
    return true;
}

bool clear_store(tree_command &c)
{
    clear_cursor(c);
    tree_model_clear(c.model);
    return true;
}

bool save_model(tree_command &c)
{
    saved_file file(c.first());
    if (file.stream == nullptr)
        return refuse_because("cannot open the file: %s", g_strerror(file.error));
    info record = {.out = file.stream, .in = nullptr, .log = nullptr, .builder = nullptr,
                   .obj = G_OBJECT(c.view), .obj2 = G_OBJECT(c.model), .txt = nullptr};
    gtk_tree_model_foreach(c.model, save_tree_row, &record);
    if (!commit_saved_file(file))
        return refuse_because("cannot write the file: %s", g_strerror(file.error));
    return true;
}

// Tried top to bottom; the first row whose action and condition hold runs.
constexpr tree_action tree_actions[] = {
    {.action = "set",
     .when = [](const tree_command &c) {
         return c.column >= 0 && c.column < gtk_tree_model_get_n_columns(c.model) &&
                is_path_string(c.first());
     },
     .then = set_cell, .form = "PATH COLUMN VALUE"},
    {.action = "scroll",
     .when = [](const tree_command &c) {
         return c.has_a && is_path_string(c.second()) && no_rest(c);
     },
     .then = scroll_to_cell, .form = "ROW COLUMN"},
    {.action = "expand", .when = row_alone,
     .then = [](tree_command &c) { return expand_row(c, false); }, .form = "ROW"},
    {.action = "expand_all", .when = row_alone,
     .then = [](tree_command &c) { return expand_row(c, true); }, .form = "ROW"},
    {.action = "expand_all", .when = no_first,
     .then = [](tree_command &c) { gtk_tree_view_expand_all(c.view); return true; }, .form = ""},
    {.action = "collapse", .when = row_alone, .then = collapse_row, .form = "ROW"},
    {.action = "collapse", .when = no_first,
     .then = [](tree_command &c) { gtk_tree_view_collapse_all(c.view); return true; }, .form = ""},
    {.action = "set_cursor", .when = row_alone, .then = set_cursor, .form = "ROW"},
    {.action = "set_cursor", .when = no_first, .then = clear_cursor, .form = ""},
    {.action = "insert_row",
     .when = [](const tree_command &c) { return streq(c.first(), "end") && no_second(c); },
     .then = [](tree_command &c) {
         GtkTreeIter row;
         tree_model_insert_before(c.model, &row, nullptr, nullptr);
         return true;
     }, .form = "end"},
    {.action = "insert_row",
     .when = [](const tree_command &c) {
         return c.has_a && streq(c.second(), "as_child") && no_rest(c);
     },
     .then = [](tree_command &c) {
         GtkTreeIter row;
         tree_model_insert_after(c.model, &row, &c.a, nullptr);
         return true;
     }, .form = "ROW as_child"},
    {.action = "insert_row", .when = row_alone,
     .then = [](tree_command &c) {
         GtkTreeIter row;
         tree_model_insert_before(c.model, &row, nullptr, &c.a);
         return true;
     }, .form = "ROW"},
    {.action = "move_row",
     .when = [](const tree_command &c) {
         return c.has_a && streq(c.second(), "end") && no_rest(c);
     },
     .then = [](tree_command &c) { tree_model_move_before(c.model, &c.a, nullptr); return true; },
     .form = "ROW end"},
    {.action = "move_row",
     .when = [](const tree_command &c) {
         return c.has_a && c.has_b && no_rest(c) && same_level(c);
     },
     .then = [](tree_command &c) { tree_model_move_before(c.model, &c.a, &c.b); return true; },
     .form = "ROW ROW (siblings)"},
    {.action = "remove_row", .when = row_alone,
     .then = [](tree_command &c) { tree_model_remove(c.model, &c.a); return true; },
     .form = "ROW"},
    {.action = "clear", .when = no_first, .then = clear_store, .form = ""},
    {.action = "block", .when = [](const tree_command &c) { return !no_first(c); },
     .then = [](tree_command &c) {
         // The selection carries the handlers that send selection feedback.
         return set_handlers_blocked(c.cmd, G_OBJECT(c.selection));
     }, .form = "0|1"},
    {.action = "save", .when = [](const tree_command &c) { return !no_first(c); },
     .then = save_model, .form = "FILE"},
};

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
    tree_path_ptr path = path_from_text(text);
    return path && gtk_tree_model_get_iter(model, iter, path.get());
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

tree_path_ptr path_from_text(const char *text)
{
    if (!is_path_string(text))
        return nullptr;
    long long index = 0;
    for (const char *p = text; *p != '\0'; p++) {
        index = *p == ':' ? 0 : index * 10 + (*p - '0');
        if (index > G_MAXINT)
            return nullptr;
    }
    return tree_path_ptr(gtk_tree_path_new_from_string(text));
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
