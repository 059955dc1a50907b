// Tree view commands on real views and stores: rows edited, refusals, and
// view state that no channel shows.
#include "treeview/treeview_internal.h"
#include "treeview/treeview.h"
#include "ui_fixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct path_case {
    const char *text;
    bool is_path;
};

class is_path_string_case : public testing::TestWithParam<path_case> {};

TEST_P(is_path_string_case, accepts_digits_and_single_colons_only)
{
    EXPECT_EQ(is_path_string(GetParam().text), GetParam().is_path);
}

INSTANTIATE_TEST_SUITE_P(
    texts, is_path_string_case,
    testing::Values(path_case{"0", true}, path_case{"12", true}, path_case{"2:0", true},
                    path_case{"1:22:3", true}, path_case{"0:", true}, path_case{nullptr, false},
                    path_case{"", false}, path_case{":1", false}, path_case{"0::1", false},
                    path_case{"1a", false}, path_case{"-1", false}, path_case{" 1", false},
                    path_case{"1 ", false}, path_case{"end", false}, path_case{"+1", false}),
    [](const testing::TestParamInfo<path_case> &info) {
        std::string name = info.param.text ? info.param.text : "null";
        for (char &ch : name)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return "case" + std::to_string(info.index) + "_" + name;
    });

// A list store of a text and a number, and a tree store of texts whose row
// 0 has a child with a child, each behind a view.
const char *const stores_ui = R"(
<object class="GtkListStore" id="people">
  <columns><column type="gchararray"/><column type="gint"/></columns>
  <data>
    <row><col id="0">a</col><col id="1">1</col></row>
    <row><col id="0">b</col><col id="1">2</col></row>
    <row><col id="0">c</col><col id="1">3</col></row>
  </data>
</object>
<object class="GtkTreeStore" id="family"><columns><column type="gchararray"/></columns></object>
<object class="GtkTreeView" id="list"><property name="model">people</property>
  <child><object class="GtkTreeViewColumn" id="list_col"/></child>
  <child><object class="GtkTreeViewColumn" id="list_col2"/></child></object>
<object class="GtkTreeView" id="tree"><property name="model">family</property></object>
<object class="GtkTreeView" id="bare"/>
<object class="GtkTreeModelFilter" id="filtered"><property name="child_model">people</property></object>
<object class="GtkTreeView" id="filter_view"><property name="model">filtered</property></object>
)";

struct views : ui_fixture {
    views() : ui_fixture(stores_ui)
    {
        for (const char *line : {"tree:set 0 0 a", "tree:set 0:0 0 a0", "tree:set 0:0:0 0 a00",
                                 "tree:set 1 0 b"})
            run(line);
    }
    GtkTreeModel *model(const char *view)
    {
        return gtk_tree_view_get_model(GTK_TREE_VIEW(obj(view)));
    }
    // Depth first, "path=text" per row; "~" for a cell without a string.
    std::string rows(const char *view)
    {
        std::string out;
        gtk_tree_model_foreach(
            model(view),
            [](GtkTreeModel *m, GtkTreePath *path, GtkTreeIter *iter, gpointer data) {
                gchar *text;
                gtk_tree_model_get(m, iter, 0, &text, -1);
                g_autofree gchar *owned = text;
                g_autofree gchar *where = gtk_tree_path_to_string(path);
                *static_cast<std::string *>(data) +=
                    std::string(where) + "=" + (text ? text : "~") + " ";
                return FALSE;
            },
            &out);
        return out;
    }
    std::string selected(const char *view)
    {
        std::string out;
        gtk_tree_selection_selected_foreach(
            gtk_tree_view_get_selection(GTK_TREE_VIEW(obj(view))),
            [](GtkTreeModel *, GtkTreePath *path, GtkTreeIter *, gpointer data) {
                g_autofree gchar *where = gtk_tree_path_to_string(path);
                *static_cast<std::string *>(data) += std::string(where) + " ";
            },
            &out);
        return out;
    }
    bool expanded(const char *path)
    {
        g_autoptr(GtkTreePath) p = gtk_tree_path_new_from_string(path);
        return gtk_tree_view_row_expanded(GTK_TREE_VIEW(obj("tree")), p);
    }
};

struct command_case {
    const char *name;
    const char *view;
    const char *line;
    bool refused;
    const char *rows;  // the store afterwards
};

void PrintTo(const command_case &c, std::ostream *os) { *os << c.line; }

class tree_command : public testing::TestWithParam<command_case> {};

TEST_P(tree_command, edits_the_store_or_refuses_and_changes_nothing)
{
    const command_case &c = GetParam();
    views ui;
    testing::internal::CaptureStderr();
    ui.run(c.line);
    std::string complaint = std::string("ignoring GtkTreeView command \"") + c.line + "\"\n";
    std::string err = testing::internal::GetCapturedStderr();
    if (c.refused)
        EXPECT_TRUE(is_complaint(err, complaint));
    else
        EXPECT_EQ(err, "");
    EXPECT_EQ(ui.rows(c.view), c.rows);
}

