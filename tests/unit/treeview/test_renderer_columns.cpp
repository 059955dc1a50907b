// Finding the model column of a cell renderer in the UI description, and
// storing in-place edits.
#include "treeview/treeview_internal.h"
#include "treeview/treeview.h"
#include "feedback/feedback.h"
#include "ui_fixture.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const char *const columns_ui = R"(
<object class="GtkListStore" id="store">
  <columns><column type="gboolean"/><column type="gchararray"/><column type="gint"/></columns>
  <data><row><col id="0">False</col><col id="1">x</col><col id="2">4</col></row></data>
</object>
<object class="GtkTreeModelFilter" id="filtered"><property name="child_model">store</property></object>
<object class="GtkTreeView" id="tv">
  <property name="model">store</property>
  <child><object class="GtkTreeViewColumn" id="col1">
    <child><object class="GtkCellRendererToggle" id="check"/>
      <attributes><attribute name="active">0</attribute></attributes></child>
    <child><object class="GtkCellRendererText" id="number"/>
      <attributes><attribute name="text">2</attribute></attributes></child>
    <child><object class="GtkCellRendererText" id="unbound"/></child>
    <child><object class="GtkCellRendererSpin" id="spin"/>
      <attributes><attribute name="text">2</attribute></attributes></child>
  </object></child>
  <child><object class="GtkTreeViewColumn" id="say &quot;hi&quot;">
    <child><object class="GtkCellRendererText" id="quoted"/>
      <attributes><attribute name="text">1</attribute></attributes></child>
  </object></child>
</object>)";

// The UI description both as builder objects and as a file on disk.
struct columns_file : ui_fixture {
    std::string name;
    columns_file() : ui_fixture(columns_ui)
    {
        char path[] = "/tmp/wirepanel-ui-XXXXXX";
        int fd = mkstemp(path);
        std::string text = std::string("<interface>") + columns_ui + "</interface>";
        EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(fd);
        name = path;
    }
    ~columns_file() { unlink(name.c_str()); }
    GtkTreeViewColumn *column(const char *id) { return GTK_TREE_VIEW_COLUMN(obj(id)); }
    GtkCellRenderer *lookup(const char *column_id, int position)
    {
        return tree_view_column_get_renderer_column(builder, name.c_str(), column(column_id),
                                                    position);
    }
};

int col_number(GtkCellRenderer *renderer)
{
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(renderer), "col_number"));
}

TEST(renderer_column, finds_the_renderer_of_each_child_and_its_column)
{
    columns_file ui;
    GtkCellRenderer *check = ui.lookup("col1", 1);
    ASSERT_EQ(check, GTK_CELL_RENDERER(ui.obj("check")));
    EXPECT_EQ(col_number(check), 0);
    GtkCellRenderer *number = ui.lookup("col1", 2);
    ASSERT_EQ(number, GTK_CELL_RENDERER(ui.obj("number")));
    EXPECT_EQ(col_number(number), 2);
}

TEST(renderer_column, unbound_other_class_missing_child_and_quoted_id_find_nothing)
{
    columns_file ui;
    EXPECT_EQ(ui.lookup("col1", 3), nullptr);
    EXPECT_EQ(ui.lookup("col1", 4), nullptr);
    EXPECT_EQ(ui.lookup("col1", 5), nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui.lookup("say \"hi\"", 1), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(g_object_get_data(ui.obj("quoted"), "col_number"), nullptr);
}

// One parse serves every lookup: the file may go once the first lookup ran.
TEST(renderer_column, file_is_parsed_once_per_builder)
{
    columns_file ui;
    ASSERT_NE(ui.lookup("col1", 1), nullptr);
    unlink(ui.name.c_str());
    EXPECT_EQ(ui.lookup("col1", 2), GTK_CELL_RENDERER(ui.obj("number")));
}

TEST(renderer_column, unparsable_file_finds_nothing)
{
    columns_file ui;
    FILE *f = fopen(ui.name.c_str(), "w");
    fputs("<interface><object", f);
    fclose(f);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui.lookup("col1", 1), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(tree_view_column_get_renderer_column(ui.builder, "/nonexistent/ui", ui.column("col1"),
                                                   1),
              nullptr);
}

// The two renderers looked up as start-up does before it connects them.
struct edits : columns_file {
    edits()
    {
        lookup("col1", 1);
        lookup("col1", 2);
    }
    cell_link record(const char *model_id)
    {
        return cell_link{.out = reader.out, .view = obj("tv"),
                         .model = GTK_TREE_MODEL(obj(model_id))};
    }
    std::string cell(int column)
    {
        GtkTreeIter iter;
        gtk_tree_model_get_iter_first(GTK_TREE_MODEL(obj("store")), &iter);
        g_auto(GValue) v = G_VALUE_INIT;
        g_auto(GValue) text = G_VALUE_INIT;
        gtk_tree_model_get_value(GTK_TREE_MODEL(obj("store")), &iter, column, &v);
        g_value_init(&text, G_TYPE_STRING);
        g_value_transform(&v, &text);
        return g_value_get_string(&text);
    }
};

TEST(cell_edits, text_edit_is_stored_and_sent_with_the_cell_now_held)
{
    edits ui;
    for (const char *typed : {"15", "abc"}) {
        cell_link record = ui.record("store");
        cell_edited(GTK_CELL_RENDERER_TEXT(ui.obj("number")), const_cast<gchar *>("0"),
                    const_cast<gchar *>(typed), &record);
        EXPECT_EQ(ui.cell(2), "15") << typed;
        EXPECT_EQ(ui.feedback(), "tv:gint 0 2 15\n") << typed;
    }
}

TEST(cell_edits, toggle_flips_the_cell_without_feedback)
{
    edits ui;
    cell_link record = ui.record("store");
    record.view = nullptr;
    cell_toggled(GTK_CELL_RENDERER_TOGGLE(ui.obj("check")), const_cast<gchar *>("0"), &record);
    EXPECT_EQ(ui.cell(0), "TRUE");
    cell_toggled(GTK_CELL_RENDERER_TOGGLE(ui.obj("check")), const_cast<gchar *>("0"), &record);
    EXPECT_EQ(ui.cell(0), "FALSE");
    EXPECT_EQ(ui.feedback(), "");
}

TEST(cell_edits, edits_through_a_filter_model_are_dropped_quietly)
{
    edits ui;
    cell_link record = ui.record("filtered");
    testing::internal::CaptureStderr();
    cell_edited(GTK_CELL_RENDERER_TEXT(ui.obj("number")), const_cast<gchar *>("0"),
                const_cast<gchar *>("15"), &record);
    cell_toggled(GTK_CELL_RENDERER_TOGGLE(ui.obj("check")), const_cast<gchar *>("0"), &record);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ui.cell(2), "4");
    EXPECT_EQ(ui.cell(0), "FALSE");
    EXPECT_EQ(ui.feedback(), "");
}

}  // namespace
