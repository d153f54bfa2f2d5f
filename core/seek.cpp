#include "core/seek.h"

#include <iterator>
#include <map>

#include "core/engine_state.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

// By frame: the engine before that frame runs.
std::map<uint64_t, EngineState> gSaved;

// The copy that runs ahead: its engine between passes, and the frame it runs
// next. The live engine waits in gLive meanwhile (kept, to reuse its memory).
bool gAheadOn = true;
EngineState gAhead;
uint64_t gAheadFrame = 0;
EngineState gLive;

bool startsAPosition(uint64_t frame) {
    const int32_t rows = PatternData::rowsAt(static_cast<int32_t>(frameTimeMs(frame, Seek::kRate)));
    return frame == Seek::firstFrameOf(rows / PatternData::kRows);
}

void saveIfAPositionStart(uint64_t frame) {
    if (startsAPosition(frame) && gSaved.count(frame) == 0) gSaved[frame].save();
}

void restartAhead() {
    gAhead = EngineState();
    gAheadFrame = 0;
}

// The copy goes on from where it stopped, or from a later position start that
// a jump saved meanwhile.
void resumeAhead() {
    const auto furthest = std::prev(gSaved.end());
    if (gAhead.bytes() == 0 || furthest->first > gAheadFrame) {
        furthest->second.restore();
        gAheadFrame = furthest->first;
    } else {
        gAhead.restore();
    }
}

bool aheadMayRunAFrame(uint32_t dueTicks) {
    return platformIdleUs(dueTicks) > Seek::kAheadMarginUs;
}

}  // namespace

void Seek::rememberStart() {
    gSaved.clear();
    gSaved[0].save();
    restartAhead();
}

void Seek::runToFrame(uint64_t target) {
    if (gSaved.empty()) return;
    const auto from = std::prev(gSaved.upper_bound(target));
    const uint64_t first = from->first;
    from->second.restore();

    // The frames on the way are a plain run's, without the overlay, so that
    // the states saved on the way are the same whoever saves them. The
    // frame-rate counter of the overlay counts the frames the host shows on
    // its own clock, not these.
    const bool overlay = overlayEnabled;
    Display* display = Display::instance();
    const uint32_t fpsWindowStart = display->fpsWindowStart;
    const int fpsFrameCount = display->fpsFrameCount;
    setPresenting(Presenting::OffScreen);
    for (uint64_t frame = first;; ++frame) {
        if (frame != first) saveIfAPositionStart(frame);
        overlayEnabled = overlay && frame == target;
        Timeline::runFrameAt(static_cast<int>(frameTimeMs(frame, kRate)));
        if (frame == target || Timeline::ended()) break;
    }
    overlayEnabled = overlay;
    setPresenting(Presenting::Shown);
    display->fpsWindowStart = fpsWindowStart;
    display->fpsFrameCount = fpsFrameCount;
}

// The copy's frames, like those on the way to a jump, are a plain run's,
// without the overlay; their presents reach neither the window nor an
// observer.
void Seek::workAhead(uint32_t dueTicks) {
    if (!gAheadOn || gSaved.empty() || allPositionsSaved() || !aheadMayRunAFrame(dueTicks)) return;
    gLive.save();
    resumeAhead();
    const bool overlay = overlayEnabled;
    overlayEnabled = false;
    setPresenting(Presenting::Aside);
    for (int n = 0; n < kAheadFramesPerPass && aheadMayRunAFrame(dueTicks); ++n) {
        saveIfAPositionStart(gAheadFrame);
        if (allPositionsSaved()) break;
        Timeline::runFrameAt(static_cast<int>(frameTimeMs(gAheadFrame, kRate)));
        ++gAheadFrame;
    }
    setPresenting(Presenting::Shown);
    overlayEnabled = overlay;
    if (allPositionsSaved()) {
        restartAhead();
    } else {
        gAhead.save();
    }
    gLive.restore();
    if (allPositionsSaved()) gLive = EngineState();
}

void Seek::setWorkAhead(bool on) {
    gAheadOn = on;
}

bool Seek::allPositionsSaved() {
    // Only position starts are saved, the first being frame 0.
    return gSaved.size() == size_t(kLastPlayerPosition) + 1;
}

bool Seek::isSaved(uint64_t frame) {
    return gSaved.count(frame) != 0;
}

void Seek::forgetPositions() {
    if (!gSaved.empty()) gSaved.erase(std::next(gSaved.begin()), gSaved.end());
    restartAhead();
}

uint64_t Seek::firstFrameOf(int position) {
    return firstFrameAtOrAfter(
        static_cast<uint64_t>(PatternData::firstMsOfRow(position * PatternData::kRows)), kRate);
}

size_t Seek::savedBytes() {
    size_t total = gAhead.bytes();
    for (const auto& [frame, state] : gSaved) total += state.bytes();
    return total;
}
