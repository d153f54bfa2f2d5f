// The live player's keys on the real engine, headless. Whatever the way to a
// music position (one long jump from the start, stepping back, stepping
// forward, looping), the picture there is the frame a continuous run at 60
// frames a second shows (capture's, by hash), and the frames after it are the
// same every time; pause holds everything and resume goes on as if nothing
// had happened.
#include <gtest/gtest.h>

#include <cstring>

#include "core/timeline.h"
#include "music/pattern_data.h"
#include "platform/desktop/controls.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"
#include "player_test_support.h"

using namespace playertest;

namespace {

constexpr int kPositions = kLastPlayerPosition + 1;

std::vector<uint64_t> positionStarts() {
    std::vector<uint64_t> starts;
    for (int p = 0; p < kPositions; ++p) starts.push_back(Seek::firstFrameOf(p));
    return starts;
}

// Presses a key during a long run off screen, as a viewer may.
struct KeyDuringJump {
    int presentsLeft;
    Key key;
    static void observe(void* context, const uint16_t*, int, int, int) {
        auto* self = static_cast<KeyDuringJump*>(context);
        if (--self->presentsLeft == 0) press(self->key);
    }
};

// A key's jump happens at the frame after the one in whose pass it was read.
std::vector<uint64_t> jumpWith(Key key, int framesAfter) {
    press(key);
    playerPass();
    playerPass();
    std::vector<uint64_t> frames = {shownHash()};
    for (int i = 0; i < framesAfter; ++i) {
        playerPass();
        frames.push_back(shownHash());
    }
    return frames;
}

}  // namespace

TEST(Player, EveryPositionLooksTheSameWhicheverWayTheJumpCame) {
    const std::vector<uint64_t> starts = positionStarts();
    const std::map<uint64_t, uint64_t> capture = captureHashes(starts);
    ASSERT_EQ(capture.size(), size_t(kPositions));

    // A host clock of whole steps: after a jump the frames come at the same
    // music times, whichever way the jump came.
    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0, 17);
    startPlayer();
    PatternData& music = PatternData::instance();
    constexpr int kFramesAfter = 20;

    // Every press read in one pass adds up to one jump: from the start straight
    // to the last position. A key pressed while that jump runs is read after it.
    for (int i = 0; i < kPositions + 3; ++i) press(Key::Right);
    KeyDuringJump left{2000, Key::Left};
    setPresentObserver(KeyDuringJump::observe, &left);
    playerPass();
    playerPass();
    setPresentObserver(nullptr, nullptr);
    EXPECT_EQ(music.position(), kLastPlayerPosition);
    EXPECT_EQ(shownHash(), capture.at(starts[kLastPlayerPosition]));
    ASSERT_LE(left.presentsLeft, 0) << "the jump ran fewer frames than expected";

    // That pass read the key pressed meanwhile: the next one jumps.
    std::map<int, std::vector<uint64_t>> goingBack;
    playerPass();
    goingBack[33] = {shownHash()};
    for (int i = 0; i < kFramesAfter; ++i) {
        playerPass();
        goingBack[33].push_back(shownHash());
    }
    for (int p = 32; p >= 0; --p) goingBack[p] = jumpWith(Key::Left, kFramesAfter);
    for (int p = 33; p >= 0; --p) {
        EXPECT_EQ(goingBack[p].front(), capture.at(starts[p])) << "position " << p;
    }

    for (int p = 1; p < kPositions; ++p) {
        const std::vector<uint64_t> forward = jumpWith(Key::Right, kFramesAfter);
        EXPECT_EQ(music.position(), p);
        EXPECT_EQ(forward.front(), capture.at(starts[p])) << "position " << p;
        if (p < kLastPlayerPosition) {
            EXPECT_EQ(forward, goingBack[p]) << "position " << p;
        }
    }
    EXPECT_EQ(jumpWith(Key::Home, kFramesAfter), goingBack[0]);
    demoShutDown();
}

