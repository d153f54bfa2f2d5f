// Jumps to any frame, frame steps, 5 s jumps and a seek bar's drag, on the
// real engine, headless: each lands on capture's frame for its number,
// whatever state it started from; a paused picture's idle time prepares the
// states a step back starts from; a browser's animation frame paints SEEKING
// before a long jump; a drag holds the sound and lets it go on from the frame
// shown. And the desktop's command line, and the README's key table.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/demo.h"
#include "music/pattern_data.h"
#include "platform/desktop/controls.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"
#include "player_test_support.h"

using namespace playertest;

namespace {

// The presents of one pass after the key is pressed: the frames its jump ran.
int framesOfAPassWith(Key key, bool shift = false) {
    playerInput({InputEvent::Kind::KeyDown, key, shift});
    PresentCounter counter;
    setPresentObserver(PresentCounter::observe, &counter);
    playerPass();
    setPresentObserver(nullptr, nullptr);
    return counter.presents;
}

// The label over the picture: a dark strip across the middle, lit only
// where the word stands (7 letters of the font's 7-pixel advance).
bool seekingShown() {
    const int top = (Display::kHeight - 9) / 2 - 3;
    const int left = (Display::kWidth - 7 * 7) / 2;
    int lit = 0;
    for (int y = top; y < top + 15; ++y) {
        for (int x = 0; x < Display::kWidth; ++x) {
            if (visibleScreen()[y * Display::kWidth + x] == 0) continue;
            if (x < left || x >= left + 7 * 7) return false;
            ++lit;
        }
    }
    return lit > 20;
}

}  // namespace

TEST(FrameSteps, AnyFrameAndEveryStepIsCapturesFrame) {
    // In the particle field (feedback), the title, the greets: one a save
    // point reached in one frame, with no state of the way there left, so
    // that a step back crosses it.
    const uint64_t savePoint = Seek::firstFrameOf(5);
    const std::vector<uint64_t> targets = {savePoint + 40, 777, savePoint, 1500, 2400};
    std::vector<uint64_t> frames;
    for (uint64_t n : targets) frames.insert(frames.end(), {n - 1, n, n + 1});
    const uint64_t fiveOn = firstFrameAtOrAfter(frameTimeMs(2400, kPlayerRate) + 5000, kPlayerRate);
    frames.push_back(fiveOn);
    const std::map<uint64_t, uint64_t> capture = captureHashes(frames);
    ASSERT_EQ(capture.size(), frames.size());

    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0, 17);
    startPlayer();
    press(Key::Space);
    playerPass();
    for (uint64_t n : targets) {
        SCOPED_TRACE("frame " + std::to_string(n));
        playerJumpToFrame(n);
        playerPass();
        EXPECT_EQ(playerShownFrame(), int64_t(n));
        EXPECT_EQ(shownHash(), capture.at(n));
        // Looked at a moment, the paused picture's idle time makes the
        // states behind it: a step back runs a few frames at most.
        platformSetScheduledIdle(allTheTime);
        for (int i = 0; i < 8; ++i) playerPass();
        platformSetScheduledIdle(nullptr);
        EXPECT_LE(framesOfAPassWith(Key::Comma), Seek::kTrailFrames);
        EXPECT_EQ(shownHash(), capture.at(n - 1));
        EXPECT_LE(framesOfAPassWith(Key::Period), Seek::kTrailFrames);
        EXPECT_LE(framesOfAPassWith(Key::Period), Seek::kTrailFrames);
        EXPECT_EQ(shownHash(), capture.at(n + 1));
    }
    // The overlay, on and off, over the paused frame at once.
    const uint64_t plain = shownHash();
    framesOfAPassWith(Key::O);
    EXPECT_NE(shownHash(), plain);
    framesOfAPassWith(Key::O);
    EXPECT_EQ(shownHash(), plain);
    // Five seconds on from the frame shown, and back.
    playerJumpToFrame(2400);
    playerPass();
    framesOfAPassWith(Key::Right, true);
    EXPECT_EQ(shownHash(), capture.at(fiveOn));
    framesOfAPassWith(Key::Left, true);
    EXPECT_EQ(playerShownFrame(), 2400);
    // Stepping is for a paused picture; the last frame is as far as a jump goes.
    playerSetPaused(false);
    playerInput({InputEvent::Kind::KeyDown, Key::Comma});
    EXPECT_FALSE(playerJumpPending());
    playerJumpToFrame(UINT64_MAX);
    playerPass();
    EXPECT_EQ(playerShownFrame(), int64_t(Seek::lastFrame()));
    EXPECT_FALSE(Timeline::ended());
    demoShutDown();
}

