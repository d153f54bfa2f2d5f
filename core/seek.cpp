#include "core/seek.h"

#include <iterator>
#include <map>

#include "core/engine_state.h"
#include "music/pattern_data.h"
#include "platform/present.h"
#include "video/display.h"

namespace {

// By frame: the engine before that frame runs.
std::map<uint64_t, EngineState> gSaved;

bool startsAPosition(uint64_t frame) {
    const int32_t rows = PatternData::rowsAt(static_cast<int32_t>(frameTimeMs(frame, Seek::kRate)));
    return frame == Seek::firstFrameOf(rows / PatternData::kRows);
}

void saveIfAPositionStart(uint64_t frame) {
    if (startsAPosition(frame) && gSaved.count(frame) == 0) gSaved[frame].save();
}

}  // namespace

void Seek::rememberStart() {
    gSaved.clear();
    gSaved[0].save();
}

void Seek::runToFrame(uint64_t target) {
    if (gSaved.empty()) return;
    const auto from = std::prev(gSaved.upper_bound(target));
    const uint64_t first = from->first;
    from->second.restore();

    // The frame-rate counter of the overlay counts the frames the host shows
    // on its own clock, not these.
    Display* display = Display::instance();
    const uint32_t fpsWindowStart = display->fpsWindowStart;
    const int fpsFrameCount = display->fpsFrameCount;
    const ClockSetting host = platformClockSetting();
    platformUseFrameClock(musicStartTicks, kRate, first);
    platformSetPainting(false);
    for (uint64_t frame = first;; ++frame) {
        if (frame != first) saveIfAPositionStart(frame);
        Timeline::runFrame();
        if (frame == target || Timeline::ended()) break;
        platformEndFrame();
    }
    platformRestoreClock(host);
    platformSetPainting(true);
    display->fpsWindowStart = fpsWindowStart;
    display->fpsFrameCount = fpsFrameCount;
}

void Seek::forgetPositions() {
    if (!gSaved.empty()) gSaved.erase(std::next(gSaved.begin()), gSaved.end());
}

uint64_t Seek::firstFrameOf(int position) {
    return firstFrameAtOrAfter(
        static_cast<uint64_t>(PatternData::firstMsOfRow(position * PatternData::kRows)), kRate);
}

size_t Seek::savedBytes() {
    size_t total = 0;
    for (const auto& [frame, state] : gSaved) total += state.bytes();
    return total;
}
