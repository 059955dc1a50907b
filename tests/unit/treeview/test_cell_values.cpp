// Cell values from text per column type, and the rows a path makes exist.
#include "treeview/treeview_internal.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

const GType column_types[] = {
    G_TYPE_BOOLEAN, G_TYPE_INT,   G_TYPE_UINT,   G_TYPE_LONG,   G_TYPE_ULONG,  G_TYPE_INT64,
    G_TYPE_UINT64,  G_TYPE_FLOAT, G_TYPE_DOUBLE, G_TYPE_STRING, GDK_TYPE_PIXBUF,
};

struct store_holder {
    GtkTreeModel *model;
    explicit store_holder(GtkTreeModel *m) : model(m) {}
    store_holder(const store_holder &) = delete;
    store_holder &operator=(const store_holder &) = delete;
    ~store_holder() { g_object_unref(model); }
};

GtkTreeModel *new_list_store()
{
    return GTK_TREE_MODEL(gtk_list_store_newv(G_N_ELEMENTS(column_types),
                                              const_cast<GType *>(column_types)));
}

GtkTreeModel *new_tree_store()
{
    return GTK_TREE_MODEL(gtk_tree_store_newv(G_N_ELEMENTS(column_types),
                                              const_cast<GType *>(column_types)));
}

// A cell as GLib's own transformation to text shows it; "null" for no string.
std::string cell_text(GtkTreeModel *model, const char *path, int column)
{
    GtkTreeIter iter;
    if (!gtk_tree_model_get_iter_from_string(model, &iter, path))
        return "no row";
    g_auto(GValue) cell = G_VALUE_INIT;
    g_auto(GValue) text = G_VALUE_INIT;
    gtk_tree_model_get_value(model, &iter, column, &cell);
    g_value_init(&text, G_TYPE_STRING);
    g_value_transform(&cell, &text);
    const char *s = g_value_get_string(&text);
    return s != nullptr ? s : "null";
}

// Every row of a store, depth first, as "path=column-9-text" words.
std::string rows_of(GtkTreeModel *model)
{
    std::string rows;
    gtk_tree_model_foreach(
        model,
        [](GtkTreeModel *m, GtkTreePath *path, GtkTreeIter *, gpointer data) {
            g_autofree gchar *text = gtk_tree_path_to_string(path);
            *static_cast<std::string *>(data) += std::string(text) + "=" +
                                                 cell_text(m, text, 9) + " ";
            return FALSE;
        },
        &rows);
    return rows;
}

struct cell_case {
    const char *name;
    int column;
    const char *text;
    bool accepted;
    const char *stored;  // as GLib turns the value into text
};

void PrintTo(const cell_case &c, std::ostream *os) { *os << c.name; }

class set_cell_from_text_case : public testing::TestWithParam<cell_case> {};

// Each case sets row 2 of an empty list store, so a refused text must also
// leave the store without rows.
TEST_P(set_cell_from_text_case, stores_the_value_or_refuses_without_making_rows)
{
    const cell_case &c = GetParam();
    store_holder store(new_list_store());
    GtkTreeIter iter;
    bool accepted = set_cell_from_text(store.model, &iter, "2", c.column, c.text);
    EXPECT_EQ(accepted, c.accepted);
    if (c.accepted) {
        EXPECT_EQ(cell_text(store.model, "2", c.column), c.stored);
        EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 3);
    } else {
        EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    column_types, set_cell_from_text_case,
    testing::Values(
        cell_case{"boolean_one", 0, "1", true, "TRUE"},
        cell_case{"boolean_any_nonzero", 0, "5", true, "TRUE"},
        cell_case{"boolean_zero", 0, "0", true, "FALSE"},
        cell_case{"boolean_word_refused", 0, "true", false, nullptr},
        cell_case{"int_plain", 1, "42", true, "42"},
        cell_case{"int_negative", 1, "-7", true, "-7"},
        cell_case{"int_trailing_blanks", 1, "42   ", true, "42"},
        cell_case{"int_leading_blanks_and_plus", 1, "  +3", true, "3"},
        cell_case{"int_truncated_to_32_bits", 1, "4294967297", true, "1"},
        cell_case{"int_decimal_refused", 1, "4.2", false, nullptr},
        cell_case{"int_trailing_letter_refused", 1, "42x", false, nullptr},
        cell_case{"int_hex_refused", 1, "0x10", false, nullptr},
        cell_case{"int_two_numbers_refused", 1, "4 2", false, nullptr},
        cell_case{"int_empty_refused", 1, "", false, nullptr},
        cell_case{"int_blank_refused", 1, "  ", false, nullptr},
        cell_case{"int_no_text_refused", 1, nullptr, false, nullptr},
        cell_case{"uint_minus_one_is_largest", 2, "-1", true, "4294967295"},
        cell_case{"long_beyond_32_bits", 3, "-9000000000", true, "-9000000000"},
        cell_case{"ulong_minus_one_is_largest", 4, "-1", true, "18446744073709551615"},
        cell_case{"int64_largest", 5, "9223372036854775807", true, "9223372036854775807"},
        cell_case{"uint64_from_negative", 6, "-2", true, "18446744073709551614"},
        cell_case{"float_plain", 7, "2.5", true, "2.500000"},
        cell_case{"float_single_precision", 7, "16777217", true, "16777216.000000"},
        cell_case{"float_word_refused", 7, "x", false, nullptr},
        cell_case{"double_plain", 8, "2.5", true, "2.500000"},
        cell_case{"double_exponent", 8, "-1e3", true, "-1000.000000"},
        cell_case{"double_integer", 8, "7", true, "7.000000"},
        cell_case{"double_comma_refused_in_c_locale", 8, "2,5", false, nullptr},
        cell_case{"double_empty_refused", 8, "", false, nullptr},
        cell_case{"string_blanks_kept", 9, "  two  words ", true, "  two  words "},
        cell_case{"string_empty", 9, "", true, ""},
        cell_case{"string_no_text_is_null", 9, nullptr, true, "null"}),
    [](const testing::TestParamInfo<cell_case> &info) { return std::string(info.param.name); });

