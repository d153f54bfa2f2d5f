// The player on a slow host: a frame or two late, it runs the frames it
// missed and stays capture's; further behind, it shows the frame due at the
// music time now, skipping the ones between; a jump makes the frames
// capture's again. First the schedule's rule alone, then the whole player on
// a scripted clock.
#include <gtest/gtest.h>

#include "core/frame_schedule.h"
#include "music/pattern_data.h"
#include "platform/desktop/controls.h"
#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"
#include "player_test_support.h"

using namespace playertest;

namespace {

int32_t timeOf(uint64_t frame) {
    return int32_t(frameTimeMs(frame, kPlayerRate));
}

}  // namespace

TEST(FrameSchedule, LateByAFrameOrTwoItCatchesUpFurtherBehindItTakesTheFrameDueNow) {
    for (uint64_t late : {1, 2, 10, 100}) {
        SCOPED_TRACE("late by " + std::to_string(late) + " frames");
        FrameSchedule schedule;
        ASSERT_EQ(schedule.take(0), 0u);
        EXPECT_FALSE(schedule.take(timeOf(1) - 1)) << "a frame before its time";
        // The host's next look at its clock comes `late` periods after frame
        // 0's, a few milliseconds into that frame; it runs passes while
        // frames are due.
        const int32_t now = timeOf(late) + 5;
        std::vector<uint64_t> shown;
        while (std::optional<uint64_t> frame = schedule.take(now)) shown.push_back(*frame);
        if (late <= FrameSchedule::kMostFramesBehind) {
            std::vector<uint64_t> every;
            for (uint64_t n = 1; n <= late; ++n) every.push_back(n);
            EXPECT_EQ(shown, every);
            EXPECT_EQ(schedule.skipped(), 0u);
        } else {
            EXPECT_EQ(shown, std::vector<uint64_t>{late});
            EXPECT_EQ(schedule.skipped(), late - 1);
        }
        EXPECT_EQ(schedule.nextDueMs(), uint32_t(timeOf(late + 1)));
        schedule.restartAfter(7);
        EXPECT_EQ(schedule.skipped(), 0u);
        EXPECT_EQ(schedule.take(timeOf(8)), 8u);
    }

    // A host that stays a frame or two behind, pass after pass, is too slow
    // to catch up: after a couple of passes it takes the frame due now.
    FrameSchedule slow;
    std::vector<uint64_t> shown;
    for (uint64_t pass = 0; pass < 6; ++pass) shown.push_back(*slow.take(timeOf(pass * 3)));
    EXPECT_EQ(shown, (std::vector<uint64_t>{0, 1, 6, 9, 12, 15}));
}

TEST(Player, ASlowHostShowsEachFrameInItsPlaceAndAJumpMakesTheFramesCapturesAgain) {
    constexpr uint64_t kInTime = 60;
    const uint64_t start1 = Seek::firstFrameOf(1);
    std::vector<uint64_t> frames;
    for (uint64_t n = kInTime - 3; n <= kInTime + 2; ++n) frames.push_back(n);
    frames.insert(frames.end(), {start1, start1 + 1});
    const std::map<uint64_t, uint64_t> capture = captureHashes(frames);
    ASSERT_EQ(capture.size(), frames.size());

    // The host keeps up: a pass runs each frame when it is due.
    soundDeviceSelect(SoundBackend::None);
    platformUseVirtualClock(0);
    startPlayer();
    for (uint64_t n = 0; n < kInTime; ++n) playerPass();
    EXPECT_EQ(playerShownFrame(), int64_t(kInTime - 1));
    EXPECT_EQ(shownHash(), capture.at(kInTime - 1));

    // One slow frame (a frame period late): the next passes run the frame
    // missed and the one due, back to back, and they are capture's.
    platformAdvanceVirtualClock(17);
    for (uint64_t n = kInTime; n <= kInTime + 2; ++n) {
        playerPass();
        EXPECT_EQ(playerShownFrame(), int64_t(n));
        EXPECT_EQ(shownHash(), capture.at(n)) << "frame " << n;
    }

    // Ten and a hundred periods late: the frame due at the music time now,
    // at its own time on the schedule, the ones before it skipped.
    uint64_t skipped = 0;
    for (uint32_t lateMs : {167u, 1667u}) {
        const uint64_t before = uint64_t(playerShownFrame());
        platformAdvanceVirtualClock(lateMs);
        const int32_t now = playerMusicMs();
        playerPass();
        const uint64_t due = lastFrameAtOrBefore(uint64_t(now), kPlayerRate);
        EXPECT_EQ(playerShownFrame(), int64_t(due)) << lateMs << " ms late";
        EXPECT_EQ(playerShownMusicMs(), timeOf(due));
        EXPECT_EQ(PatternData::instance().row(), PatternData::rowsAt(timeOf(due)) % 128);
        skipped += due - before - 1;
        EXPECT_EQ(playerSkippedFrames(), skipped);
    }

    // A jump: capture's frame of the position's start, and the next after it.
    press(Key::Right);
    playerPass();
    playerPass();
    EXPECT_EQ(playerShownFrame(), int64_t(start1));
    EXPECT_EQ(shownHash(), capture.at(start1));
    EXPECT_EQ(playerSkippedFrames(), 0u);
    playerPass();
    EXPECT_EQ(shownHash(), capture.at(start1 + 1));
    demoShutDown();
}
