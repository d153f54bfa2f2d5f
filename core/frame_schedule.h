// frame_schedule.h - which frame of the 60 frames a second schedule the live
// player shows next, from the music time its host's clock reads.
//
// Frame n is due at music time frameTimeMs(n). While the host keeps up, each
// frame is shown in turn once it is due, and the frames are offline
// capture's. A host that falls a frame or two behind once (jitter, one slow
// frame) runs the ones it missed back to back and is in time again; one that
// falls further behind, or stays behind pass after pass (a machine too slow
// for 60 frames a second), takes the frame due now and skips those before
// it: fewer frames, each in its place in the music, as the console's own
// loop shows them. After a jump the schedule goes on from the frame the jump
// showed, and the frames are capture's again.
#pragma once

#include <cstdint>
#include <optional>

class FrameSchedule {
  public:
    // How far behind the next frame may be and still be run rather than
    // skipped, and for how many passes in a row.
    static constexpr uint64_t kMostFramesBehind = 2;
    static constexpr int kMostPassesBehind = 2;

    // The frame to run at music time nowMs, or nothing while the next one is
    // not due yet. Moves the schedule past it and counts what it skipped.
    std::optional<uint64_t> take(int32_t nowMs);
    // The frame just shown was `frame` (a jump's): the schedule goes on from
    // the next one, with no frame skipped yet.
    void restartAfter(uint64_t frame);

    uint64_t next() const { return next_; }
    // The music time at which next() is due.
    uint32_t nextDueMs() const;
    // Frames skipped since the start or the latest restart.
    uint64_t skipped() const { return skipped_; }

  private:
    uint64_t next_ = 0;
    uint64_t skipped_ = 0;
    int passesBehind_ = 0;  // in a row, up to this one
};
