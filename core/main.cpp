#include "core/demo.h"

int main() {
    return demoMain();
}
