// Which model column a cell renderer shows is not exposed by the toolkit,
// so it is read from the UI description and kept on the renderer; the edit
// callbacks store what the user typed or clicked there.
#include "treeview/treeview_internal.h"
#include "treeview/treeview.h"
#include "feedback/feedback.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <libxml/parser.h>
#include <libxml/xpath.h>

namespace {

// Owners for what libxml2 allocates, which GLib's automatic cleanup does
// not cover.
struct xml_text_free {
    void operator()(xmlChar *text) const { xmlFree(text); }
};
struct xpath_context_free {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct xpath_object_free {
    void operator()(xmlXPathObjectPtr result) const { xmlXPathFreeObject(result); }
};
using xml_text_ptr = std::unique_ptr<xmlChar, xml_text_free>;
using xpath_context_ptr = std::unique_ptr<xmlXPathContext, xpath_context_free>;
using xpath_object_ptr = std::unique_ptr<xmlXPathObject, xpath_object_free>;

const char *as_text(const xml_text_ptr &text)
{
    return reinterpret_cast<const char *>(text.get());
}

xml_text_ptr attribute_of(xmlNodePtr node, const char *name)
{
    return xml_text_ptr(xmlGetProp(node, reinterpret_cast<const xmlChar *>(name)));
}

// The UI description, parsed once per builder and file name and answering
// every renderer lookup made while wiring. Its view columns are indexed by
// id so that each lookup starts at its column instead of searching the whole
// file, which made start-up grow with the square of the number of columns.
struct ui_document {
    std::string file_name;
    xmlDocPtr doc;
    std::unordered_map<std::string, xmlNodePtr> columns;
};

bool has_attribute(xmlNodePtr node, const char *name, const char *value)
{
    xml_text_ptr text = attribute_of(node, name);
    return text && strcmp(as_text(text), value) == 0;
}

// The first column of each id in document order, as "//" finds it.
void index_columns(xmlNodePtr node, ui_document *ui)
{
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (xmlStrEqual(node->name, reinterpret_cast<const xmlChar *>("object")) &&
            node->ns == nullptr && has_attribute(node, "class", "GtkTreeViewColumn")) {
            xml_text_ptr id = attribute_of(node, "id");
            if (id)
                ui->columns.emplace(as_text(id), node);
        }
        index_columns(node->children, ui);
    }
}

void free_ui_document(gpointer data)
{
    auto *ui = static_cast<ui_document *>(data);
    if (ui->doc != nullptr)
        xmlFreeDoc(ui->doc);
    delete ui;
}

ui_document *attach_ui_document(GtkBuilder *builder, const char *file_name, xmlDocPtr doc)
{
    auto *ui = new ui_document{file_name, doc, {}};
    if (ui->doc != nullptr)
        index_columns(xmlDocGetRootElement(ui->doc), ui);
    g_object_set_data_full(G_OBJECT(builder), "ui_document", ui, free_ui_document);
    return ui;
}

ui_document *parsed_ui(GtkBuilder *builder, const char *file_name)
{
    auto *ui = static_cast<ui_document *>(g_object_get_data(G_OBJECT(builder), "ui_document"));
    if (ui != nullptr && ui->file_name == file_name)
        return ui;
    return attach_ui_document(builder, file_name,
                              xmlReadFile(file_name, nullptr, XML_PARSE_NONET));
}

// The view column of that id in the UI description, or null.
xmlNodePtr column_element(const ui_document *ui, const char *column_id)
{
    auto it = ui->columns.find(column_id);
    return it == ui->columns.end() ? nullptr : it->second;
}

// Relative to the column's element.
std::string renderer_expression(int position, const char *last_step)
{
    return "child[" + std::to_string(position) +
           "]/object[@class=\"GtkCellRendererText\" or @class=\"GtkCellRendererToggle\"]/" +
           last_step;
}

// The model column recorded on the renderer, or -1 when it names no column
// of the model.
int renderer_column(GtkCellRenderer *renderer, GtkTreeModel *model)
{
    int column = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(renderer), "col_number"));
    return column < gtk_tree_model_get_n_columns(model) ? column : -1;
}

// The row of an edit, when the edit can be stored: only a list or tree
// store can be changed, and the edit of any other model is dropped.
bool edited_row(GtkCellRenderer *renderer, const char *path_text, GtkTreeModel *model,
                int *column, GtkTreeIter *iter)
{
    if (model == nullptr || !is_editable_store(model))
        return false;
    *column = renderer_column(renderer, model);
    return *column >= 0 && gtk_tree_model_get_iter_from_string(model, iter, path_text);
}

bool cell_is_true(GtkTreeModel *model, GtkTreeIter *iter, int column)
{
    g_auto(GValue) cell = G_VALUE_INIT;
    g_auto(GValue) truth = G_VALUE_INIT;
    gtk_tree_model_get_value(model, iter, column, &cell);
    g_value_init(&truth, G_TYPE_BOOLEAN);
    return g_value_transform(&cell, &truth) && g_value_get_boolean(&truth);
}

