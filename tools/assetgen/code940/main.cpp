// gen_code940 RUN_DIR RAW_IMAGE - writes the second processor's program image
// into the run folder, from the flat binary that its ARM build linked
// (arm/, built with the arm-none-eabi toolchain).
#include <cstdio>

#include "code940/code940_writer.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        printf("usage: gen_code940 RUN_DIR RAW_IMAGE\n");
        return 1;
    }
    return writeCode940(argv[1], argv[2]) ? 0 : 1;
}
