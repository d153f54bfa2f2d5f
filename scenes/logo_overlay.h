// logo_overlay.h - two flame-edged discs drifting in the letterbox band, and
// the group's logo laid over the left half of the screen.
//
// Both discs come from one 256 x 256 texture whose rows are distances from a
// disc's centre and whose columns are angles around it: two precomputed
// 512 x 512 tables turn a screen offset into that texture index, and each disc
// is looked up through its own window into the tables. The texture is redrawn
// every update as 256 vertical gradients whose lengths ripple with the music
// time, so each disc's edge flickers like a flame; the discs are combined per
// pixel by the smaller colour value.
#pragma once

#include <cstdint>
#include <memory>

#include "video/image.h"

class LogoOverlayScene {
  public:
    static constexpr int kTextureSize = 256;
    static constexpr uint16_t kFlameInner = 0xFD90;
    static constexpr uint16_t kFlameOuter = 0xFB40;

    LogoOverlayScene();
    ~LogoOverlayScene();
    LogoOverlayScene(const LogoOverlayScene&) = delete;
    LogoOverlayScene& operator=(const LogoOverlayScene&) = delete;

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(quarterTime, window1X, window1Y, angle1, window2X, window2Y, angle2);
        s.buffer(texture, kTextureSize * kTextureSize);
    }

    int32_t quarterTime = 0;  // elapsed ms / 4 of the latest update
    uint16_t* distanceTable;  // 512 x 512: texture row << 8, rows 2..183
    uint16_t* angleTable;     // 512 x 512: texture column, 0..255
    uint16_t* texture;        // 256 x 256 RGB565, index row * 256 + column
    int32_t window1X = 0, window1Y = 0;
    int32_t angle1 = 1000;
    int32_t window2X = 0, window2Y = 0;
    int32_t angle2 = 16000;
    std::unique_ptr<Image> logo;       // "data/logo-overlay.png", read with screen indices
    std::unique_ptr<Image> logoAlpha;  // "data/logo-overlay-alpha.png"

  private:
    void drawFlames(const int* lengths);
    void drawDiscs(uint16_t* pixels) const;
    void drawLogo(uint16_t* pixels) const;

    // The two gradients of a flame column by their 8-bit weight: the inner one
    // between kFlameInner and kFlameOuter, the outer fade from kFlameOuter to
    // black by a fourth-power fall-off of q.
    uint16_t innerByWeight[256];
    uint16_t outerByQ[256];
};