TEST(set_cell_from_text, unsupported_type_reports_and_counts_as_done)
{
    store_holder store(new_list_store());
    GtkTreeIter iter;
    testing::internal::CaptureStderr();
    bool accepted = set_cell_from_text(store.model, &iter, "1", 10, "x");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "column 10: GdkPixbuf not implemented\n");
    EXPECT_TRUE(accepted);
    EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 0);
}

TEST(set_cell_from_text, list_store_refuses_paths_of_two_levels)
{
    store_holder store(new_list_store());
    GtkTreeIter iter;
    ASSERT_TRUE(set_cell_from_text(store.model, &iter, "1", 9, "kept"));
    for (const char *path : {"1:2", "0:0", "0:"})
        EXPECT_FALSE(set_cell_from_text(store.model, &iter, path, 9, "x")) << path;
    EXPECT_EQ(rows_of(store.model), "0=null 1=kept ");
}

TEST(set_cell_from_text, index_beyond_int_names_no_row)
{
    store_holder store(new_tree_store());
    GtkTreeIter iter;
    EXPECT_FALSE(set_cell_from_text(store.model, &iter, "99999999999", 9, "x"));
    EXPECT_FALSE(set_cell_from_text(store.model, &iter, "0:2147483648", 9, "x"));
    EXPECT_EQ(rows_of(store.model), "");
}

TEST(ensure_tree_row, list_store_appends_missing_rows_and_keeps_the_rest)
{
    store_holder store(new_list_store());
    GtkTreeIter iter;
    set_cell_from_text(store.model, &iter, "0", 9, "a");
    set_cell_from_text(store.model, &iter, "1", 9, "b");
    g_autoptr(GtkTreePath) path = gtk_tree_path_new_from_string("4");
    ASSERT_TRUE(ensure_tree_row(store.model, path, &iter));
    g_autoptr(GtkTreePath) made = gtk_tree_model_get_path(store.model, &iter);
    EXPECT_EQ(gtk_tree_path_compare(made, path), 0);
    EXPECT_EQ(rows_of(store.model), "0=a 1=b 2=null 3=null 4=null ");
    // An existing row is found, not made again.
    g_autoptr(GtkTreePath) first = gtk_tree_path_new_from_string("0");
    ASSERT_TRUE(ensure_tree_row(store.model, first, &iter));
    EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 5);
}

TEST(ensure_tree_row, tree_store_makes_ancestors_and_earlier_siblings)
{
    store_holder store(new_tree_store());
    GtkTreeIter iter;
    ASSERT_TRUE(set_cell_from_text(store.model, &iter, "3:2", 9, "x"));
    EXPECT_EQ(rows_of(store.model), "0=null 1=null 2=null 3=null 3:0=null 3:1=null 3:2=x ");
    ASSERT_TRUE(set_cell_from_text(store.model, &iter, "1:1:0", 9, "y"));
    ASSERT_TRUE(set_cell_from_text(store.model, &iter, "3:4", 9, "z"));
    EXPECT_EQ(rows_of(store.model), "0=null 1=null 1:0=null 1:1=null 1:1:0=y 2=null 3=null "
                                    "3:0=null 3:1=null 3:2=x 3:3=null 3:4=z ");
}

