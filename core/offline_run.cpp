#include "core/offline_run.h"

#include "core/timeline.h"
#include "music/pattern_data.h"
#include "video/display.h"
#include "video/visible_screen.h"

uint32_t OfflineRun::nextFrameMs() const {
    return uint32_t(frameTimeMs(next_, plan_.rate));
}

uint32_t OfflineRun::frameMs() const {
    return uint32_t(frameTimeMs(frame(), plan_.rate));
}

bool OfflineRun::runNext() {
    if (done_) return false;
    Timeline::runFrameAt(int(nextFrameMs()));
    done_ = Timeline::ended() || next_ >= plan_.lastFrame();
    ++next_;
    return true;
}

void formatHashLineOf(const OfflineRun& run, char (&line)[kHashLineSize]) {
    const PatternData& music = PatternData::instance();
    formatHashLine(line, run.frame(), run.frameMs(), music.position(), music.row(),
                   screenHash(visibleScreen(), size_t(Display::kPixelCount)));
}
