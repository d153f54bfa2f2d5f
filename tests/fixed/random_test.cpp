// The demo's generator against the desktop C library's own rand(): the same
// numbers from the same start, after the same seeds, and from a copied state.
#include "fixed/random.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

// Index of the first of `count` calls where the two differ, or -1.
long firstDifference(long count) {
    for (long i = 0; i < count; ++i) {
        if (demoRand() != rand()) return i;
    }
    return -1;
}

}  // namespace

// Unseeded rand() can only be seen in a fresh process: this test process may
// have drawn from it already.
TEST(DemoRandom, StartsWhereAnUnseededRandStarts) {
    const RandState start = gRand;
    int fromChild[3] = {};
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int first[3] = {rand(), rand(), rand()};
        _exit(write(pipeEnds[1], first, sizeof first) == sizeof first ? 0 : 1);
    }
    close(pipeEnds[1]);
    ASSERT_EQ(read(pipeEnds[0], fromChild, sizeof fromChild), ssize_t(sizeof fromChild));
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);

    const RandState fresh = seededRandState(1);
    gRand = fresh;
    EXPECT_EQ(demoRand(), 1804289383);
    EXPECT_EQ(demoRand(), 846930886);
    EXPECT_EQ(demoRand(), 1681692777);
    EXPECT_EQ(fromChild[0], 1804289383);
    EXPECT_EQ(fromChild[1], 846930886);
    EXPECT_EQ(fromChild[2], 1681692777);
    EXPECT_EQ(memcmp(&start, &fresh, sizeof start), 0) << "the demo's generator was not unseeded";
    gRand = start;
}

TEST(DemoRandom, FollowsRandOverMillionsOfCallsForSeveralSeeds) {
    const RandState kept = gRand;
    for (const uint32_t seed : {1u, 0u, 2u, 77u, 2147483646u, 2147483647u, 4294967295u}) {
        srand(seed);
        demoSrand(seed);
        EXPECT_EQ(firstDifference(seed == 1 ? 5000000 : 300000), -1) << "seed " << seed;
    }
    gRand = kept;
}

// A saved engine state copies the generator as a plain value.
TEST(DemoRandom, ACopiedStateGoesOnAsRandWouldHave) {
    const RandState kept = gRand;
    srand(12345);
    demoSrand(12345);
    for (int i = 0; i < 1000; ++i) {
        rand();
        demoRand();
    }
    const RandState saved = gRand;
    for (int i = 0; i < 777; ++i) demoRand();
    gRand = saved;
    EXPECT_EQ(firstDifference(1000000), -1);
    gRand = kept;
}
