#include "capture/sound_collector.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/simulated/sound_controls.h"
#include "platform/sound_device.h"

SoundCollector::SoundCollector(size_t capacitySamples)
    : ring_(capacitySamples * 2), capacity_(capacitySamples) {}

void SoundCollector::attach() {
    soundDeviceSetObserver(observe, this);
}

void SoundCollector::detach() {
    soundDeviceSetObserver(nullptr, nullptr);
}

// Blocks hold whole stereo samples: two little-endian 16-bit values, 4 bytes.
void SoundCollector::observe(void* context, const uint8_t* data, size_t size) {
    static_cast<SoundCollector*>(context)->add(data, size / 4);
}

// Runs on the audio thread.
void SoundCollector::add(const uint8_t* samples, size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    size_t done = 0;
    while (done < count && !closed_) {
        const uint64_t index = received_;
        if (index < wantedFrom_) {
            const size_t skip = size_t(std::min<uint64_t>(wantedFrom_ - index, count - done));
            received_ += skip;
            done += skip;
            continue;
        }
        if (held_ == capacity_) {
            changed_.wait(lock, [&] { return held_ < capacity_ || closed_; });
            continue;
        }
        const size_t slot = size_t(index % capacity_);
        const size_t n = std::min({count - done, capacity_ - size_t(held_), capacity_ - slot});
        memcpy(&ring_[slot * 2], samples + done * 4, n * 4);
        received_ += n;
        held_ += n;
        done += n;
        changed_.notify_all();
    }
}

void SoundCollector::skipTo(uint64_t sample) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sample <= wantedFrom_) return;
    wantedFrom_ = sample;
    const uint64_t oldest = received_ - held_;
    if (sample > oldest) held_ -= std::min(held_, sample - oldest);
    changed_.notify_all();
}

bool SoundCollector::take(uint64_t from, uint64_t to, int16_t* out, int waitMs) {
    skipTo(from);
    std::unique_lock<std::mutex> lock(mutex_);
    const auto enough = [&] { return received_ >= to || closed_ || from >= end_; };
    bool delivered = !silent_;
    while (delivered && !enough()) {
        const uint64_t before = received_;
        changed_.wait_for(lock, std::chrono::milliseconds(waitMs), enough);
        if (received_ == before && !enough()) delivered = false;
    }
    if (!delivered) silent_ = true;
    // Samples [from, received_) are in the ring: those below wantedFrom_ were
    // never kept, and wantedFrom_ is at most `from`.
    for (uint64_t s = from; s < to; ++s) {
        int16_t* pair = out + (s - from) * 2;
        if (s < received_ && !silent_) {
            memcpy(pair, &ring_[size_t(s % capacity_) * 2], 4);
        } else {
            pair[0] = pair[1] = 0;
        }
    }
    lock.unlock();
    skipTo(to);
    return delivered;
}

void SoundCollector::endAt(uint64_t sample) {
    std::lock_guard<std::mutex> lock(mutex_);
    end_ = sample;
    changed_.notify_all();
}

void SoundCollector::stopCollecting() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}
