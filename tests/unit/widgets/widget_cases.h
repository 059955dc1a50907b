// One command on a fresh widget "w": whether it was taken or refused, the
// exact standard error it produced, and the widget's state read back.
#pragma once

#include "ui_fixture.h"

#include <functional>
#include <string>
#include <vector>

struct widget_case {
    const char *what;
    std::vector<std::string> before;  // commands for "w" that set the scene
    std::string command;              // the case itself, sent to "w"
    bool accepted;
    std::string state;                // what the reader sees afterwards
};

inline std::ostream &operator<<(std::ostream &os, const widget_case &c)
{
    return os << c.what << " [w:" << c.command << "]";
}

// Standard error of one line: empty when taken, the complaint and its
// reason when refused.
inline std::string stderr_of(ui_fixture &ui, const std::string &line)
{
    testing::internal::CaptureStderr();
    ui.run(line);
    return testing::internal::GetCapturedStderr();
}

inline std::string complaint(GObject *obj, const std::string &line)
{
    return std::string("ignoring ") + G_OBJECT_TYPE_NAME(obj) + " command \"" + line + "\"\n";
}

// Toplevel windows outlive the builder unless destroyed.
inline void destroy_windows(ui_fixture &ui)
{
    GSList *objects = gtk_builder_get_objects(ui.builder);
    for (GSList *o = objects; o != nullptr; o = o->next)
        if (GTK_IS_WINDOW(o->data))
            gtk_widget_destroy(GTK_WIDGET(o->data));
    g_slist_free(objects);
}

using state_reader = std::function<std::string(ui_fixture &)>;

// Builds the UI, sets the scene, runs the case and checks all three.
inline void check_case(const std::string &ui_text, const widget_case &c, const state_reader &read)
{
    ui_fixture ui(ui_text);
    for (const std::string &line : c.before)
        ASSERT_EQ(stderr_of(ui, "w:" + line), "") << line;
    std::string line = "w:" + c.command;
    std::string err = stderr_of(ui, line);
    if (c.accepted)
        EXPECT_EQ(err, "");
    else
        EXPECT_TRUE(is_complaint(err, complaint(ui.obj("w"), line)));
    EXPECT_EQ(read(ui), c.state);
    destroy_windows(ui);
}

inline std::string null_text(const char *text) { return text == nullptr ? "(null)" : text; }

inline std::string number_text(double value)
{
    char text[64];
    snprintf(text, sizeof text, "%g", value);
    return text;
}
