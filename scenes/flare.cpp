#include "scenes/flare.h"

#include <cstring>

#include "fixed/random.h"
#include "fixed/tables.h"
#include "music/pattern_data.h"
#include "video/display.h"

FlareScene::FlareScene()
    : picture(loadPicture("data/velmira.png", Display::kWidth, Display::kHeight, true)),
      flareImage(loadPicture("data/flarealpha16.png", GlowSprite::kSize, GlowSprite::kSize, true)),
      glow(*flareImage, true) {
    // Four demoRand() calls a flare, in this order; they start inside x 20..299,
    // y 20..219, orange to pale yellow.
    for (Flare& f : flares) {
        const int c = demoRand() % 128 + 128;
        f.x = (demoRand() % 280 + 20) << 16;
        f.y = (demoRand() % 200 + 20) << 16;
        f.colour = 0xF800 | ((c >> 2) << 5) | (c >> 4);
        f.angle = demoRand() % 65535;
    }
    for (int i = 0; i < kFlares; ++i)
        glow.tint(static_cast<uint16_t>(flares[i].colour), &tintedGlows[i]);
}

void FlareScene::update(int /*elapsedMs: the scroll follows the music clock*/) {
    const PatternData& music = PatternData::instance();
    scrollRow = music.position() * PatternData::kRows + music.row() - kFirstMusicRow;
    // The picture stops at its bottom edge. It never starts before its top
    // either: the running order shows this scene only from position 28 on,
    // where the scroll is already 60, but a clock set earlier must not read
    // in front of the picture.
    if (scrollRow > picture->height - Display::kHeight)
        scrollRow = picture->height - Display::kHeight;
    if (scrollRow < 0) scrollRow = 0;

    // One pixel per update along a circle of about 104 pixels' radius.
    for (Flare& f : flares) {
        const int i = f.angle & 0xFFFF;
        f.x += SineTable[i];
        f.y += CosineTable[i];
        f.angle = static_cast<int32_t>(static_cast<uint32_t>(f.angle) + 100);
    }
}

void FlareScene::render() {
    Display* display = Display::instance();
    display->setBand(Display::kWholeScreen);
    memcpy(display->pixels, picture->pixels + scrollRow * Display::kWidth,
           Display::kPixelCount * sizeof(uint16_t));
    // Overlapping flares add up.
    for (int i = 0; i < kFlares; ++i) {
        GlowSprite::drawTinted(display->pixels, flares[i].x >> 16, flares[i].y >> 16,
                               tintedGlows[i]);
    }
}
