// engine_state.h - everything the frames change, saved whole and put back, so
// that the engine can return to an earlier moment without loading anything.
//
// A saved state holds the scenes' own fields and buffers (each scene lists
// them in its state() hook), the Timeline's scene mask and noise level, the
// music clock, the camera, the screen and its band, what the viewer was
// shown, and the demo's random generator. It leaves out the depth buffer,
// which every scene clears before it reads it, and what is not the picture's:
// the player's music origin and schedule (the player sets them for the frame
// it shows), the sound, and the viewer's overlay switch.
//
// States are kept in chunks of kStateChunkBytes, and every state shares the
// chunks whose bytes another state already holds: a scene that was not
// running between two saves (its buffers unchanged), or a screen that equals
// the picture shown, costs its memory once. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/state_copy.h"

constexpr size_t kStateChunkBytes = StateCopy::kPage;

class EngineState {
  public:
    EngineState() = default;
    EngineState(const EngineState& other);
    EngineState(EngineState&& other) noexcept;
    EngineState& operator=(EngineState other) noexcept;
    ~EngineState();

    void save();
    // Puts the saved state back; nothing if none was saved.
    void restore() const;
    // The state's size, shared chunks counted in full.
    size_t bytes() const { return size_; }

    struct Chunk;

  private:
    void release();

    std::vector<Chunk*> chunks_;  // each counts this state among its holders
    size_t size_ = 0;
};

// The memory the chunks of all states held now take, each chunk once.
size_t engineStateChunkBytes();
