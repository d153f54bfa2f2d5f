// offline_run.h - the demo's frames computed one after another as fast as
// they come, each at its own time on a fixed schedule: what offline capture
// writes, what the web page's test hooks check and what the benchmarks time.
//
// After start-up (demoStartUp), frame n runs at music time
// frameTimeMs(n, plan.rate), from frame 0 up to the plan's last frame or the
// frame that ends the demo, whichever comes first. No clock is read and
// nothing waits; the frames are those a live player shows while it keeps up
// with a schedule at the same rate. Main thread only.
#pragma once

#include <cstdint>

#include "core/frame_plan.h"
#include "core/screen_hash.h"

class OfflineRun {
  public:
    explicit OfflineRun(const FramePlan& plan) : plan_(plan) {}

    // Runs and presents the next frame; false, running nothing, once the run
    // is over.
    bool runNext();

    // The frame runNext() runs next, and its music time.
    uint64_t nextFrame() const { return next_; }
    uint32_t nextFrameMs() const;
    // The frame it ran last: its number, its time, whether the plan writes it.
    uint64_t frame() const { return next_ - 1; }
    uint32_t frameMs() const;
    bool written() const { return plan_.writes(frame()); }
    // Frames run so far.
    uint64_t framesRun() const { return next_; }
    bool done() const { return done_; }
    const FramePlan& plan() const { return plan_; }

  private:
    FramePlan plan_;
    uint64_t next_ = 0;
    bool done_ = false;
};

// The hash line of the frame just run ("n ms position row hash\n", see
// screen_hash.h), from the screen the viewer was shown.
void formatHashLineOf(const OfflineRun& run, char (&line)[kHashLineSize]);
