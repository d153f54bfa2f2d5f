// frame_writer.h - writes captured frames on a thread of its own, in frame
// order, while the engine renders the next ones: the hash line, the PNG and
// the video frame. A few slots are recycled, so nothing is allocated per
// frame; the engine waits when all of them are full.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/frame_files.h"

class VideoEncoder;

struct CapturedFrame {
    uint64_t number = 0;
    uint32_t ms = 0;
    int32_t position = 0;
    int32_t row = 0;
    std::vector<uint16_t> pixels;  // the visible screen, 320 x 240
};

struct FrameOutputs {
    FILE* hashes = nullptr;
    std::string framesDir;  // empty: no PNGs
    VideoEncoder* video = nullptr;
    int scale = 1;
    // The names a person gave, for messages: the files are written elsewhere
    // until they are complete.
    std::string hashesName;
    std::string framesName;
};

class FrameWriter {
  public:
    explicit FrameWriter(const FrameOutputs& outputs);
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;
    ~FrameWriter();

    // A free slot to fill, waiting for one if all are taken.
    CapturedFrame* next();
    // Hands the filled slot from next() over for writing.
    void publish();
    // Writes what is left, ends the thread and closes the video's frame pipe;
    // false if any write failed.
    bool finish();
    // Whether a write failed: later frames are not written, and the run should
    // stop. failure() names the file and the reason.
    bool failed() const { return failed_.load(); }
    const std::string& failure() const { return failure_; }
    uint64_t framesWritten() const { return written_; }

  private:
    // Room for a batch being hashed while the engine fills the next one.
    static constexpr size_t kSlots = 2 * kScreensHashedTogether;

    void run();
    // The frame's hash line (with its hash, when hashes are written), PNG and video frame.
    bool write(const CapturedFrame& frame, uint64_t hash);
    void fail(const std::string& why);

    FrameOutputs outputs_;
    std::vector<CapturedFrame> slots_;
    std::vector<uint16_t> scaled_;  // a video frame at the output scale
    std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t published_ = 0;
    uint64_t done_ = 0;
    bool closing_ = false;
    std::atomic<bool> failed_{false};
    std::string failure_;  // written by the thread before failed_ is set
    uint64_t written_ = 0;
    std::thread thread_;
};
