#include "capture/sound_writer.h"

#include "capture/frame_files.h"
#include "capture/sound_collector.h"
#include "capture/video_encoder.h"

SoundWriter::SoundWriter(SoundCollector* sound, const FramePlan& plan, WavWriter* wav,
                         VideoEncoder* video)
    : sound_(sound), plan_(plan), wav_(wav), video_(video), lastFrame_(plan.lastFrame()) {
    buffer_.resize((soundFrameAt(1, plan.rate) + 1) * 2);
    thread_ = std::thread([this] { run(); });
}

SoundWriter::~SoundWriter() {
    finish();
}

void SoundWriter::endWith(uint64_t lastFrame) {
    if (lastFrame >= lastFrame_.load()) return;
    lastFrame_.store(lastFrame);
    // The thread may be waiting for sound past the new end: a late --from
    // makes it wait for the decoder to get there.
    sound_->endAt(soundFrameAt(lastFrame + 1, plan_.rate));
}

bool SoundWriter::finish() {
    if (thread_.joinable()) thread_.join();
    if (wav_ != nullptr)
        wavOk_ = wav_->finish(plan_.soundSamplesThrough(lastFrame_.load())) && wavOk_;
    wav_ = nullptr;
    return wavOk_;
}

void SoundWriter::run() {
    bool toVideo = video_ != nullptr;
    for (uint64_t n = plan_.firstWrittenFrame(); n <= lastFrame_.load();
         n = plan_.nextWrittenAfter(n)) {
        const uint64_t from = soundFrameAt(n, plan_.rate);
        const uint64_t to = soundFrameAt(n + 1, plan_.rate);
        if (!sound_->take(from, to, buffer_.data()) && !lost_.load()) {
            lostFromMs_.store(frameTimeMs(n, plan_.rate));
            lost_.store(true);
        }
        if (n > lastFrame_.load()) break;
        sound_->skipTo(soundFrameAt(plan_.nextWrittenAfter(n), plan_.rate));
        if (wav_ != nullptr && wavOk_) wavOk_ = wav_->write(buffer_.data(), size_t(to - from));
        // A refused write means ffmpeg has ended: its exit status tells why.
        if (toVideo) toVideo = video_->writeSound(buffer_.data(), size_t(to - from));
    }
    if (video_ != nullptr) video_->closeSound();
}