TEST(Player, PauseHoldsClockAndPictureAndResumeGoesOnFromTheSameRow) {
    constexpr uint64_t kPausedAt = 500;  // position 1, the opening's feedback trails
    std::vector<uint64_t> frames;
    for (uint64_t n = kPausedAt; n <= kPausedAt + 10; ++n) frames.push_back(n);
    const std::map<uint64_t, uint64_t> capture = captureHashes(frames);
    ASSERT_EQ(capture.size(), frames.size());

    // The host follows capture's schedule: pass n runs frame n.
    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0);
    startPlayer();
    for (uint64_t n = 0; n < kPausedAt; ++n) playerPass();
    press(Key::Space);
    playerPass();
    ASSERT_TRUE(playerPaused());
    EXPECT_EQ(shownHash(), capture.at(kPausedAt));

    PatternData& music = PatternData::instance();
    const PatternData heldClock = music;
    const std::vector<uint16_t> held(visibleScreen(), visibleScreen() + Display::kPixelCount);
    PresentCounter counter;
    setPresentObserver(PresentCounter::observe, &counter);
    // One second of the host's time, the last pass reading the resume key.
    for (int i = 0; i < 59; ++i) playerPass();
    press(Key::Space);
    playerPass();
    setPresentObserver(nullptr, nullptr);
    EXPECT_FALSE(playerPaused());
    EXPECT_EQ(counter.presents, 0);
    EXPECT_EQ(playerPausedMusicMs(), int32_t(frameTimeMs(kPausedAt, Seek::kRate)));
    EXPECT_EQ(music.currentPosition, heldClock.currentPosition);
    EXPECT_EQ(music.currentRow, heldClock.currentRow);
    EXPECT_EQ(music.previousRow, heldClock.previousRow);
    EXPECT_TRUE(memcmp(held.data(), visibleScreen(), held.size() * 2) == 0);

    // The music time goes on from where it stood: the frames are the ones a
    // run without a pause shows next.
    for (uint64_t n = kPausedAt + 1; n <= kPausedAt + 10; ++n) {
        playerPass();
        EXPECT_EQ(shownHash(), capture.at(n)) << "frame " << n;
    }
    demoShutDown();
}

TEST(Player, JumpWhilePausedWaitsAndALoopReturnsToItsPositionStart) {
    const uint64_t start4 = Seek::firstFrameOf(4);
    const uint64_t start5 = Seek::firstFrameOf(5);
    std::vector<uint64_t> frames = {start4, start4 + 1, start4 + 2, start5 - 1, start5};
    const std::map<uint64_t, uint64_t> capture = captureHashes(frames);
    ASSERT_EQ(capture.size(), frames.size());

    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0);
    startPlayer();
    PatternData& music = PatternData::instance();
    press(Key::Space);
    playerPass();
    for (int i = 0; i < 4; ++i) press(Key::Right);
    playerPass();
    playerPass();
    EXPECT_TRUE(playerPaused());
    EXPECT_EQ(shownHash(), capture.at(start4));
    EXPECT_EQ(playerPausedMusicMs(), int32_t(frameTimeMs(start4, Seek::kRate)));

    press(Key::L);
    playerPass();
    EXPECT_EQ(playerLoopedPosition(), 4);
    // Resumed, the music goes on from the paused frame's time whatever the
    // host's clock read meanwhile, so the frames that follow are capture's own.
    press(Key::Space);
    playerPass();
    playerPass();
    EXPECT_EQ(shownHash(), capture.at(start4 + 1));
    playerPass();
    EXPECT_EQ(shownHash(), capture.at(start4 + 2));

    // At the end of position 4, its start again; never position 5.
    int framesToLoop = 0;
    while (music.position() == 4 && framesToLoop < 1000) {
        const uint64_t last = shownHash();
        playerPass();
        ++framesToLoop;
        if (shownHash() == capture.at(start4)) {
            EXPECT_EQ(last, capture.at(start5 - 1));
            break;
        }
    }
    EXPECT_EQ(framesToLoop, int(start5 - start4 - 2));
    EXPECT_EQ(music.position(), 4);

    press(Key::L);
    for (int i = 0; i < int(start5 - start4) + 2 && music.position() == 4; ++i) playerPass();
    EXPECT_EQ(playerLoopedPosition(), -1);
    EXPECT_EQ(music.position(), 5);

    // A host that paints after its pass (a browser): a jump to a state not
    // saved shows SEEKING in a pass of its own, and jumps in the next.
    playerSetSeekingInAPassOfItsOwn(true);
    playerJumpTo(6);
    playerPass();
    EXPECT_TRUE(playerJumpPending());
    EXPECT_EQ(music.position(), 5);
    playerPass();
    EXPECT_FALSE(playerJumpPending());
    EXPECT_EQ(music.position(), 6);
    playerSetSeekingInAPassOfItsOwn(false);
    demoShutDown();
}
