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

#include "video/covered_picture.h"
#include "video/image.h"

class LogoOverlayScene {
  public:
    static constexpr int kTextureSize = 256;
    // The disc tables reach texture rows 2..183 only: each texture column
    // holds those rows (and rows 0 and 1 unused), one column after another.
    static constexpr int kSampledRows = 184;
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
        s.buffer(texture, kTextureSize * kSampledRows);
    }

    // The logo is drawn from runs made of logo and logoAlpha when they load:
    // after changing their pixels, this makes them again.
    void logoChanged();

    // The texture's texel at row (2..183) and column (0..255).
    uint16_t texel(int row, int column) const { return texture[column * kSampledRows + row]; }
    // Which texel the disc tables' cell (row, column) samples: row << 8 | column.
    int sampledTexel(int cell) const {
        const int at = texelAt[cell];
        return (at % kSampledRows) << 8 | at / kSampledRows;
    }

    int32_t quarterTime = 0;  // elapsed ms / 4 of the latest update
    // 512 x 512: where in `texture` the texel of each offset from a disc's
    // centre lies, for its distance (the texture row) and angle (the column).
    uint16_t* texelAt;
    uint16_t* texture;  // 256 columns of kSampledRows RGB565 texels
    int32_t window1X = 0, window1Y = 0;
    int32_t angle1 = 1000;
    int32_t window2X = 0, window2Y = 0;
    int32_t angle2 = 16000;
    std::unique_ptr<Image> logo;               // "data/logo-overlay.png", read with screen indices
    std::unique_ptr<Image> logoAlpha;          // "data/logo-overlay-alpha.png"
    std::unique_ptr<CoveredPicture> logoRuns;  // the left half of the logo, by what it covers

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
