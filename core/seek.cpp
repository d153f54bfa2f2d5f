#include "core/seek.h"

#include <deque>
#include <iterator>
#include <map>

#include "core/engine_state.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

// By frame: the engine before that frame runs. The save points, kept; the
// trail, the latest few states passed on the way to a jump.
std::map<uint64_t, EngineState> gSaved;
std::map<uint64_t, EngineState> gTrail;
std::deque<uint64_t> gTrailOrder;  // oldest first

// The copy that runs ahead: its engine between passes, and the frame it runs
// next.
bool gAheadOn = true;
EngineState gAhead;
uint64_t gAheadFrame = 0;

constexpr int kSavePoints = (kLastPlayerPosition + 1) * PatternData::kRows / Seek::kSavePointRows;

uint64_t firstFrameOfRow(int32_t rows) {
    return firstFrameAtOrAfter(static_cast<uint64_t>(PatternData::firstMsOfRow(rows)), Seek::kRate);
}

bool isASavePoint(uint64_t frame) {
    const int32_t rows = PatternData::rowsAt(static_cast<int32_t>(frameTimeMs(frame, Seek::kRate)));
    return rows < kSavePoints * Seek::kSavePointRows &&
           frame == firstFrameOfRow(rows - rows % Seek::kSavePointRows);
}

void rememberOnTheWay(uint64_t frame) {
    if (isASavePoint(frame)) {
        if (gSaved.count(frame) == 0) gSaved[frame].save();
        return;
    }
    if (frame % Seek::kTrailFrames != 0 || gTrail.count(frame) != 0) return;
    if (gTrailOrder.size() == size_t(Seek::kTrailStates)) {
        gTrail.erase(gTrailOrder.front());
        gTrailOrder.pop_front();
    }
    gTrail[frame].save();
    gTrailOrder.push_back(frame);
}

void forgetTrail() {
    gTrail.clear();
    gTrailOrder.clear();
}

// The latest state at or before the frame, saved or on the trail.
std::pair<uint64_t, const EngineState*> startFor(uint64_t target) {
    const auto saved = std::prev(gSaved.upper_bound(target));
    const auto trail = gTrail.upper_bound(target);
    if (trail != gTrail.begin() && std::prev(trail)->first > saved->first) {
        return {std::prev(trail)->first, &std::prev(trail)->second};
    }
    return {saved->first, &saved->second};
}

void restartAhead() {
    gAhead = EngineState();
    gAheadFrame = 0;
}

// The copy goes on from where it stopped, or from a later save point that a
// jump saved meanwhile.
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
    forgetTrail();
    gSaved[0].save();
    restartAhead();
}

uint64_t Seek::framesToReach(uint64_t target) {
    if (gSaved.empty()) return 0;
    return target - startFor(target).first + 1;
}

void Seek::runToFrame(uint64_t target) {
    if (gSaved.empty()) return;
    const auto [first, state] = startFor(target);
    state->restore();

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
        if (frame != first) rememberOnTheWay(frame);
        overlayEnabled = overlay && frame == target;
        Timeline::runFrameAt(static_cast<int>(frameTimeMs(frame, kRate)));
        if (frame == target || Timeline::ended()) break;
    }
    overlayEnabled = overlay;
    setPresenting(Presenting::Shown);
    display->fpsWindowStart = fpsWindowStart;
    display->fpsFrameCount = fpsFrameCount;
}

namespace {

// Runs `work` on a copy of the engine, put back as it was afterwards: frames
// a plain run's, without the overlay, whose presents reach neither the window
// nor an observer.
template <class Work>
void aside(Work work) {
    EngineState live;
    live.save();
    const bool overlay = overlayEnabled;
    overlayEnabled = false;
    setPresenting(Presenting::Aside);
    work();
    setPresenting(Presenting::Shown);
    overlayEnabled = overlay;
    live.restore();
}

}  // namespace

void Seek::workAhead(uint32_t dueTicks) {
    if (!gAheadOn || gSaved.empty() || allPositionsSaved() || !aheadMayRunAFrame(dueTicks)) return;
    aside([dueTicks] {
        resumeAhead();
        for (int n = 0; n < kAheadFramesPerPass && aheadMayRunAFrame(dueTicks); ++n) {
            if (isASavePoint(gAheadFrame) && gSaved.count(gAheadFrame) == 0) {
                gSaved[gAheadFrame].save();
            }
            if (allPositionsSaved()) break;
            Timeline::runFrameAt(static_cast<int>(frameTimeMs(gAheadFrame, kRate)));
            ++gAheadFrame;
        }
        if (allPositionsSaved()) {
            restartAhead();
        } else {
            gAhead.save();
        }
    });
}

void Seek::workBehind(uint64_t shown, uint32_t dueTicks) {
    if (gSaved.empty() || shown == 0 || !aheadMayRunAFrame(dueTicks)) return;
    const uint64_t target = shown - 1;
    const auto covered = [target] {
        return target - startFor(target).first < uint64_t(kTrailFrames);
    };
    if (covered()) return;
    aside([&] {
        const auto [first, state] = startFor(target);
        state->restore();
        uint64_t frame = first;
        for (int n = 0; n < kAheadFramesPerPass && aheadMayRunAFrame(dueTicks); ++n) {
            Timeline::runFrameAt(static_cast<int>(frameTimeMs(frame, kRate)));
            rememberOnTheWay(++frame);
            if (frame >= target || covered()) break;
        }
    });
}

void Seek::setWorkAhead(bool on) {
    gAheadOn = on;
}

bool Seek::allPositionsSaved() {
    // Only save points are kept there, the first being frame 0.
    return gSaved.size() == size_t(kSavePoints);
}

void Seek::forgetPositions() {
    if (!gSaved.empty()) gSaved.erase(std::next(gSaved.begin()), gSaved.end());
    forgetTrail();
    restartAhead();
}

uint64_t Seek::firstFrameOf(int position) {
    return firstFrameOfRow(position * PatternData::kRows);
}

uint64_t Seek::lastFrame() {
    return firstFrameOf(kEndPosition) - 1;
}

int Seek::positionOf(uint64_t frame) {
    return PatternData::rowsAt(static_cast<int32_t>(frameTimeMs(frame, kRate))) /
           PatternData::kRows;
}

size_t Seek::savedBytes() {
    return engineStateChunkBytes();
}
