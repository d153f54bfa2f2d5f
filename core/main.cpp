#include "core/demo.h"

int main() {
    if (!demoFilesAreHere("demo", DEMO_RUN_DIR)) return 1;
    return demoMain();
}
