// Builds real widgets from a small UI string and runs commands on them as
// the GUI thread would, so tests can read back state no channel shows.
#pragma once

#include "channel/channel.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>

// Standard error of a refusal: the complaint line exactly as given, then
// one indented line that says why. The reasons themselves are checked
// case by case where they are the subject.
inline testing::AssertionResult is_complaint(const std::string &err, const std::string &line)
{
    if (err.compare(0, line.size(), line) != 0)
        return testing::AssertionFailure() << "no complaint line " << line << " in " << err;
    std::string reason = err.substr(line.size());
    bool one_line = reason.size() > 3 && reason.compare(0, 2, "  ") == 0 && reason[2] != ' ' &&
                    reason.find('\n') == reason.size() - 1;
    if (!one_line)
        return testing::AssertionFailure() << "no single reason line after the complaint: " << err;
    return testing::AssertionSuccess();
}

struct ui_fixture {
    GtkBuilder *builder;
    info reader{};

    explicit ui_fixture(const std::string &objects)
    {
        std::string ui = "<interface>" + objects + "</interface>";
        builder = gtk_builder_new_from_string(ui.c_str(), -1);
        reader.out = tmpfile();
        reader.builder = builder;
    }
    ~ui_fixture()
    {
        fclose(reader.out);
        g_object_unref(builder);
    }
    ui_fixture(const ui_fixture &) = delete;
    ui_fixture &operator=(const ui_fixture &) = delete;

    GObject *obj(const char *id) { return gtk_builder_get_object(builder, id); }

    // Splits and dispatches one line as the reader does, then runs it at once.
    void run(const std::string &line)
    {
        command_data *record = command_new(&reader, line.c_str(), strlen(line.c_str()));
        resolve_command(&reader, record);
        run_update(record);
    }

    // Runs a line and tells whether it was refused with the complaint.
    bool refused(const std::string &line)
    {
        testing::internal::CaptureStderr();
        run(line);
        std::string err = testing::internal::GetCapturedStderr();
        return err.find("ignoring ") != std::string::npos;
    }

    // Feedback written so far, then forgotten.
    std::string feedback()
    {
        fflush(reader.out);
        rewind(reader.out);
        std::string text;
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, reader.out)) > 0)
            text.append(chunk, n);
        fclose(reader.out);
        reader.out = tmpfile();
        return text;
    }
};
