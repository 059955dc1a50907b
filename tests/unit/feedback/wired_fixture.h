// Real widgets from a UI string, wired and styled as at start-up, with the
// feedback of their signals collected from one stream.
#pragma once

#include "../ui_fixture.h"
#include "startup/startup.h"

#include <vector>

struct wired_ui : ui_fixture {
    FILE *wired_out = tmpfile();
    long read_pos = 0;

    explicit wired_ui(const std::string &objects) : ui_fixture(objects)
    {
        prepare_widgets(builder, "inline.ui", wired_out);
        // The wiring's records live as long as the process, as in the
        // program, so their objects do too.
        kept().push_back(g_object_ref(builder));
        kept_streams().push_back(wired_out);
    }

    // Lines the wired callbacks wrote since the last call.
    std::string signal_feedback()
    {
        fflush(wired_out);
        fseek(wired_out, read_pos, SEEK_SET);
        std::string text;
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, wired_out)) > 0)
            text.append(chunk, n);
        read_pos = ftell(wired_out);
        return text;
    }

    static std::vector<GtkBuilder *> &kept()
    {
        static std::vector<GtkBuilder *> builders;
        return builders;
    }
    static std::vector<FILE *> &kept_streams()
    {
        static std::vector<FILE *> streams;
        return streams;
    }
};
