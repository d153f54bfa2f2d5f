// title.cpp - "data/title.png" and "data/title-alpha.png", the production's
// name over the title scene's moving pattern.
//
// The scene blends only rows 45-194 and columns 30-284 of the picture, five
// rows lower on the screen, and shakes them sideways on the beat; its band
// shows screen rows 51-189, so everything lies within picture rows 50-180.
// ONDRIVALE is set large in chrome-like bands (warm white above a horizon
// line, flame orange below), held apart from the busy pattern by a dark
// violet outline and a soft drop shadow; a lime credit line sits beneath.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr int kLeft = 30, kTop = 45, kRight = 284, kBottom = 194;
constexpr float kCentreX = (kLeft + kRight + 1) / 2.0f;

}  // namespace

Canvas drawTitle() {
    TextStyle big{Typeface::kSansBold, 48, 0.7f, 1.0f};
    const float cap = capHeight(big);
    const float baseline = 119;
    Mask letters(kWidth, kHeight);
    addTextCentred(letters, "ONDRIVALE", big, kCentreX, baseline);

    TextStyle small{Typeface::kSansBold, 11, 1.0f, 2.6f};
    Mask credit(kWidth, kHeight);
    addTextCentred(credit, "A BRISKLO PRODUCTION", small, kCentreX, baseline + 26);
    const float creditHalf = textWidth("A BRISKLO PRODUCTION", small) / 2;
    addCapsule(credit, kCentreX - creditHalf - 34, baseline + 22, kCentreX - creditHalf - 10,
               baseline + 22, 0.6f);
    addCapsule(credit, kCentreX + creditHalf + 10, baseline + 22, kCentreX + creditHalf + 34,
               baseline + 22, 0.6f);

    Mask outline = grown(letters, 2.2f);
    Mask shadow = halo(letters, 3.0f, 3.5f, 1.4f);
    Mask creditShadow = halo(credit, 1.5f, 1.6f, 1.6f);

    Canvas canvas(kWidth, kHeight);
    const float top = baseline - cap;
    canvas.paintMask(shadow, palette::kBlack, 0.75f);
    canvas.paintMask(creditShadow, palette::kBlack, 0.8f);
    canvas.paintMask(outline, palette::kViolet * 0.7f);
    canvas.paintMask(letters, [&](int, int y) { return chrome((float(y) + 0.5f - top) / cap); });
    canvas.paintMask(credit, mix(palette::kLime, palette::kSpark, 0.2f));

    canvas.clipTo(kLeft, kTop, kRight, kBottom);
    return canvas;
}
