/* A C program built with `pkg-config --cflags --libs edloader`. */
#include <edloader/edloader.h>
#include <stdio.h>

int main(int argc, char** argv) {
    edl_structure* s = NULL;
    char message[512];
    if (argc != 2) return 2;
    if (edl_load(argv[1], &s, message, sizeof message) != EDL_OK) {
        fprintf(stderr, "%s\n", message);
        return 1;
    }
    printf("instances %zu\nroot %s\n", edl_instance_count(s), edl_component_name(edl_root(s)));
    edl_free(s);
    return 0;
}