constexpr const char *list_rows = "0=a 1=b 2=c ";
constexpr const char *tree_rows = "0=a 0:0=a0 0:0:0=a00 1=b ";

INSTANTIATE_TEST_SUITE_P(
    commands, tree_command,
    testing::Values(
        command_case{"remove_middle", "list", "list:remove_row 1", false, "0=a 1=c "},
        command_case{"remove_missing", "list", "list:remove_row 3", true, list_rows},
        command_case{"remove_two_words", "list", "list:remove_row 1 2", true, list_rows},
        command_case{"remove_with_children", "tree", "tree:remove_row 0", false, "0=b "},
        command_case{"insert_end", "list", "list:insert_row end", false, "0=a 1=b 2=c 3=~ "},
        command_case{"insert_before_first", "list", "list:insert_row 0", false,
                     "0=~ 1=a 2=b 3=c "},
        command_case{"insert_as_child_in_list_prepends", "list", "list:insert_row 1 as_child",
                     false, "0=~ 1=a 2=b 3=c "},
        command_case{"insert_as_first_child", "tree", "tree:insert_row 0 as_child", false,
                     "0=a 0:0=~ 0:1=a0 0:1:0=a00 1=b "},
        command_case{"insert_before_child", "tree", "tree:insert_row 0:0", false,
                     "0=a 0:0=~ 0:1=a0 0:1:0=a00 1=b "},
        command_case{"insert_end_word_after", "list", "list:insert_row end 1", true, list_rows},
        command_case{"move_to_end", "list", "list:move_row 0 end", false, "0=b 1=c 2=a "},
        command_case{"move_before_first", "list", "list:move_row 2 0", false, "0=c 1=a 2=b "},
        command_case{"move_before_itself", "list", "list:move_row 1 1", false, list_rows},
        command_case{"move_child_before_itself", "tree", "tree:move_row 0:0 0:0", false,
                     tree_rows},
        command_case{"move_with_rest", "list", "list:move_row 0 1  ", true, list_rows},
        command_case{"move_to_missing_row", "list", "list:move_row 0 3", true, list_rows},
        command_case{"move_across_levels", "tree", "tree:move_row 0:0 1", true, tree_rows},
        command_case{"move_with_children_to_end", "tree", "tree:move_row 0 end", false,
                     "0=b 1=a 1:0=a0 1:0:0=a00 "},
        command_case{"set_creates_rows", "list", "list:set 5 0 hello", false,
                     "0=a 1=b 2=c 3=~ 4=~ 5=hello "},
        command_case{"set_rest_verbatim", "list", "list:set 0 0   two  words ", false,
                     "0=  two  words  1=b 2=c "},
        command_case{"set_no_text_is_null", "list", "list:set 0 0", false, "0=~ 1=b 2=c "},
        command_case{"set_one_trailing_blank_is_null", "list", "list:set 0 0 ", false,
                     "0=~ 1=b 2=c "},
        command_case{"set_column_out_of_range", "list", "list:set 0 7 x", true, list_rows},
        command_case{"set_column_not_a_number", "list", "list:set 0 x y", true, list_rows},
        command_case{"set_malformed_path", "list", "list:set 0::1 0 x", true, list_rows},
        command_case{"set_bad_number_makes_no_row", "list", "list:set 6 1 4.2", true, list_rows},
        command_case{"set_two_levels_in_list", "list", "list:set 1:2 0 x", true, list_rows},
        command_case{"set_index_beyond_int", "list", "list:set 4294967296 0 x", true, list_rows},
        command_case{"set_deep_in_tree", "tree", "tree:set 1:1 0 x", false,
                     "0=a 0:0=a0 0:0:0=a00 1=b 1:0=~ 1:1=x "},
        command_case{"clear", "tree", "tree:clear", false, ""},
        command_case{"clear_with_data", "list", "list:clear 0", true, list_rows},
        command_case{"expand_double_colon", "tree", "tree:expand 0::1", true, tree_rows},
        command_case{"expand_leading_colon", "tree", "tree:expand :1", true, tree_rows},
        command_case{"expand_letter", "tree", "tree:expand 1a", true, tree_rows},
        command_case{"expand_negative", "tree", "tree:expand -1", true, tree_rows},
        command_case{"scroll_column_names_no_row", "list", "list:scroll 0 4", false, list_rows},
        command_case{"scroll_with_rest", "list", "list:scroll 0 1 x", true, list_rows},
        command_case{"scroll_missing_row", "list", "list:scroll 5 0", true, list_rows},
        command_case{"scroll_without_column", "list", "list:scroll 0", true, list_rows},
        command_case{"cursor_missing_row", "list", "list:set_cursor 3", true, list_rows},
        command_case{"save_without_file", "list", "list:save", true, list_rows},
        command_case{"save_unwritable", "list", "list:save /nonexistent/dir/x", true, list_rows},
        command_case{"unknown_action", "list", "list:sort 0", true, list_rows}),
    [](const testing::TestParamInfo<command_case> &info) { return std::string(info.param.name); });

