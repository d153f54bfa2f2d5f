#include "platform/heard_clock.h"

#include <algorithm>
#include <cmath>

#include "platform/sound_device.h"

void HeardClock::handed(double atSeconds, uint32_t soundFrames) {
    blocks_.push_back({atSeconds, soundFrames, true});
    latestEnd_ = atSeconds + soundFrames / double(kSoundSamplesPerSecond);
    following_ = 0;
}

// What was heard of a block cut short counts as far as the clock was read:
// the music time shown then goes on from there.
void HeardClock::forget() {
    for (Block& block : blocks_) block.counts = false;
    framesHeard_ = latestFrames_;
    latestEnd_ = -1;
    following_ = 0;
}

void HeardClock::willFollow(uint32_t frames) {
    if (latestEnd_ >= 0) following_ = frames;
}

uint32_t HeardClock::heardMs(double heardSeconds) {
    const double rate = double(kSoundSamplesPerSecond);
    // A block is heard whole. One that begins before the last has ended
    // (an output that learned it had said too late when that one was heard)
    // counts whole too: the clock runs ahead for the overlap, and is right
    // after it; cutting the earlier short would lose its frames for good.
    const auto endOf = [&](size_t i) {
        return blocks_[i].atSeconds + blocks_[i].soundFrames / rate;
    };
    // Frames of block i heard by `until`. Times are whole frames apart, so a
    // block heard to its end counts all its frames: truncating the product
    // of a float would drop a frame a block, and the clock would fall behind
    // the sound.
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
    for (size_t i = 0; i < blocks_.size() && blocks_[i].atSeconds < heardSeconds; ++i) {
        frames += heardFramesOf(i, heardSeconds);
    }
    latestFrames_ = std::max(latestFrames_, frames);
    uint64_t lent = 0;
    if (following_ > 0 && heardSeconds > latestEnd_) {
        lent = std::min<uint64_t>(uint64_t((heardSeconds - latestEnd_) * rate), following_);
    }
    return uint32_t((latestFrames_ + lent) * 1000 / kSoundSamplesPerSecond);
}