TEST(FrameSteps, ABrowsersFramePaintsSeekingBeforeALongJumpAndADragHoldsTheSound) {
    const uint64_t target = Seek::firstFrameOf(6) + 100;
    const std::map<uint64_t, uint64_t> capture = captureHashes({target, target + 1});
    ASSERT_EQ(capture.size(), 2u);

    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0, 17);
    startPlayer();
    playerSetSeekingInAPassOfItsOwn(true);
    platformSetScheduledIdle(allTheTime);
    Seek::setWorkAhead(false);
    EXPECT_FALSE(playerAnimationFrame());
    EXPECT_FALSE(seekingShown());

    // A drag: held, the sound stops; the picture follows the pointer, the
    // latest target winning; let go, the sound goes on from the frame shown.
    playerHold(true);
    EXPECT_TRUE(playerPaused());
    EXPECT_EQ(controlBlock().playing, 0u);
    playerJumpToFrame(target - 50);
    playerJumpToFrame(target);
    EXPECT_FALSE(playerAnimationFrame());
    EXPECT_TRUE(playerJumpPending());
    EXPECT_TRUE(seekingShown());
    EXPECT_FALSE(playerAnimationFrame());
    EXPECT_FALSE(playerJumpPending());
    EXPECT_EQ(shownHash(), capture.at(target));
    // Within reach of the states the jump saved: no label, at once. Let go
    // before it is made, the sound waits for it.
    playerJumpToFrame(target + 1);
    playerHold(false);
    EXPECT_TRUE(playerPaused());
    playerPass();
    EXPECT_EQ(shownHash(), capture.at(target + 1));
    EXPECT_FALSE(playerPaused());
    EXPECT_EQ(controlBlock().playing, 1u);
    EXPECT_EQ(controlBlock().seekSample, uint32_t(soundFrameAt(target + 1, kPlayerRate)));

    // Held while paused, it stays paused when let go.
    playerSetPaused(true);
    playerHold(true);
    playerHold(false);
    EXPECT_TRUE(playerPaused());
    platformSetScheduledIdle(nullptr);
    Seek::setWorkAhead(true);
    playerSetSeekingInAPassOfItsOwn(false);
    demoShutDown();
}

TEST(DemoCommandLine, AtTakesCapturesTimesAndRefusesWhatIsNot) {
    const auto atMs = [](std::vector<const char*> args) {
        args.insert(args.begin(), "demo");
        uint32_t ms = 7;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = demoCommandLine(int(args.size()), args.data(), &ms);
        const std::string said =
            testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
        return std::make_tuple(status, ms, said);
    };
    EXPECT_EQ(atMs({}), std::make_tuple(-1, 0u, std::string()));
    EXPECT_EQ(std::get<1>(atMs({"--at", "92400"})), 92400u);
    EXPECT_EQ(std::get<1>(atMs({"--at", "1:32.4"})), 92400u);
    EXPECT_EQ(std::get<1>(atMs({"--at", "0:05.125"})), 5125u);
    EXPECT_EQ(std::get<1>(atMs({"--at", "p20"})), uint32_t(PatternData::firstMsOfRow(20 * 128)));
    const auto [helped, ms, help] = atMs({"--help"});
    EXPECT_EQ(helped, 0);
    EXPECT_NE(help.find("Shift+\u2192"), std::string::npos) << help;
    for (std::vector<const char*> bad : std::vector<std::vector<const char*>>{{"--at"},
                                                                              {"--at", "1:5"},
                                                                              {"--at", "1:32.4567"},
                                                                              {"--at", "p35"},
                                                                              {"--at", "3:07"},
                                                                              {"--at", "-1"},
                                                                              {"--fast"}}) {
        const auto [status, unused, said] = atMs(bad);
        EXPECT_EQ(status, 1) << bad.back();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

TEST(PlayerKeys, TheReadmesTableIsThePlayersOwn) {
    std::ifstream readme(std::string(DEMO_SOURCE_DIR) + "/README.md");
    std::stringstream text;
    text << readme.rdbuf();
    const std::string all = text.str();
    const size_t from = all.find("| Key | What it does |");
    ASSERT_NE(from, std::string::npos);
    const std::string table = all.substr(from, all.find("\n\n", from) - from);
    std::string expected = "| Key | What it does |\n|---|---|";
    for (int i = 0; i < playerKeyCount(); ++i) {
        expected +=
            std::string("\n| ") + playerKeyAt(i).label + " | " + playerKeyAt(i).words + " |";
    }
    expected +=
        "\n| Alt+Enter | window or full screen (the largest whole multiple of 320\u00d7240) |";
    EXPECT_EQ(table, expected);
}
