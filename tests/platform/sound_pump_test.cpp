#include "platform/sound_pump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

struct Played {
    std::vector<std::pair<uint8_t, uint32_t>> blocks;  // first sample byte, seek
};

void note(void* context, const uint8_t* samples, uint32_t seek) {
    static_cast<Played*>(context)->blocks.push_back({samples[0], seek});
}

// The second processor's part: block b filled with `mark`, following `seek`.
void fill(SoundControlBlock* control, int b, uint8_t mark, uint32_t seek) {
    control->blocks[b].samples[0] = mark;
    control->blockSeek[b] = seek;
    control->blocks[b].full = 1;
}

}  // namespace

// Blocks are taken 0, 1, 0, ... and only when full; a block that follows an
// older seek than the latest is handed back unplayed and still counts.
TEST(SoundPump, TakesBlocksInTurnAndDropsThoseOfAnOlderSeek) {
    auto control = std::make_unique<SoundControlBlock>();
    SoundPump pump{};
    Played played;
    EXPECT_EQ(soundPumpTake(&pump, control.get(), note, &played), kSoundPumpWaits);
    fill(control.get(), 1, 11, 0);
    EXPECT_EQ(soundPumpTake(&pump, control.get(), note, &played), kSoundPumpWaits);
    fill(control.get(), 0, 10, 0);
    EXPECT_EQ(soundPumpTake(&pump, control.get(), note, &played), kSoundPumpPlayed);
    EXPECT_EQ(soundPumpTake(&pump, control.get(), note, &played), kSoundPumpPlayed);
    EXPECT_EQ(control->blocks[0].full | control->blocks[1].full, 0u);

    EXPECT_EQ(soundPumpNewSeek(&pump, control.get()), 0);
    control->seekRequest = 1;
    EXPECT_EQ(soundPumpNewSeek(&pump, control.get()), 1);
    EXPECT_EQ(soundPumpNewSeek(&pump, control.get()), 0);
    fill(control.get(), 0, 20, 0);  // decoded before the seek was seen
    fill(control.get(), 1, 21, 1);
    EXPECT_EQ(soundPumpTake(&pump, control.get(), note, &played), kSoundPumpDropped);
    EXPECT_EQ(control->blocks[0].full, 0u);
    EXPECT_EQ(soundPumpTake(&pump, control.get(), note, &played), kSoundPumpPlayed);
    const std::vector<std::pair<uint8_t, uint32_t>> expected = {{10, 0}, {11, 0}, {21, 1}};
    EXPECT_EQ(played.blocks, expected);
}

// The words that cross to a second processor apart from the main side's
// memory (the page's worker) land in the fields they name.
TEST(SoundPump, OrdersAndReportCrossAsTheBlocksOwnWords) {
    auto engine = std::make_unique<SoundControlBlock>();
    auto worker = std::make_unique<SoundControlBlock>();
    engine->playing = 1;
    engine->seekRequest = 3;
    engine->seekSample = 123456;
    uint32_t words[kSoundOrderWords];
    soundOrdersRead(engine.get(), words);
    soundOrdersWrite(worker.get(), words);
    EXPECT_EQ(worker->playing, 1u);
    EXPECT_EQ(worker->seekRequest, 3u);
    EXPECT_EQ(worker->seekSample, 123456u);

    uint32_t* report = soundReportWords(worker.get());
    const uint32_t said[kSoundReportWords] = {7, 8, 9, 1};
    std::copy(said, said + kSoundReportWords, report);
    EXPECT_EQ(worker->songEndedAt, 7u);
    EXPECT_EQ(worker->songDamagedFrom, 8u);
    EXPECT_EQ(worker->songDamagedTo, 9u);
    EXPECT_EQ(worker->songDamages, 1u);
}