TEST(ensure_tree_row, empty_path_names_no_row)
{
    store_holder store(new_tree_store());
    GtkTreeIter iter;
    g_autoptr(GtkTreePath) empty = gtk_tree_path_new();
    EXPECT_FALSE(ensure_tree_row(store.model, empty, &iter));
    EXPECT_EQ(rows_of(store.model), "");
}

// Made without recursion and at a cost per row that does not grow with the
// rows already made: row 200000 on an empty store is quick on both kinds; an
// index beyond the bound, or a path deeper than allowed, makes nothing.
TEST(ensure_tree_row, large_index_on_empty_stores)
{
    std::string beyond = std::to_string(max_row_index + 1);
    for (auto make : {new_list_store, new_tree_store}) {
        store_holder store(make());
        GtkTreeIter iter;
        EXPECT_FALSE(set_cell_from_text(store.model, &iter, beyond.c_str(), 9, "x"));
        EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 0);
        ASSERT_TRUE(set_cell_from_text(store.model, &iter, "200000", 9, "x"));
        EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 200001);
        EXPECT_EQ(cell_text(store.model, "200000", 9), "x");
        EXPECT_EQ(cell_text(store.model, "199999", 9), "null");
        EXPECT_EQ(cell_text(store.model, "0", 9), "null");
    }
    store_holder tree(new_tree_store());
    GtkTreeIter iter;
    std::string deep = "0";
    for (int level = 1; level < max_path_depth; level++)
        deep += ":0";
    EXPECT_TRUE(set_cell_from_text(tree.model, &iter, deep.c_str(), 9, "x"));
    EXPECT_FALSE(set_cell_from_text(tree.model, &iter, (deep + ":0").c_str(), 9, "x"));
}

// A path deep below many new rows: filling the levels top-down walked each
// level's new rows once per row made below them, minutes for this path.
TEST(ensure_tree_row, deep_path_on_an_empty_tree_store_puts_every_row_in_place)
{
    store_holder store(new_tree_store());
    GtkTreeIter iter;
    ASSERT_TRUE(set_cell_from_text(store.model, &iter, "111:1:62211:151422", 9, "x"));
    EXPECT_EQ(cell_text(store.model, "111:1:62211:151422", 9), "x");
    EXPECT_EQ(cell_text(store.model, "111:1:62211:0", 9), "null");
    const std::pair<const char *, int> children[] = {
        {"111", 2}, {"111:1", 62212}, {"111:1:62211", 151423}, {"111:1:62210", 0}};
    EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, nullptr), 112);
    for (auto [parent, count] : children) {
        g_autoptr(GtkTreePath) path = gtk_tree_path_new_from_string(parent);
        ASSERT_TRUE(gtk_tree_model_get_iter(store.model, &iter, path));
        EXPECT_EQ(gtk_tree_model_iter_n_children(store.model, &iter), count) << parent;
    }
}

// Rows made far behind many existing siblings of an ancestor each walk all
// of them; beyond the bound the set is refused and makes nothing. A list
// store finds positions without walking and keeps the plain bound.
TEST(row_walk_within_bound, rows_far_behind_many_existing_tree_rows_are_refused)
{
    store_holder tree(new_tree_store());
    GtkTreeIter iter;
    ASSERT_TRUE(set_cell_from_text(tree.model, &iter, "20000", 9, "root"));
    EXPECT_FALSE(set_cell_from_text(tree.model, &iter, "20000:60000", 9, "x"));
    EXPECT_FALSE(set_cell_from_text(tree.model, &iter, "30000:50000", 9, "x"));
    EXPECT_EQ(gtk_tree_model_iter_n_children(tree.model, nullptr), 20001);
    EXPECT_EQ(cell_text(tree.model, "20000", 9), "root");
    ASSERT_TRUE(set_cell_from_text(tree.model, &iter, "20000:40000", 9, "x"));
    EXPECT_EQ(cell_text(tree.model, "20000:40000", 9), "x");
    // Found, not made: no walk is charged.
    EXPECT_TRUE(set_cell_from_text(tree.model, &iter, "20000:40000", 9, "y"));

    store_holder list(new_list_store());
    ASSERT_TRUE(set_cell_from_text(list.model, &iter, "200000", 9, "x"));
    EXPECT_TRUE(set_cell_from_text(list.model, &iter, "249999", 9, "x"));
}

}  // namespace
