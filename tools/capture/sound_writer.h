// sound_writer.h - writes the sound of the written frames, in frame order, to
// sound.wav and to the video's sound pipe, on a thread of its own.
//
// Each written frame carries the samples from its own start to the next
// frame's start, so a range gives its sound to the sample and separate frames
// (--at) give each its own slice. The thread runs as far ahead of the frames
// as the decoder and ffmpeg allow: ffmpeg reads its two inputs at its own
// pace, and must always find sound when it wants sound.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "capture/options.h"

class SoundCollector;
class VideoEncoder;
class WavWriter;

class SoundWriter {
  public:
    SoundWriter(SoundCollector* sound, const FramePlan& plan, WavWriter* wav, VideoEncoder* video);
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;
    ~SoundWriter();

    // The sound ends with this frame's (a run stopped early).
    void endWith(uint64_t lastFrame);
    // Waits until the sound through the last frame is written, and closes
    // the video's sound pipe; false if sound.wav could not be written.
    bool finish();
    // Whether the decoder stopped delivering and silence was written instead.
    bool soundLost() const { return lost_.load(); }
    // The millisecond of music from which the sound is silent, if it was lost.
    uint64_t lostFromMs() const { return lostFromMs_.load(); }

  private:
    void run();

    SoundCollector* sound_;
    FramePlan plan_;
    WavWriter* wav_;
    VideoEncoder* video_;
    std::atomic<uint64_t> lastFrame_;
    std::atomic<bool> lost_{false};
    std::atomic<uint64_t> lostFromMs_{0};
    bool wavOk_ = true;
    std::vector<int16_t> buffer_;
    std::thread thread_;
};
