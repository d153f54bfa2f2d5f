// title.h - the production's title over a moving table-driven background.
//
// The background of the letterbox band (screen rows 50..189) is a 256 x 256
// tiling pattern looked up through the distances to four wandering centres
// (summed: the texture row) and the angle around the fourth (the column), all
// read from two precomputed 512 x 512 tables. The title picture is blended
// over it through its alpha map, five rows lower than it is stored, and
// shakes sideways for five frames after every beat of the music (event 1).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "video/covered_picture.h"
#include "video/image.h"

class TitleScene {
  public:
    static constexpr int32_t kPulseStart = 0x140000;  // 20.0 pixels
    static constexpr int32_t kPulseFall = 0x40000;    // 4.0 pixels per update

    TitleScene();
    ~TitleScene();
    TitleScene(const TitleScene&) = delete;
    TitleScene& operator=(const TitleScene&) = delete;

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(time, beatNow, beatBefore, shakePhase, pulse, shake);
    }

    int32_t time = 0;                     // elapsed ms / 32
    uint8_t* distanceTable;               // 512 x 512, distance from (256, 256), at most 255
    uint8_t* angleTable;                  // 512 x 512, angle around (256, 256), 0..255
    std::unique_ptr<Image> patternImage;  // "data/seinae.png"
    std::unique_ptr<Image> titleImage;    // "data/title.png", read with screen indices
    std::unique_ptr<Image> titleMask;     // "data/title-alpha.png"
    uint8_t beatNow = 0;
    uint8_t beatBefore = 0;
    int32_t shakePhase = 0;  // low 16 bits index SineTable
    int32_t pulse = 0;       // shake amplitude, 16.16 pixels
    int32_t shake = 0;       // the title's horizontal offset this frame, pixels

  private:
    void drawBackground(uint16_t* pixels) const;
    void drawTitle(uint16_t* pixels) const;

    // The pattern in tiles of 4 x 4 texels (a cache line each), and the
    // title reduced to the runs it covers.
    std::vector<uint16_t> tiledPattern;
    std::unique_ptr<CoveredPicture> titleRuns;
};
