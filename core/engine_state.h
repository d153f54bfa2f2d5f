// engine_state.h - everything the frames change, saved whole and put back, so
// that the engine can return to an earlier moment without loading anything.
//
// A saved state holds the scenes' own fields and buffers (each scene lists
// them in its state() hook), the Timeline's scene mask and noise level, the
// music clock, the camera, the screen and its band, what the viewer was
// shown, and the demo's random generator. It leaves out the depth buffer,
// which every scene clears before it reads it, and what is not the picture's:
// the player's music origin and schedule (the player sets them for the frame
// it shows), the sound, and the viewer's overlay switch. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class EngineState {
  public:
    void save();
    void restore();
    size_t bytes() const { return bytes_.size(); }

  private:
    std::vector<uint8_t> bytes_;
};
