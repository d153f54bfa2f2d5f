#include "platform/heard_clock.h"

#include <algorithm>

#include "platform/sound_device.h"

void HeardClock::handed(double atSeconds, uint32_t soundFrames) {
    blocks_.push_back({atSeconds, soundFrames, true});
}

// What was heard of a block cut short counts as far as the clock was read:
// the music time shown then goes on from there.
void HeardClock::forget() {
    for (Block& block : blocks_) block.counts = false;
    framesHeard_ = latestFrames_;
}

uint32_t HeardClock::heardMs(double heardSeconds) {
    const double rate = double(kSoundSamplesPerSecond);
    // A block's sound is heard from its start to its end, or to where the
    // next block begins: the output cut it short there (a jump).
    const auto heardFramesOf = [&](size_t i, double until) -> uint64_t {
        const Block& block = blocks_[i];
        double end = block.atSeconds + block.soundFrames / rate;
        if (i + 1 < blocks_.size()) end = std::min(end, blocks_[i + 1].atSeconds);
        if (!block.counts || until <= block.atSeconds) return 0;
        return std::min<uint64_t>(uint64_t((std::min(until, end) - block.atSeconds) * rate),
                                  block.soundFrames);
    };
    const auto over = [&](size_t i) {
        const Block& block = blocks_[i];
        const double end = block.atSeconds + block.soundFrames / rate;
        return end <= heardSeconds ||
               (i + 1 < blocks_.size() && blocks_[i + 1].atSeconds <= heardSeconds);
    };
    while (!blocks_.empty() && over(0)) {
        framesHeard_ += heardFramesOf(0, heardSeconds);
        blocks_.pop_front();
    }
    uint64_t frames = framesHeard_;
    if (!blocks_.empty()) frames += heardFramesOf(0, heardSeconds);
    latestFrames_ = std::max(latestFrames_, frames);
    return uint32_t(latestFrames_ * 1000 / kSoundSamplesPerSecond);
}