// The first node that the expression selects from the column's element, as text.
xml_text_ptr xpath_lookup(const ui_document *ui, xmlNodePtr element, const std::string &expression)
{
    xpath_context_ptr context(xmlXPathNewContext(ui->doc));
    if (!context)
        return nullptr;
    context->node = element;
    xpath_object_ptr result(xmlXPathEvalExpression(
        reinterpret_cast<const xmlChar *>(expression.c_str()), context.get()));
    if (!result || result->nodesetval == nullptr || result->nodesetval->nodeNr == 0)
        return nullptr;
    return xml_text_ptr(xmlNodeGetContent(result->nodesetval->nodeTab[0]));
}

}  // namespace

void keep_ui_document(GtkBuilder *builder, const char *ui_name, xmlDocPtr doc)
{
    attach_ui_document(builder, ui_name, doc);
}

GtkCellRenderer *tree_view_column_get_renderer_column(GtkBuilder *builder, const char *ui_name,
                                                      GtkTreeViewColumn *column, int position)
{
    const char *column_id = widget_name(G_OBJECT(column));
    // A double quote would end the id's string in the expression and let
    // the rest of the id rewrite the query; such an id matches no column.
    if (column_id == nullptr || ui_name == nullptr || strchr(column_id, '"') != nullptr)
        return nullptr;
    ui_document *ui = parsed_ui(builder, ui_name);
    xmlNodePtr element = column_element(ui, column_id);
    if (element == nullptr)
        return nullptr;
    xml_text_ptr id = xpath_lookup(ui, element, renderer_expression(position, "@id"));
    xml_text_ptr bound = xpath_lookup(
        ui, element,
        renderer_expression(position,
                            "../attributes/attribute[@name=\"text\" or @name=\"active\"]/text()"));
    if (!id || !bound)
        return nullptr;
    GObject *renderer = gtk_builder_get_object(builder, as_text(id));
    if (!GTK_IS_CELL_RENDERER(renderer))
        return nullptr;
    long model_column = strtol(as_text(bound), nullptr, 10);
    if (model_column < 0 || model_column > G_MAXINT)
        model_column = -1;
    g_object_set_data(renderer, "col_number", GINT_TO_POINTER(model_column));
    return GTK_CELL_RENDERER(renderer);
}

cell_link *cell_link_new(FILE *out, GObject *view, GtkTreeModel *model)
{
    return lasting_record(cell_link{.out = out, .view = view, .model = model});
}

void cell_edited(GtkCellRendererText *renderer, gchar *path_text, gchar *text, cell_link *cells)
{
    int column;
    GtkTreeIter iter;
    if (!edited_row(GTK_CELL_RENDERER(renderer), path_text, cells->model, &column, &iter))
        return;
    // Typed text is read in the user's own numeric locale; a text that does
    // not fit leaves the cell as it was, and the line below shows that.
    set_cell_from_text(cells->model, &iter, path_text, column, text);
    send_tree_cell(vsend_feedback, path_text, &iter, column, *cells);
}

void cell_toggled(GtkCellRendererToggle *renderer, gchar *path_text, cell_link *cells)
{
    int column;
    GtkTreeIter iter;
    if (!edited_row(GTK_CELL_RENDERER(renderer), path_text, cells->model, &column, &iter))
        return;
    GtkTreeModel *model = cells->model;
    set_cell_from_text(model, &iter, path_text, column,
                       cell_is_true(model, &iter, column) ? "0" : "1");
}

namespace {

// Cell edits are not recorded, so "block" on the column leaves them alone.
void wire_renderer(GtkCellRenderer *renderer, GtkWidget *view, GtkTreeModel *model, FILE *out)
{
    gboolean enabled = FALSE;
    if (GTK_IS_CELL_RENDERER_TEXT(renderer)) {
        g_object_get(renderer, "editable", &enabled, nullptr);
        if (enabled)
            g_signal_connect(renderer, "edited", G_CALLBACK(cell_edited),
                             cell_link_new(out, G_OBJECT(view), model));
    } else if (GTK_IS_CELL_RENDERER_TOGGLE(renderer)) {
        g_object_get(renderer, "activatable", &enabled, nullptr);
        if (enabled)
            g_signal_connect(renderer, "toggled", G_CALLBACK(cell_toggled),
                             cell_link_new(out, nullptr, model));
    }
}

}  // namespace

void wire_tree_view_column(GObject *obj, info *wiring)
{
    GtkTreeViewColumn *column = GTK_TREE_VIEW_COLUMN(obj);
    g_autoptr(GList) cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
    int n = static_cast<int>(g_list_length(cells));
    GtkWidget *view = gtk_tree_view_column_get_tree_view(column);
    GtkTreeModel *model = view ? gtk_tree_view_get_model(GTK_TREE_VIEW(view)) : nullptr;
    connect_tagged(column, "clicked", G_CALLBACK(send_tag_only), "clicked", wiring->out);
    for (int i = 1; i <= n; ++i) {
        GtkCellRenderer *renderer =
            tree_view_column_get_renderer_column(wiring->builder, wiring->txt, column, i);
        if (renderer != nullptr)
            wire_renderer(renderer, view, model, wiring->out);
    }
}
