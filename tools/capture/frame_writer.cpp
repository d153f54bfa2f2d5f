#include "capture/frame_writer.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "capture/frame_files.h"
#include "capture/video_encoder.h"
#include "platform/screen_layout.h"
#include "video/display.h"

namespace {

constexpr int kWidth = Display::kWidth;
constexpr int kHeight = Display::kHeight;


}  // namespace

FrameWriter::FrameWriter(const FrameOutputs& outputs) : outputs_(outputs), slots_(kSlots) {
    for (CapturedFrame& slot : slots_) slot.pixels.resize(size_t(kWidth) * kHeight);
    if (outputs_.video != nullptr && outputs_.scale > 1) {
        scaled_.resize(size_t(kWidth) * kHeight * outputs_.scale * outputs_.scale);
    }
    thread_ = std::thread([this] { run(); });
}

FrameWriter::~FrameWriter() {
    finish();
}

CapturedFrame* FrameWriter::next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return published_ - done_ < kSlots; });
    return &slots_[published_ % kSlots];
}

// The writer is woken only when a whole batch waits for it.
void FrameWriter::publish() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++published_;
    if (published_ - done_ >= kScreensHashedTogether) changed_.notify_all();
}

bool FrameWriter::finish() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    if (outputs_.video != nullptr) outputs_.video->closeFrames();
    return !failed_.load();
}

// The writer waits for a batch of frames and hashes them together: that
// keeps it ahead of the engine in the scenes that render fastest, and takes
// the least of a core that the engine may share.
void FrameWriter::run() {
    for (;;) {
        size_t ready = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock,
                          [&] { return published_ - done_ >= kScreensHashedTogether || closing_; });
            if (done_ == published_) return;
            ready = size_t(std::min<uint64_t>(published_ - done_, kScreensHashedTogether));
        }
        // Only this thread moves done_, and slots up to published_ stay put
        // until it does.
        const CapturedFrame* frames[kScreensHashedTogether];
        const uint16_t* screens[kScreensHashedTogether];
        uint64_t hashes[kScreensHashedTogether] = {};
        for (size_t k = 0; k < ready; ++k) {
            frames[k] = &slots_[(done_ + k) % kSlots];
            screens[k] = frames[k]->pixels.data();
        }
        if (outputs_.hashes != nullptr) {
            screenHashes(screens, ready, size_t(kWidth) * kHeight, hashes);
        }
        for (size_t k = 0; k < ready; ++k) {
            if (!failed_.load() && write(*frames[k], hashes[k])) ++written_;
            std::lock_guard<std::mutex> lock(mutex_);
            ++done_;
            changed_.notify_all();
        }
    }
}

void FrameWriter::fail(const std::string& why) {
    failure_ = why;
    failed_.store(true);
}

bool FrameWriter::write(const CapturedFrame& frame, uint64_t hash) {
    const uint16_t* pixels = frame.pixels.data();
    if (outputs_.hashes != nullptr) {
        char line[kHashLineSize];
        formatHashLine(line, frame.number, frame.ms, frame.position, frame.row, hash);
        if (fputs(line, outputs_.hashes) < 0) {
            fail("cannot write " + outputs_.hashesName + ": " + strerror(errno));
            return false;
        }
    }
    if (!outputs_.framesDir.empty()) {
        char name[32];
        snprintf(name, sizeof name, "/frame_%06" PRIu64 ".png", frame.number);
        std::string reason;
        if (!writeScreenPng(outputs_.framesDir + name, pixels, kWidth, kHeight, outputs_.scale,
                            &reason)) {
            fail("cannot write " + outputs_.framesName + name + ": " + reason);
            return false;
        }
    }
    if (outputs_.video != nullptr) {
        const uint16_t* picture = pixels;
        if (!scaled_.empty()) {
            scaleRowsUp(pixels, kWidth, kHeight, outputs_.scale, scaled_.data(),
                        size_t(kWidth) * outputs_.scale);
            picture = scaled_.data();
        }
        const size_t count = size_t(kWidth) * kHeight * outputs_.scale * outputs_.scale;
        if (!outputs_.video->writeFrame(picture, count)) {
            fail("ffmpeg stopped taking frames");
            return false;
        }
    }
    return true;
}
