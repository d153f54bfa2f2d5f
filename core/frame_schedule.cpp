#include "core/frame_schedule.h"

#include "core/frame_plan.h"

std::optional<uint64_t> FrameSchedule::take(int32_t nowMs) {
    if (nowMs < 0) return std::nullopt;
    const uint64_t due = lastFrameAtOrBefore(uint64_t(nowMs), kPlayerRate);
    if (due < next_) return std::nullopt;
    const uint64_t behind = due - next_;
    passesBehind_ = behind == 0 ? 0 : passesBehind_ + 1;
    uint64_t frame = next_;
    if (behind > kMostFramesBehind || passesBehind_ > kMostPassesBehind) {
        skipped_ += behind;
        frame = due;
    }
    next_ = frame + 1;
    return frame;
}

void FrameSchedule::restartAfter(uint64_t frame) {
    next_ = frame + 1;
    skipped_ = 0;
    passesBehind_ = 0;
}

uint32_t FrameSchedule::nextDueMs() const {
    return uint32_t(frameTimeMs(next_, kPlayerRate));
}
