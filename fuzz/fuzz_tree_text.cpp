// Tree path and cell text conversion: a path, a column and a text set into
// a list store and a tree store with a column of every supported type.
#include "treeview/treeview_internal.h"

#include <cstdint>
#include <string>

namespace {

GtkTreeModel *make_store(bool tree)
{
    GType types[] = {G_TYPE_STRING, G_TYPE_INT, G_TYPE_UINT, G_TYPE_LONG, G_TYPE_ULONG,
                     G_TYPE_INT64, G_TYPE_UINT64, G_TYPE_DOUBLE, G_TYPE_FLOAT, G_TYPE_BOOLEAN,
                     G_TYPE_CHAR, G_TYPE_UCHAR, GDK_TYPE_PIXBUF};
    int n = G_N_ELEMENTS(types);
    return tree ? GTK_TREE_MODEL(gtk_tree_store_newv(n, types))
                : GTK_TREE_MODEL(gtk_list_store_newv(n, types));
}

}  // namespace

// Input: a path, a line feed, one byte choosing the column, then the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static GtkTreeModel *stores[] = {make_store(false), make_store(true)};
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t cut = input.find('\n');
    if (cut == std::string::npos || cut + 1 >= input.size())
        return 0;
    std::string path = input.substr(0, cut).c_str();
    int column = static_cast<unsigned char>(input[cut + 1]) % gtk_tree_model_get_n_columns(stores[0]);
    std::string text = input.substr(cut + 2).c_str();
    bool syntax = is_path_string(path.c_str());
    g_autoptr(GtkTreePath) parsed = path_from_text(path.c_str());
    if (parsed && !syntax)
        abort();
    for (GtkTreeModel *model : stores) {
        GtkTreeIter iter;
        set_cell_from_text(model, &iter, path.c_str(), column, text.c_str());
        tree_model_clear(model);
    }
    return 0;
}
