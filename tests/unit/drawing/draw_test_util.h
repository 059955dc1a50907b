// Reading back a drawing area's list of operations in a form tests compare.
#pragma once

#include "drawing/draw_op.h"
#include <cmath>
#include <string>

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
inline std::string args_text(draw_op_kind kind, const void *args)
{
    if (args == nullptr)
        return "-";
    switch (kind) {
    case LINE_TO: case MOVE_TO: case REL_LINE_TO: case REL_MOVE_TO: {
        auto *a = static_cast<const point_args *>(args);
        return numbers_text(a->x, a->y);
    }
    case ARC: case ARC_NEGATIVE: {
        auto *a = static_cast<const arc_args *>(args);
        return numbers_text(a->x, a->y, a->radius, a->angle1, a->angle2);
    }
    case CURVE_TO: case REL_CURVE_TO: {
        auto *a = static_cast<const curve_args *>(args);
        return numbers_text(a->x1, a->y1, a->x2, a->y2, a->x3, a->y3);
    }
    case RECTANGLE: {
        auto *a = static_cast<const rectangle_args *>(args);
        return numbers_text(a->x, a->y, a->width, a->height);
    }
    case SHOW_TEXT: return "'" + std::string(static_cast<const char *>(args)) + "'";
    case REL_MOVE_FOR: {
        auto *a = static_cast<const move_for_args *>(args);
        return std::to_string(a->anchor) + " '" + a->text + "'";
    }
    case SET_DASH: {
        auto *a = static_cast<const dash_args *>(args);
        std::string text = std::to_string(a->count) + ":";
        for (int i = 0; i < a->count; i++)
            text += " " + number_text(a->dashes[i]);
        return text;
    }
    case SET_FONT_FACE: {
        auto *a = static_cast<const font_face_args *>(args);
        return std::to_string(a->slant) + " " + std::to_string(a->weight) + " '" + a->family + "'";
    }
    case SET_FONT_SIZE: return number_text(static_cast<const size_args *>(args)->size);
    case SET_LINE_WIDTH: return number_text(static_cast<const width_args *>(args)->width);
    case SET_LINE_CAP: return std::to_string(static_cast<const line_cap_args *>(args)->cap);
    case SET_LINE_JOIN: return std::to_string(static_cast<const line_join_args *>(args)->join);
    case SET_SOURCE_RGBA: {
        auto *c = static_cast<const GdkRGBA *>(args);
        return numbers_text(c->red, c->green, c->blue, c->alpha);
    }
    case TRANSFORM: {
        auto *m = static_cast<const cairo_matrix_t *>(args);
        return numbers_text(m->xx, m->yx, m->xy, m->yy, m->x0, m->y0);
    }
    default: return "?";
    }
}
