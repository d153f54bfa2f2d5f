#include "pictures/pictures.h"

namespace {

// Placeholder art until each picture gets its own drawing: a colour ramp for
// pictures, a soft-edged box for alpha maps, so scenes can load and show them.
RgbPicture ramp(int width, int height) {
    RgbPicture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.set(x, y, uint8_t(x * 255 / width), uint8_t(y * 255 / height), 128);
    return p;
}

RgbPicture box(int width, int height, int left, int top, int right, int bottom) {
    RgbPicture p(width, height);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) p.set(x, y, 255, 255, 255);
    return p;
}

RgbPicture glow16() {
    RgbPicture p(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int d2 = (2 * x - 15) * (2 * x - 15) + (2 * y - 15) * (2 * y - 15);
            const int v = d2 >= 225 ? 0 : 255 - d2 * 255 / 225;
            p.set(x, y, uint8_t(v), uint8_t(v), uint8_t(v));
        }
    return p;
}

}  // namespace

const std::vector<PictureEntry>& pictureList() {
    static const std::vector<PictureEntry> list = {
        {"data/seinae.png", 256, 256, [] { return ramp(256, 256); }},
        {"data/title.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/title-alpha.png", 320, 240, [] { return box(320, 240, 40, 60, 280, 180); }},
        {"data/logo-overlay.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/logo-overlay-alpha.png", 320, 240, [] { return box(320, 240, 10, 60, 150, 180); }},
        {"data/credits-mervo.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/credits-tallik.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/credits-sunbo.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/credits-yorrel.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/credits-mervo-alpha.png", 320, 240, [] { return box(320, 240, 60, 80, 260, 160); }},
        {"data/credits-tallik-alpha.png", 320, 240, [] { return box(320, 240, 60, 80, 260, 160); }},
        {"data/credits-sunbo-alpha.png", 320, 240, [] { return box(320, 240, 60, 80, 260, 160); }},
        {"data/credits-yorrel-alpha.png", 320, 240, [] { return box(320, 240, 60, 80, 260, 160); }},
        {"data/velmira.png", 320, 811, [] { return ramp(320, 811); }},
        {"data/flarealpha16.png", 16, 16, glow16},
        {"data/env.png", 256, 256, [] { return ramp(256, 256); }},
        {"data/brisklo-logo-png.png", 320, 240, [] { return ramp(320, 240); }},
        {"data/brisklo-logo-png-alpha.png", 320, 240,
         [] { return box(320, 240, 20, 60, 300, 180); }},
        {"data/greets.png", 512, 15, [] { return ramp(512, 15); }},
        {"data/flower.png", 256, 256, [] { return ramp(256, 256); }},
        {"data/kukkatausta.png", 640, 240, [] { return ramp(640, 240); }},
    };
    return list;
}

bool writePictures(const std::string& runDir) {
    for (const PictureEntry& entry : pictureList()) {
        if (!writePng(outputPath(runDir, entry.name), entry.draw())) return false;
    }
    return true;
}
