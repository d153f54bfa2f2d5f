#include "platform/heard_clock.h"

#include <algorithm>
#include <cmath>

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
    // Where a block's sound stops being heard: at its end, or where the next
    // block begins, if the output cut it short there (a jump).
    const auto endOf = [&](size_t i) {
        const double end = blocks_[i].atSeconds + blocks_[i].soundFrames / rate;
        return i + 1 < blocks_.size() ? std::min(end, blocks_[i + 1].atSeconds) : end;
    };
    // Frames of block i heard by `until`. Times are whole frames apart, so a
    // block heard to its end counts all its frames, and one cut short the
    // nearest whole number: truncating the product of a float would drop a
    // frame a block, and the clock would fall behind the sound.
    const auto heardFramesOf = [&](size_t i, double until) -> uint64_t {
        const Block& block = blocks_[i];
        if (!block.counts || until <= block.atSeconds) return 0;
        const double end = endOf(i);
        const double seconds = std::min(until, end) - block.atSeconds;
        const auto frames =
            until >= end ? uint64_t(std::llround(seconds * rate)) : uint64_t(seconds * rate);
        return std::min<uint64_t>(frames, block.soundFrames);
    };
    while (!blocks_.empty() && endOf(0) <= heardSeconds) {
        framesHeard_ += heardFramesOf(0, heardSeconds);
        blocks_.pop_front();
    }
    uint64_t frames = framesHeard_;
    if (!blocks_.empty()) frames += heardFramesOf(0, heardSeconds);
    latestFrames_ = std::max(latestFrames_, frames);
    return uint32_t(latestFrames_ * 1000 / kSoundSamplesPerSecond);
}
