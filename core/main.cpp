#include <cstdint>

#include "core/demo.h"

int main(int argc, char** argv) {
    uint32_t atMs = 0;
    const int status = demoCommandLine(argc, argv, &atMs);
    if (status >= 0) return status;
    if (!demoFilesAreHere("demo", DEMO_RUN_DIR)) return 1;
    return demoMain(atMs);
}
