// credits.h - the four members' credit pictures zooming out of the screen
// centre one after another, over 500 sparks spiralling outward.
//
// A credit zooms slowly (its progress, the sampling step, grows 32 per ms and
// reaches full size after 2048 ms), then, once past 1.22, 17 times as fast;
// past 25.0 the next credit takes over. The last one shrinks on
// until it is no longer drawn. The scene follows the milliseconds it is given,
// not the music's events. The sparks move one step per update and add a
// tinted glow each.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "fixed/fixed.h"
#include "scenes/glow_sprite.h"
#include "video/image.h"

struct Credit {
    Image* picture = nullptr;  // 320 wide, at least 239 rows
    Image* mask = nullptr;     // its alpha map
    Fixed progress = 0;        // zoom progress and sampling step: 65536 is full size
    // The sampled window (picture coordinates at screen (0, 0), step per
    // pixel), set by every update of this credit and at its hand-over.
    Fixed posX = 0;
    Fixed posY = 0;
    Fixed scale = 0;
    int32_t outTime = 0;     // ms since the fast phase began
    int32_t startTime = -1;  // ms at which this credit started; -1 not yet
    int32_t outStart = -1;   // ms at which the fast phase began; -1 not yet
};

struct Spark {
    Fixed x = 0, y = 0;  // the sprite's top-left corner on the screen
    int32_t angle = 0;   // low 16 bits index the sine and cosine tables
    Fixed speed = 0;     // pixels per update, may be negative
    uint16_t colour = 0;
    uint8_t active = 0;  // released: moving and drawn
};

class CreditsScene {
  public:
    static constexpr int kCredits = 4;
    static constexpr int kSparks = 500;
    static constexpr uint16_t kBandColour = 0x3028;
    // The next credit takes over once the current one's progress passes
    // 25.0, where it stops being drawn. At any steady frame rate that happens
    // between 25.0 and 30.0; a late update (a stalled frame) past 30.0 still
    // hands over rather than leaving the remaining credits unshown.
    static constexpr Fixed kHandOverFrom = 0x190001;
    static constexpr Fixed kDrawnBelow = 0x190000;
    static constexpr Fixed kHandOverProgress = 30000;

    CreditsScene();
    ~CreditsScene() = default;
    CreditsScene(const CreditsScene&) = delete;
    CreditsScene& operator=(const CreditsScene&) = delete;

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(credits, current, sparks, nextSpark);
    }

    // Loaded first, before the credit pictures.
    std::unique_ptr<Image> flareImage;  // "data/flarealpha16.png"
    std::unique_ptr<Image> pictures[kCredits];
    std::unique_ptr<Image> masks[kCredits];
    Credit credits[kCredits];
    int32_t current = 0;
    Spark sparks[kSparks];
    int32_t nextSpark = 0;  // the spark released last

  private:
    void moveSparks();
    void drawSparks(uint16_t* pixels);
    void drawCredit(uint16_t* pixels, int credit) const;

    // The columns of each mask row with any coverage, first .. end - 1 (none
    // when first == end), found once for each credit's mask: most of a
    // credit picture is transparent, and those columns are never sampled.
    struct LitColumns {
        const Image* mask = nullptr;  // the mask they were found in
        uint16_t first[239];
        uint16_t end[239];
    };
    const LitColumns& litColumnsOf(int credit) const;
    mutable LitColumns litColumns[kCredits];

    GlowSprite glow;
    // Spark colours come from a small set: each distinct colour's tinted
    // sprite is made once, and every spark keeps the index of its own.
    std::vector<TintedGlow> tintedGlows;
    uint16_t glowOf[kSparks];
    // The sparks from the top of the screen down, as last drawn.
    uint16_t drawOrder[kSparks];
};
