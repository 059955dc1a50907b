// Reading back a drawing area's list of operations in a form tests compare.
#pragma once

#include "drawing/draw_op.h"
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <string_view>

// Numbers printed short, with rounding noise near zero dropped.
inline std::string number_text(double v)
{
    char text[32];
    snprintf(text, sizeof text, "%.6g", std::fabs(v) < 1e-12 ? 0.0 : v);
    return text;
}

template <typename... D>
std::string numbers_text(D... v)
{
    std::string text;
    ((text += (text.empty() ? "" : " ") + number_text(v)), ...);
    return text;
}

// The argument record of an operation as text: numbers, then quoted texts.
// The record's layout follows from the keyword of the row that read it.
inline std::string args_text(draw_op_kind kind, const void *args)
{
    if (args == nullptr)
        return "-";
    std::string_view action = draw_commands[kind].action;
    auto is_one_of = [&](std::initializer_list<std::string_view> actions) {
        return std::find(actions.begin(), actions.end(), action) != actions.end();
    };
    if (is_one_of({"line_to", "move_to", "rel_line_to", "rel_move_to"})) {
        auto *a = static_cast<const point_args *>(args);
        return numbers_text(a->x, a->y);
    }
    if (is_one_of({"arc", "arc_negative"})) {
        auto *a = static_cast<const arc_args *>(args);
        return numbers_text(a->x, a->y, a->radius, a->angle1, a->angle2);
    }
    if (is_one_of({"curve_to", "rel_curve_to"})) {
        auto *a = static_cast<const curve_args *>(args);
        return numbers_text(a->x1, a->y1, a->x2, a->y2, a->x3, a->y3);
    }
    if (action == "rectangle") {
        auto *a = static_cast<const rectangle_args *>(args);
        return numbers_text(a->x, a->y, a->width, a->height);
    }
    if (action == "show_text")
        return "'" + std::string(static_cast<const char *>(args)) + "'";
    if (action == "rel_move_for") {
        auto *a = static_cast<const move_for_args *>(args);
        return std::to_string(a->anchor) + " '" + a->text + "'";
    }
    if (action == "set_dash") {
        auto *a = static_cast<const dash_args *>(args);
        std::string text = std::to_string(a->count) + ":";
        for (int i = 0; i < a->count; i++)
            text += " " + number_text(a->dashes[i]);
        return text;
    }
    if (action == "set_font_face") {
        auto *a = static_cast<const font_face_args *>(args);
        return std::to_string(a->slant) + " " + std::to_string(a->weight) + " '" + a->family + "'";
    }
    if (action == "set_font_size")
        return number_text(static_cast<const size_args *>(args)->size);
    if (action == "set_line_width")
        return number_text(static_cast<const width_args *>(args)->width);
    if (action == "set_line_cap")
        return std::to_string(static_cast<const line_cap_args *>(args)->cap);
    if (action == "set_line_join")
        return std::to_string(static_cast<const line_join_args *>(args)->join);
    if (action == "set_source_rgba") {
        auto *c = static_cast<const GdkRGBA *>(args);
        return numbers_text(c->red, c->green, c->blue, c->alpha);
    }
    if (is_one_of({"transform", "translate", "scale", "rotate"})) {
        auto *m = static_cast<const cairo_matrix_t *>(args);
        return numbers_text(m->xx, m->yx, m->xy, m->yy, m->x0, m->y0);
    }
    return "?";
}
