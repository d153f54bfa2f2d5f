// The copy of the engine that runs ahead of the live player (seek.h) changes
// nothing the viewer gets. One scripted play with keys (pause, overlay, jumps
// forward and back), run once with the copy and once without from the same
// start: every pass shows the same frame, asks the audio bridge for the same
// sound (playing or not, which sample) and leaves the random sequence at the same place.
// With the copy, every position start is saved after a few hundred passes,
// and a jump then runs one frame.
#include <gtest/gtest.h>

#include <map>

#include "core/engine_state.h"
#include "core/timeline.h"
#include "fixed/random.h"
#include "platform/desktop/controls.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"
#include "player_test_support.h"

using namespace playertest;

namespace {

// What the player asked of the audio bridge: playing, and the latest seek.
struct SoundAsked {
    uint32_t playing;
    uint32_t seeks;
    uint32_t seekSample;
    bool operator==(const SoundAsked&) const = default;
};

struct Play {
    std::vector<uint64_t> frames;
    std::vector<SoundAsked> sound;
    std::vector<int> randomsAfter;
    int passesUntilAllSaved = -1;
    int presentsOfLateJump = -1;
};

constexpr int kPasses = 600;
// Pressed before the pass of the same number. The copy has saved every
// position start by pass 400 (32 frames a pass); the first jumps come before.
const std::map<int, std::vector<Key>> kScript = {
    {100, {Key::Space}}, {130, {Key::O}},
    {160, {Key::Space}}, {200, {Key::Right, Key::Right, Key::Right}},
    {260, {Key::O}},     {420, std::vector<Key>(25, Key::Right)},
    {480, {Key::Left}},  {520, {Key::Home}},
};
constexpr int kLateJumpPass = 421;  // the pass that makes the jump asked for at 420

int gPresents = 0;
void countPresent(void*, const uint16_t*, int, int, int) {
    ++gPresents;
}

Play play(bool ahead) {
    platformUseVirtualClock(0);
    playerStartMusicClock();
    Seek::setWorkAhead(ahead);
    platformSetScheduledIdle(allTheTime);
    playerStart();
    const uint32_t seeksBefore = controlBlock().seekRequest;
    setPresentObserver(countPresent, nullptr);
    Play result;
    for (int pass = 0; pass < kPasses; ++pass) {
        if (kScript.count(pass)) {
            for (Key key : kScript.at(pass)) press(key);
        }
        gPresents = 0;
        playerPass();
        if (pass == kLateJumpPass) result.presentsOfLateJump = gPresents;
        if (result.passesUntilAllSaved < 0 && Seek::allPositionsSaved()) {
            result.passesUntilAllSaved = pass + 1;
        }
        result.frames.push_back(shownHash());
        const SoundControlBlock& control = controlBlock();
        result.sound.push_back(
            {control.playing, control.seekRequest - seeksBefore, control.seekSample});
    }
    setPresentObserver(nullptr, nullptr);
    platformSetScheduledIdle(nullptr);
    for (int i = 0; i < 4; ++i) result.randomsAfter.push_back(demoRand());
    return result;
}

}  // namespace

TEST(WorkAhead, ChangesNoFrameNoSoundAndNoRandomNumber) {
    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0);
    testing::internal::CaptureStdout();
    demoStartUp();
    testing::internal::GetCapturedStdout();
    // Start-up's engine, screens and random numbers, and the overlay's counter.
    EngineState start;
    start.save();
    Display* display = Display::instance();
    const uint32_t fpsWindowStart = display->fpsWindowStart;
    const int fpsFrameCount = display->fpsFrameCount;
    const int fpsValue = display->framesPerSecondValue;

    const Play without = play(false);
    start.restore();
    display->fpsWindowStart = fpsWindowStart;
    display->fpsFrameCount = fpsFrameCount;
    display->framesPerSecondValue = fpsValue;
    const Play with = play(true);
    demoShutDown();

    ASSERT_EQ(with.frames.size(), without.frames.size());
    for (size_t pass = 0; pass < with.frames.size(); ++pass) {
        ASSERT_EQ(with.frames[pass], without.frames[pass]) << "pass " << pass;
        ASSERT_EQ(with.sound[pass], without.sound[pass]) << "pass " << pass;
    }
    EXPECT_EQ(with.randomsAfter, without.randomsAfter);
    // The script did pause, jump and resume the sound.
    EXPECT_GE(with.sound.back().seeks, 5u);

    EXPECT_EQ(without.passesUntilAllSaved, -1);
    EXPECT_GT(with.passesUntilAllSaved, 0);
    EXPECT_LT(with.passesUntilAllSaved, kLateJumpPass);
    // Once every start is saved, a far jump is its one frame.
    EXPECT_EQ(with.presentsOfLateJump, 1);
    EXPECT_GT(without.presentsOfLateJump, 1000);
}