TEST(tree_view, cursor_selects_and_clearing_unselects)
{
    views ui;
    EXPECT_FALSE(ui.refused("list:set_cursor 1"));
    EXPECT_EQ(ui.selected("list"), "1 ");
    EXPECT_FALSE(ui.refused("list:set_cursor"));
    EXPECT_EQ(ui.selected("list"), "");
    ui.run("list:set_cursor 2");
    EXPECT_FALSE(ui.refused("list:clear"));
    EXPECT_EQ(ui.selected("list"), "");
    EXPECT_EQ(ui.rows("list"), "");
}

TEST(tree_view, expand_and_collapse)
{
    views ui;
    EXPECT_FALSE(ui.refused("tree:expand 0"));
    EXPECT_TRUE(ui.expanded("0"));
    EXPECT_FALSE(ui.expanded("0:0"));
    EXPECT_FALSE(ui.refused("tree:collapse"));
    EXPECT_FALSE(ui.expanded("0"));
    EXPECT_FALSE(ui.refused("tree:expand_all 0"));
    EXPECT_TRUE(ui.expanded("0:0"));
    EXPECT_FALSE(ui.refused("tree:collapse 0"));
    EXPECT_FALSE(ui.expanded("0"));
    EXPECT_FALSE(ui.refused("tree:expand_all"));
    EXPECT_TRUE(ui.expanded("0:0"));
    EXPECT_TRUE(ui.refused("tree:expand 0 1"));
}

TEST(tree_view, view_without_a_store_refuses_everything)
{
    views ui;
    for (const char *line : {"bare:set 0 0 x", "bare:set_visible 0", "filter_view:clear",
                             "filter_view:set_cursor 0"}) {
        testing::internal::CaptureStderr();
        ui.run(line);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("missing model/ignoring GtkTreeView command \"") + line + "\"\n" +
                      "  the tree view has no list store or tree store\n");
    }
    EXPECT_EQ(ui.rows("list"), list_rows);
}

// Every column type in its saved form, and a cell that cannot be saved.
TEST(tree_view, save_writes_each_cell_as_a_set_command)
{
    ui_fixture ui(R"(
<object class="GtkTreeStore" id="all">
  <columns>
    <column type="gboolean"/><column type="gint"/><column type="guint"/><column type="glong"/>
    <column type="gulong"/><column type="gint64"/><column type="guint64"/>
    <column type="gfloat"/><column type="gdouble"/><column type="gchararray"/>
    <column type="GdkPixbuf"/>
  </columns>
</object>
<object class="GtkTreeView" id="tv"><property name="model">all</property></object>)");
    for (const char *line :
         {"tv:set 0 0 7", "tv:set 0 1 -5", "tv:set 0 2 -1", "tv:set 0 3 -9000000000",
          "tv:set 0 4 9000000000", "tv:set 0 5 -9223372036854775807", "tv:set 0 6 42",
          "tv:set 0 7 0.25", "tv:set 0 8 -2.5", "tv:set 0 9 line\nbreak \\ end",
          "tv:set 0:0 9 child"})
        ASSERT_FALSE(ui.refused(line)) << line;
    char name[] = "/tmp/wirepanel-save-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    testing::internal::CaptureStderr();
    ui.run(std::string("tv:save ") + name + " ignored words");
    std::string err = testing::internal::GetCapturedStderr();
    std::ifstream saved(name);
    std::stringstream text;
    text << saved.rdbuf();
    unlink(name);
    EXPECT_EQ(text.str(),
              "tv:set 0 0 1\n"
              "tv:set 0 1 -5\n"
              "tv:set 0 2 4294967295\n"
              "tv:set 0 3 -9000000000\n"
              "tv:set 0 4 9000000000\n"
              "tv:set 0 5 -9223372036854775807\n"
              "tv:set 0 6 42\n"
              "tv:set 0 7 0.250000\n"
              "tv:set 0 8 -2.500000\n"
              "tv:set 0 9 line\\nbreak \\\\ end\n"
              "tv:set 0:0 0 0\n"
              "tv:set 0:0 1 0\n"
              "tv:set 0:0 2 0\n"
              "tv:set 0:0 3 0\n"
              "tv:set 0:0 4 0\n"
              "tv:set 0:0 5 0\n"
              "tv:set 0:0 6 0\n"
              "tv:set 0:0 7 0.000000\n"
              "tv:set 0:0 8 0.000000\n"
              "tv:set 0:0 9 child\n");
    EXPECT_EQ(err, "column 10: GdkPixbuf not implemented\ncolumn 10: GdkPixbuf not implemented\n");
}

}  // namespace
