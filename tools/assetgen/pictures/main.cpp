// gen_pictures RUNDIR - writes every picture of the scenes into RUNDIR/data/.
#include <cstdio>

#include "pictures/pictures.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: gen_pictures RUNDIR\n");
        return 1;
    }
    return writePictures(argv[1]) ? 0 : 1;
}
