#include "core/frame_schedule.h"

#include "core/frame_plan.h"

std::optional<uint64_t> FrameSchedule::take(int32_t nowMs) {
    if (nowMs < 0) return std::nullopt;
    const uint64_t due = lastFrameAtOrBefore(uint64_t(nowMs), kPlayerRate);
    if (due < next_) return std::nullopt;
    uint64_t frame = next_;
    if (due - next_ > kMostFramesBehind) {
        skipped_ += due - next_;
        frame = due;
    }
    next_ = frame + 1;
    return frame;
}

void FrameSchedule::restartAfter(uint64_t frame) {
    next_ = frame + 1;
    skipped_ = 0;
}

uint32_t FrameSchedule::nextDueMs() const {
    return uint32_t(frameTimeMs(next_, kPlayerRate));
}
