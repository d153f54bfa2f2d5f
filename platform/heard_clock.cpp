#include "platform/heard_clock.h"

#include <algorithm>

#include "platform/sound_device.h"

void HeardClock::handed(double atSeconds, uint32_t soundFrames) {
    blocks_.push_back({atSeconds, soundFrames, true});
}

void HeardClock::forget() {
    for (Block& block : blocks_) block.counts = false;
}

uint32_t HeardClock::heardMs(double heardSeconds) {
    const double rate = double(kSoundSamplesPerSecond);
    // Blocks heard to the end of their sound leave the queue.
    while (!blocks_.empty() &&
           blocks_.front().atSeconds + blocks_.front().soundFrames / rate <= heardSeconds) {
        if (blocks_.front().counts) framesHeard_ += blocks_.front().soundFrames;
        blocks_.pop_front();
    }
    uint64_t frames = framesHeard_;
    if (!blocks_.empty() && blocks_.front().counts && blocks_.front().atSeconds < heardSeconds) {
        const double into = (heardSeconds - blocks_.front().atSeconds) * rate;
        frames += std::min<uint64_t>(uint64_t(into), blocks_.front().soundFrames);
    }
    const auto ms = uint32_t(frames * 1000 / kSoundSamplesPerSecond);
    latestMs_ = std::max(latestMs_, ms);
    return latestMs_;
}
