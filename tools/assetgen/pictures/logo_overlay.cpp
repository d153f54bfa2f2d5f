// logo_overlay.cpp - "data/logo-overlay.png" and its "-alpha" map: the
// group's emblem and name beside the two flame discs.
//
// The scene blends columns 0-159 of every row, but only its band, rows
// 50-189, is painted afresh each frame: a soft edge drawn over the bars would
// be blended onto itself frame after frame until it turned hard. So the logo
// keeps to rows 51-189 of the left half, the emblem above the name, both
// ringed by a dark halo that separates them from the orange flames.
#include "pictures/pictures.h"

using namespace art;

Canvas drawLogoOverlay() {
    constexpr int kWidth = 320, kHeight = 240;
    constexpr float kCentreX = 80;
    const TextStyle nameStyle{Typeface::kSansBold, 31, 0.9f, 1.0f};
    const float cap = capHeight(nameStyle);
    const float baseline = 166;

    Mask name(kWidth, kHeight);
    addTextCentred(name, "BRISKLO", nameStyle, kCentreX, baseline);
    Mask nameOutline = grown(name, 1.8f);

    Canvas canvas(kWidth, kHeight);
    canvas.paintMask(halo(nameOutline, 3.0f, 4.0f, 1.3f), palette::kBlack, 0.75f);
    paintBriskloEmblem(canvas, kCentreX, 98, 38);
    canvas.paintMask(nameOutline, palette::kViolet * 0.7f);
    canvas.paintMask(name, [&](int, int y) { return chrome((y + 0.5f - (baseline - cap)) / cap); });
    canvas.clipTo(0, 51, 159, 189);
    return canvas;
}
