// flare.h - the last section: a tall picture scrolling upward in step with the
// music, one picture row per music row, under 40 coloured glows drifting on
// slow circles.
//
// The scroll follows the music clock, so it is the same at any frame rate; the
// glows move one pixel per update.
#pragma once

#include <cstdint>
#include <memory>

#include "fixed/fixed.h"
#include "scenes/glow_sprite.h"
#include "video/image.h"

struct Flare {
    Fixed x = 0, y = 0;  // the sprite's top-left corner on the screen
    int32_t colour = 0;  // RGB565 tint: red 31, green 32..63, blue 8..15
    int32_t angle = 0;   // direction of motion; low 16 bits index the tables
};

class FlareScene {
  public:
    static constexpr int kFlares = 40;
    // Music row 3524 (position 27, row 68) shows picture row 0: the scroll is
    // at 60 when position 28 starts.
    static constexpr int32_t kFirstMusicRow = 3524;

    FlareScene();
    ~FlareScene() = default;
    FlareScene(const FlareScene&) = delete;
    FlareScene& operator=(const FlareScene&) = delete;

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(scrollRow, flares);
    }

    std::unique_ptr<Image> picture;     // "data/velmira.png": 320 wide, at least 240 rows
    std::unique_ptr<Image> flareImage;  // "data/flarealpha16.png"
    int32_t scrollRow = 0;              // first picture row shown
    Flare flares[kFlares];

  private:
    GlowSprite glow;
    TintedGlow tintedGlows[kFlares];  // each flare's colour is fixed
};
