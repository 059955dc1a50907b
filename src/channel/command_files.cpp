// "load": the reader takes its commands from a file for a while.
#include "channel/channel.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr int max_loading_files = 255;
const char *loading_files[max_loading_files + 1];  // slots 1 to 255
int loading_count = 0;

// A command-file record lives until every command read through it has run.
void release_file_reader(command_data *record)
{
    free(record->info);
}

}  // namespace

bool remember_loading_file(const char *name)
{
    if (name == nullptr) {
        if (loading_count == 0)
            ASSUMPTION_ABORT();
        loading_files[loading_count--] = nullptr;
        return false;
    }
    for (int i = 1; i <= loading_count; ++i)
        if (streq(loading_files[i], name))
            return false;
    if (loading_count == max_loading_files)
        return false;
    loading_files[++loading_count] = name;
    return true;
}

update_fn load_command_file(info *reader, const char *name, const char **reason)
{
    auto *file_reader = static_cast<info *>(malloc(sizeof(info)));
    if (file_reader == nullptr)
        OOM_ABORT();
    *file_reader = *reader;
    // Opening a FIFO waits for its writer, who may wait for the answers to
    // the lines before the load: those run first, and what they took leaves
    // the input.
    settle_input(reader->in);
    hand_over(nullptr);
    file_reader->in = fopen(name, "r");
    update_fn fn = update_ignore;
    if (file_reader->in == nullptr) {
        // Interned, so that the record need not own it: there are no more
        // such texts than the system has error messages.
        g_autofree char *text =
            g_strdup_printf("cannot open the command file: %s", g_strerror(errno));
        *reason = g_intern_string(text);
    } else {
        setvbuf(file_reader->in, nullptr, _IONBF, 0);
        digest_cmd(file_reader);
        forget_input(file_reader->in);
        fclose(file_reader->in);
        file_reader->in = nullptr;
        fn = update_nothing;
    }
    remember_loading_file(nullptr);
    // Queued behind the file's commands, so it runs after all of them.
    auto *release = static_cast<command_data *>(calloc(1, sizeof(command_data)));
    if (release == nullptr)
        OOM_ABORT();
    release->fn = release_file_reader;
    release->info = file_reader;
    hand_over(release);
    return fn;
}
