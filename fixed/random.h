// random.h - the demo's random numbers: exactly the sequence of the desktop
// C library's rand(), on every platform, without its lock.
//
// The sequence is glibc's default generator (random()'s TYPE_3): an additive
// lagged-Fibonacci generator over 31 words, table[f] += table[r] with f three
// words ahead of r, each step returning the new word shifted right by one
// (31 bits, 0 .. 2147483647). Never seeded, it starts as glibc's rand() starts
// (1804289383, 846930886, 1681692777, ...); demoSrand(s) gives what rand()
// gives after srand(s). Other C libraries have other generators, so the
// scenes draw from this one, and its whole state is one plain value that a
// saved engine state copies. Main thread only.
#pragma once

#include <cstdint>

struct RandState {
    static constexpr int kWords = 31;
    static constexpr int kSeparation = 3;  // f runs this many words ahead of r
    uint32_t table[kWords];
    int rear;  // r; f is (r + kSeparation) mod kWords
};

// The generator every scene and the closing noise draw from.
extern RandState gRand;

// One step of a generator: the next number, 0 .. 2147483647.
constexpr int randStep(RandState& s) {
    int front = s.rear + RandState::kSeparation;
    if (front >= RandState::kWords) front -= RandState::kWords;
    const uint32_t value = s.table[front] + s.table[s.rear];
    s.table[front] = value;
    if (++s.rear == RandState::kWords) s.rear = 0;
    return static_cast<int>(value >> 1);
}

// The next number of the demo's sequence, as rand() returns it.
inline int demoRand() {
    return randStep(gRand);
}

// The state srand(seed) leaves (seed 0 acts as 1): the table filled by the
// minimal standard generator (16807 * x mod 2^31-1, in Schrage's form so
// nothing overflows), then ten rounds of it thrown away.
constexpr RandState seededRandState(uint32_t seed) {
    RandState s{};
    int32_t word = seed == 0 ? 1 : static_cast<int32_t>(seed);
    s.table[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < RandState::kWords; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        s.table[i] = static_cast<uint32_t>(word);
    }
    for (int i = 0; i < 10 * RandState::kWords; ++i) randStep(s);
    return s;
}

// Restarts the sequence as srand(seed) restarts rand()'s.
inline void demoSrand(uint32_t seed) {
    gRand = seededRandState(seed);
}
