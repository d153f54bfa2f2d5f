#include "fixed/random.h"

// Never seeded, the C library's rand() goes on as if seeded with 1.
constinit RandState gRand = seededRandState(1);
