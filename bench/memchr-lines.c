/* ed-memchr FILE: counts the lines of FILE with memchr over 1 MiB reads, the floor of any
   line-oriented loader measured as a whole process (ed-bench's Cold benchmarks). */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static char block[1 << 20];

int main(int argc, char** argv) {
    int fd = argc == 2 ? open(argv[1], O_RDONLY) : -1;
    if (fd < 0) return 1;
    size_t lines = 0, carried = 0;
    ssize_t n;
    while ((n = read(fd, block + carried, sizeof block - carried)) > 0) {
        const char* p = block;
        const char* end = p + carried + n;
        const char* feed;
        while ((feed = memchr(p, '\n', (size_t)(end - p)))) {
            p = feed + 1;
            ++lines;
        }
        carried = (size_t)(end - p);
        memmove(block, p, carried);
    }
    printf("%zu\n", lines);
    return 0;
}
