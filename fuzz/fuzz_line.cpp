// Line decoding and splitting: any bytes a client may write, read back as
// lines and split into name, action and data.
#include "channel/channel.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *stream = tmpfile();
    fwrite(data, 1, size, stream);
    rewind(stream);
    size_t capacity = 32;
    char *buf = static_cast<char *>(malloc(capacity));
    while (!input_at_eof(stream)) {
        size_t len = read_buf(stream, buf, capacity);
        if (len >= capacity || buf[len] != '\0')
            abort();
        char *copy = strdup(buf);
        split_positions p = split_command(copy);
        int end = static_cast<int>(strlen(buf));
        if (p.name_start > end || p.action_start > end || p.data_start > end ||
            p.name_end > end || p.action_end > end)
            abort();
        is_blank(copy + p.data_start);
        free(copy);
    }
    free(buf);
    forget_input(stream);
    fclose(stream);
    return 0;
}
