// Every test, and every program a test starts, runs headless and silent on
// SDL's dummy drivers unless it chooses others: ctest passes the tests one
// variable of their ENVIRONMENT property only, and a machine without a sound
// card (a fresh CI machine) has no other driver that opens.
#include <cstdlib>

static const bool kHeadless =
    setenv("SDL_VIDEODRIVER", "dummy", 0) == 0 && setenv("SDL_AUDIODRIVER", "dummy", 0) == 0;
