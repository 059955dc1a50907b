// A drawing area's list of draw operations: placing, replacing and removing
// operations by id, and asking for a repaint once queued commands have run.
#include "drawing/draw_op.h"
#include <cstdlib>
#include <new>

namespace {

// Kept beside the list so that appending costs the same however long it is;
// freed with the widget, which leaves nobody to replay the list.
struct draw_list {
    draw_op *head;
    draw_op *tail;
};

void free_draw_list(gpointer data)
{
    auto *list = static_cast<draw_list *>(data);
    for (draw_op *op = list->head, *next; op != nullptr; op = next) {
        next = op->next;
        free_draw_op(op);
    }
    free(list);
}

draw_list *list_of(GtkWidget *widget)
{
    auto *list = static_cast<draw_list *>(g_object_get_data(G_OBJECT(widget), "draw_list"));
    if (list != nullptr)
        return list;
    list = static_cast<draw_list *>(calloc(1, sizeof(draw_list)));
    if (list == nullptr)
        OOM_ABORT();
    g_object_set_data_full(G_OBJECT(widget), "draw_list", list, free_draw_list);
    return list;
}

// The first operation is also published under "draw_ops", where replay reads it.
void set_head(GtkWidget *widget, draw_list *list, draw_op *head)
{
    list->head = head;
    g_object_set_data(G_OBJECT(widget), "draw_ops", head);
}

void append(GtkWidget *widget, draw_list *list, draw_op *op)
{
    if (list->head == nullptr)
        set_head(widget, list, op);
    else
        list->tail->next = op;
    list->tail = op;
}

// The first operation with this id, and the one in front of it (null at the head).
draw_op *find(draw_list *list, uint64_t id, draw_op **prev)
{
    *prev = nullptr;
    for (draw_op *op = list->head; op != nullptr; *prev = op, op = op->next)
        if (op->id == id)
            return op;
    return nullptr;
}

void insert_before(GtkWidget *widget, draw_list *list, draw_op *op)
{
    draw_op *prev;
    draw_op *found = find(list, op->before_id, &prev);
    if (found == nullptr) {
        append(widget, list, op);
        return;
    }
    op->next = found;
    if (prev == nullptr)
        set_head(widget, list, op);
    else
        prev->next = op;
}

void replace(GtkWidget *widget, draw_list *list, draw_op *op)
{
    draw_op *prev;
    draw_op *found = find(list, op->id, &prev);
    if (found == nullptr) {
        append(widget, list, op);
        return;
    }
    op->next = found->next;
    if (prev == nullptr)
        set_head(widget, list, op);
    else
        prev->next = op;
    if (list->tail == found)
        list->tail = op;
    free_draw_op(found);
}

// Operations are carved from large blocks and recycled through a free list:
// a malloc of its own per operation would add its header and alignment to
// each of the millions an animation may hold. Sanitizer builds allocate
// each one alone, so that a stale pointer into the list is still caught.
#if defined(__SANITIZE_ADDRESS__)
draw_op *take_draw_op()
{
    auto *op = static_cast<draw_op *>(calloc(1, sizeof(draw_op)));
    if (op == nullptr)
        OOM_ABORT();
    return op;
}

void give_back_draw_op(draw_op *op)
{
    free(op);
}
#else
constexpr size_t ops_per_block = 4096;
draw_op *spare_ops = nullptr;   // linked through next; GUI thread only
draw_op *fresh_ops = nullptr;   // the rest of the newest block
size_t fresh_left = 0;

draw_op *take_draw_op()
{
    draw_op *op = spare_ops;
    if (op != nullptr) {
        spare_ops = op->next;
    } else {
        if (fresh_left == 0) {
            fresh_ops = static_cast<draw_op *>(malloc(ops_per_block * sizeof(draw_op)));
            if (fresh_ops == nullptr)
                OOM_ABORT();
            fresh_left = ops_per_block;
        }
        op = fresh_ops++;
        --fresh_left;
    }
    return new (op) draw_op{};
}

void give_back_draw_op(draw_op *op)
{
    op->next = spare_ops;
    spare_ops = op;
}
#endif

} // namespace

void free_draw_op(draw_op *op)
{
    if (op->args != op->room)
        free(op->args);
    give_back_draw_op(op);
}

draw_op *first_draw_op(GtkWidget *widget)
{
    return static_cast<draw_op *>(g_object_get_data(G_OBJECT(widget), "draw_ops"));
}

int ins_draw_op(GtkWidget *widget, const char *action, const char *data)
{
    draw_op *op = take_draw_op();
    op->args = op->room;
    int result = set_draw_op(op, action, data);
    if (result == 0) {
        free_draw_op(op);
        return 0;
    }
    draw_list *list = list_of(widget);
    switch (op->policy) {
    case APPEND: append(widget, list, op); break;
    case BEFORE: insert_before(widget, list, op); break;
    case REPLACE: replace(widget, list, op); break;
    default: ASSUMPTION_ABORT();
    }
    return result;
}

int remove_draw_ops(GtkWidget *widget, const char *data)
{
    unsigned long long id;
    if (!scan_exact(data, "%llu %c", &id))
        return 0;
    draw_list *list = list_of(widget);
    draw_op *kept_last = nullptr;
    for (draw_op *op = list->head, *next; op != nullptr; op = next) {
        next = op->next;
        if (op->id != id) {
            kept_last = op;
            continue;
        }
        if (kept_last == nullptr)
            set_head(widget, list, next);
        else
            kept_last->next = next;
        free_draw_op(op);
    }
    list->tail = kept_last;
    return 2;
}

gboolean redraw_drawing_area(gpointer widget)
{
    auto *w = static_cast<GtkWidget *>(widget);
    gtk_widget_queue_draw_area(w, 0, 0, gtk_widget_get_allocated_width(w),
                               gtk_widget_get_allocated_height(w));
    return FALSE;
}

void update_drawing_area(command_data *cmd)
{
    static constexpr row_usage remove_action[] = {{.action = "remove", .form = "ID"}};
    note_tried(remove_action);
    auto *widget = GTK_WIDGET(cmd->obj);
    int result = streq(cmd->action, "remove") ? remove_draw_ops(widget, cmd->data)
                                              : ins_draw_op(widget, cmd->action, cmd->data);
    switch (result) {
    case 0: update_widget(cmd); break;
    case 1: break;
    // The idle holds a reference so that a widget gone meanwhile is never touched.
    case 2:
        gdk_threads_add_idle_full(G_PRIORITY_LOW, redraw_drawing_area, g_object_ref(widget),
                                  g_object_unref);
        break;
    default: ASSUMPTION_ABORT();
    }
}
