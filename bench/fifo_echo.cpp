// The channel's own limit for the round trip case: a second process that
// echoes every line of one FIFO into another, as soon as it arrives.
#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: fifo_echo in-fifo out-fifo\n");
        return 2;
    }
    FILE *in = fopen(argv[1], "r");
    FILE *out = in ? fopen(argv[2], "w") : nullptr;
    if (in == nullptr || out == nullptr) {
        perror("fifo_echo");
        return 1;
    }
    char line[4096];
    while (fgets(line, sizeof line, in) != nullptr) {
        fputs(line, out);
        fflush(out);
    }
    return 0;
}
