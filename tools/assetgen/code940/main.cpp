// gen_code940 RUN_DIR - writes the second processor's program image into the
// run folder.
#include <cstdio>

#include "code940/code940_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: gen_code940 RUN_DIR\n");
        return 1;
    }
    return writeCode940(argv[1]) ? 0 : 1;
}
