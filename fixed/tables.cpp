#include "fixed/tables.h"

#include <cmath>

int32_t SineTable[65536];
int32_t CosineTable[65536];

void buildSineTable(void (*progress)()) {
    // The angle accumulates from -pi in double precision rather than being
    // recomputed from i: sin(x - pi) = -sin(x) gives the negated table, and the
    // low bits of every entry come from this exact sequence of additions.
    double x = -3.141592653589;
    const double step = 2 * 3.141592653589 / 65536;
    for (int i = 0; i < 65536; ++i) {
        SineTable[i] = static_cast<int32_t>(sin(x) * 65536.0);
        x += step;
        if ((i & 0xFFF) == 0 && progress != nullptr) progress();
    }
}

void buildCosineTable() {
    for (int i = 0; i < 65536; ++i) CosineTable[i] = SineTable[(i + 16384) & 0xFFFF];
}
