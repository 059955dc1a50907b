// Store operations that hide the difference between list and tree stores.
// Callers make sure the model is one of the two; anything else reaching
// here is a broken assumption, not a bad command.
#include "treeview/treeview_internal.h"

bool is_editable_store(GtkTreeModel *model)
{
    return GTK_IS_TREE_STORE(model) || GTK_IS_LIST_STORE(model);
}

void tree_model_insert_before(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent,
                              GtkTreeIter *sibling)
{
    if (GTK_IS_TREE_STORE(model))
        gtk_tree_store_insert_before(GTK_TREE_STORE(model), iter, parent, sibling);
    else if (GTK_IS_LIST_STORE(model))
        gtk_list_store_insert_before(GTK_LIST_STORE(model), iter, sibling);
    else
        ASSUMPTION_ABORT();
}

void tree_model_insert_after(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *parent,
                             GtkTreeIter *sibling)
{
    if (GTK_IS_TREE_STORE(model))
        gtk_tree_store_insert_after(GTK_TREE_STORE(model), iter, parent, sibling);
    else if (GTK_IS_LIST_STORE(model))
        gtk_list_store_insert_after(GTK_LIST_STORE(model), iter, sibling);
    else
        ASSUMPTION_ABORT();
}

void tree_model_move_before(GtkTreeModel *model, GtkTreeIter *iter, GtkTreeIter *position)
{
    if (GTK_IS_TREE_STORE(model))
        gtk_tree_store_move_before(GTK_TREE_STORE(model), iter, position);
    else if (GTK_IS_LIST_STORE(model))
        gtk_list_store_move_before(GTK_LIST_STORE(model), iter, position);
    else
        ASSUMPTION_ABORT();
}

void tree_model_remove(GtkTreeModel *model, GtkTreeIter *iter)
{
    if (GTK_IS_TREE_STORE(model))
        gtk_tree_store_remove(GTK_TREE_STORE(model), iter);
    else if (GTK_IS_LIST_STORE(model))
        gtk_list_store_remove(GTK_LIST_STORE(model), iter);
    else
        ASSUMPTION_ABORT();
}

void tree_model_clear(GtkTreeModel *model)
{
    if (GTK_IS_TREE_STORE(model))
        gtk_tree_store_clear(GTK_TREE_STORE(model));
    else if (GTK_IS_LIST_STORE(model))
        gtk_list_store_clear(GTK_LIST_STORE(model));
    else
        ASSUMPTION_ABORT();
}

void tree_model_set(GtkTreeModel *model, GtkTreeIter *iter, int column, const GValue *value)
{
    // The stores' setters take a non-const value but only copy it.
    auto *v = const_cast<GValue *>(value);
    if (GTK_IS_TREE_STORE(model))
        gtk_tree_store_set_value(GTK_TREE_STORE(model), iter, column, v);
    else if (GTK_IS_LIST_STORE(model))
        gtk_list_store_set_value(GTK_LIST_STORE(model), iter, column, v);
    else
        ASSUMPTION_ABORT();
}
