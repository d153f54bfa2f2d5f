// gen_font RUNDIR - writes RUNDIR/data/font.png.
#include <cstdio>

#include "font/font_sheet.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: gen_font RUNDIR\n");
        return 1;
    }
    return writePng(outputPath(argv[1], "data/font.png"), drawFontSheet()) ? 0 : 1;
}
