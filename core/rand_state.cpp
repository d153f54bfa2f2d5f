#include "core/rand_state.h"

#include <cstdlib>
#include <cstring>

namespace {

// The runtime keeps its state in int32_t words: word 0 holds the generator
// type and the rear index (5 * rear + type), words 1.. the table, whose length
// the type gives (type 0, a plain congruential generator, keeps its one value
// in word 1). setstate() writes the rear index of the state it leaves
// into that state's word 0 and reads it back from the one it enters, so a
// state is complete in its buffer only while it is not the current one, or
// right after a setstate() onto itself.
constexpr int kTypes = 5;
constexpr int kTableWords[kTypes] = {1, 7, 15, 31, 63};

alignas(int32_t) char gOwnState[kRandStateBytes];
// A state to stand on while ours is rewritten: type 1, rear 0; its numbers are
// never drawn.
alignas(int32_t) char gStandIn[32];
bool gAdopted = false;

int32_t headerOf(const char* state) {
    int32_t word;
    memcpy(&word, state, sizeof word);
    return word;
}

size_t stateBytes(const char* state) {
    return (kTableWords[headerOf(state) % kTypes] + 1) * sizeof(int32_t);
}

// Steps onto the stand-in, which stores the runtime's rear index in its own
// buffer, copies that buffer (header and table) into ours, then steps onto ours.
void adopt() {
    const int32_t standInHeader = 1;
    memset(gStandIn, 0, sizeof gStandIn);
    memcpy(gStandIn, &standInHeader, sizeof standInHeader);
    const char* runtime = setstate(gStandIn);
    memcpy(gOwnState, runtime, stateBytes(runtime));
    setstate(gOwnState);
    gAdopted = true;
}

}  // namespace

void randStateSave(uint8_t* out) {
    if (!gAdopted) adopt();
    setstate(gOwnState);  // brings the rear index into word 0
    memcpy(out, gOwnState, kRandStateBytes);
}

void randStateRestore(const uint8_t* saved) {
    if (!gAdopted) adopt();
    // Stepping off first: leaving ours would write its old rear index over
    // the saved one.
    setstate(gStandIn);
    memcpy(gOwnState, saved, kRandStateBytes);
    setstate(gOwnState);
}
