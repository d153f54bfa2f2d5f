// The web page's music clock: it runs with the sound heard, stands still
// through silence, a stalled output and the old sound still heard after a
// jump, and never goes back.
#include "platform/heard_clock.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kBlock = 2048;                   // frames a sound callback hands over
constexpr double kBlockSeconds = kBlock / 44100.0;  // 46.4 ms

}  // namespace

TEST(HeardClock, CountsOnlyTheSoundThatIsHeardAndStillCounts) {
    HeardClock clock;
    EXPECT_EQ(clock.heardMs(5.0), 0u) << "nothing handed yet";

    // Two blocks of sound from 1 s of the output's clock on.
    clock.handed(1.0, kBlock);
    clock.handed(1.0 + kBlockSeconds, kBlock);
    EXPECT_EQ(clock.heardMs(0.5), 0u);
    EXPECT_EQ(clock.heardMs(1.0 + 0.010), 10u);
    EXPECT_EQ(clock.heardMs(1.0 + kBlockSeconds + 0.020), 66u);  // 46.4 + 20
    // The output stalls: no more sound was handed, the clock stops at its end.
    EXPECT_EQ(clock.heardMs(3.0), 92u);  // 4096 frames
    EXPECT_EQ(clock.heardMs(1.2), 92u) << "never back";

    // The callback came late: the output played silence from 1.093 s to
    // 1.5 s, which counts for nothing; a block of half sound, half silence.
    clock.handed(1.5, kBlock / 2);
    EXPECT_EQ(clock.heardMs(1.5 + 0.010), 102u);
    EXPECT_EQ(clock.heardMs(1.5 + kBlockSeconds), 116u);  // 5120 frames

    // A jump: the sound handed before it is still heard but no longer counts;
    // the new sound counts from when it is heard.
    clock.handed(1.5 + kBlockSeconds, kBlock);
    clock.handed(1.5 + 2 * kBlockSeconds, kBlock);
    clock.forget();
    clock.handed(1.5 + 3 * kBlockSeconds, kBlock);
    EXPECT_EQ(clock.heardMs(1.5 + 3 * kBlockSeconds), 116u);
    EXPECT_EQ(clock.heardMs(1.5 + 3 * kBlockSeconds + 0.030), 146u);

    // A jump 10 ms into a block: the clock goes on from where it was read,
    // once the new sound is heard, 30 ms later.
    const double t = 2.0;
    clock.handed(t, kBlock);
    EXPECT_EQ(clock.heardMs(t + 0.010), 172u);  // 7168 + 441 frames
    clock.forget();
    clock.handed(t + 0.030, kBlock);
    EXPECT_EQ(clock.heardMs(t + 0.030), 172u);
    EXPECT_EQ(clock.heardMs(t + 0.040), 182u);

    // An output that holds 441 frames more: a reading past the latest block
    // counts them as they come, up to what is held, and keeps none of them.
    clock.willFollow(441);
    EXPECT_EQ(clock.heardMs(t + 0.030 + kBlockSeconds + 0.005), 223u);
    EXPECT_EQ(clock.heardMs(t + 0.030 + kBlockSeconds + 0.050), 228u);
    clock.forget();
    EXPECT_EQ(clock.heardMs(t + 0.030 + kBlockSeconds + 0.050), 218u);

    // An output that learns it said a block 10 ms too late: the next begins
    // before that one ends, and both count whole.
    clock.handed(3.0, kBlock);
    clock.handed(3.0 + kBlockSeconds - 0.010, kBlock);
    EXPECT_EQ(clock.heardMs(3.0 + 2 * kBlockSeconds), 311u);  // 9657 + 4096 frames
}

TEST(HeardClock, KeepsToTheSoundOverAMinuteOfShortStretches) {
    // A worklet's reports: a stretch of 512 frames every 11.6 ms, each at its
    // own time on the output's clock. No frame may be lost between them.
    HeardClock clock;
    constexpr uint64_t kStretch = 512;
    constexpr int kStretches = 5200;  // a minute
    for (int i = 0; i < kStretches; ++i) clock.handed(double(i * kStretch) / 44100, kStretch);
    const uint64_t frames = kStretches * kStretch;
    EXPECT_EQ(clock.heardMs(double(frames) / 44100 + 1), frames * 1000 / 44100);
}
