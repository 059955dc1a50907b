// "load": the reader takes its commands from a file for a while.
#include "channel/channel.h"

#include <cstdlib>

namespace {

constexpr int max_loading_files = 255;
const char *loading_files[max_loading_files + 1];  // slots 1 to 255
int loading_count = 0;

// A command-file record lives until the load command's own record has run,
// which is after every command read through it.
void release_file_reader(gpointer data)
{
    free(data);
}

}  // namespace

bool remember_loading_file(const char *name)
{
    if (name == nullptr) {
        if (loading_count == 0)
            assumption_abort("remember_loading_file", __FILE_NAME__, __LINE__);
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

update_fn load_command_file(info *reader, const char *name)
{
    auto *file_reader = static_cast<info *>(malloc(sizeof(info)));
    if (file_reader == nullptr)
        oom_abort("load_command_file", __FILE_NAME__, __LINE__);
    *file_reader = *reader;
    file_reader->in = fopen(name, "r");
    update_fn fn = update_ignore;
    if (file_reader->in != nullptr) {
        setvbuf(file_reader->in, nullptr, _IONBF, 0);
        digest_cmd(file_reader);
        forget_input(file_reader->in);
        fclose(file_reader->in);
        file_reader->in = nullptr;
        fn = update_nothing;
    }
    remember_loading_file(nullptr);
    // Freed from the GUI thread after every command of the file has run:
    // those commands were queued earlier and run first.
    gdk_threads_add_timeout_full(G_PRIORITY_DEFAULT, 0, [](gpointer) -> gboolean { return FALSE; },
                                 file_reader, release_file_reader);
    return fn;
}
