// sound_collector.h - the sound the second processor decodes, collected from
// the capture sink and handed out by sample number.
//
// The audio thread writes every block it gets to the sink device, whose
// observer this is; the sound is counted in stereo samples from the start of
// the music (44100 a second). Samples before the next wanted one are dropped
// as they arrive; the rest wait in a ring until taken, and the audio thread
// waits while the ring is full, so the decoder runs only as far ahead of the
// frames as the ring holds.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class SoundCollector {
  public:
    explicit SoundCollector(size_t capacitySamples);

    // Becomes (or stops being) the sound device's observer.
    void attach();
    void detach();

    // Samples before `sample` are not wanted.
    void skipTo(uint64_t sample);
    // Copies samples [from, to) into out (two values each, left and right),
    // waiting for the decoder; false if it delivered nothing for waitMs, in
    // which case the missing samples, and all later ones, are silence.
    bool take(uint64_t from, uint64_t to, int16_t* out, int waitMs = 10000);
    // No sound from `sample` on is wanted any more (a run stopped early): a
    // take from there or later returns at once, with silence.
    void endAt(uint64_t sample);
    // Ends every wait, on both sides; later sound is dropped.
    void stopCollecting();

  private:
    static void observe(void* context, const uint8_t* data, size_t size);
    void add(const uint8_t* samples, size_t count);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int16_t> ring_;  // capacity_ stereo samples
    size_t capacity_;
    uint64_t received_ = 0;  // samples the decoder has delivered so far
    uint64_t held_ = 0;      // of which the last held_ are in the ring
    uint64_t wantedFrom_ = 0;
    uint64_t end_ = UINT64_MAX;
    bool closed_ = false;
    bool silent_ = false;
};
