// brisklo_logo.cpp - the group's emblem, and "data/brisklo-logo-png.png"
// with its "-alpha" map, the logo that opens the demo.
//
// The intro blends rows 51-188, columns 15-309 of the logo over the particle
// field's streaming trails, a band that opens from the middle of the screen,
// with rows jittering sideways on the music's cue. Emblem and name sit side
// by side on the middle row with PRESENTS beneath the name; a wide soft
// shadow darkens the trails behind them so the letters read at every frame.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kWidth = 320, kHeight = 240;

}  // namespace

void paintBriskloEmblem(Canvas& canvas, float cx, float cy, float radius) {
    const int w = canvas.width(), h = canvas.height();
    Mask disc(w, h);
    addDisc(disc, cx, cy, radius);
    Mask ring(w, h);
    addRing(ring, cx, cy, radius * 0.88f, std::max(1.0f, radius * 0.055f));

    const TextStyle letterStyle{Typeface::kSansBold, radius * 1.3f, 0.92f, 0};
    const float cap = capHeight(letterStyle);
    const float baseline = cy + cap / 2;
    Mask letter(w, h);
    addTextCentred(letter, "B", letterStyle, cx + radius * 0.02f, baseline);
    Mask letterOutline = grown(letter, std::max(1.2f, radius * 0.05f));

    // The spark crosses the ring at its upper right.
    const float sx = cx + radius * 0.62f, sy = cy - radius * 0.62f;
    Mask spark(w, h);
    addSparkle(spark, sx, sy, radius * 0.5f, radius * 0.09f);
    Mask sparkGlow = halo(spark, 0, radius * 0.12f, 1.2f);

    canvas.paintMask(halo(disc, radius * 0.06f, radius * 0.12f, 1.0f), palette::kBlack, 0.75f);
    canvas.paintMask(disc, [&](int x, int y) {
        // A faint dome of light from the upper left gives the disc depth.
        const float d =
            std::hypot(x + 0.5f - (cx - radius * 0.4f), y + 0.5f - (cy - radius * 0.4f));
        return mix(palette::kViolet * 1.7f, palette::kViolet * 0.6f, clamp01(d / (radius * 1.6f)));
    });
    canvas.paintMask(ring, palette::kLime);
    canvas.paintMask(letterOutline, palette::kViolet * 0.6f);
    canvas.paintMask(letter,
                     [&](int, int y) { return chrome((y + 0.5f - (baseline - cap)) / cap); });
    canvas.paintMask(sparkGlow, palette::kFlameLight, 0.8f);
    canvas.paintMask(spark, palette::kSpark);
}

Canvas drawBriskloLogo() {
    const TextStyle nameStyle{Typeface::kSansBold, 46, 0.9f, 1.0f};
    const TextStyle captionStyle{Typeface::kSansBold, 11, 1.0f, 5.0f};
    const float cap = capHeight(nameStyle);
    const float emblemRadius = 34;
    const float nameWidth = textWidth("BRISKLO", nameStyle);
    const float gap = 12;
    const float left = 162 - (2 * emblemRadius + gap + nameWidth) / 2;
    const float nameX = left + 2 * emblemRadius + gap;
    const float baseline = 120 + cap / 2 - 6;

    Mask name(kWidth, kHeight);
    addText(name, "BRISKLO", nameStyle, nameX, baseline);
    Mask caption(kWidth, kHeight);
    const float captionWidth = textWidth("PRESENTS", captionStyle);
    addText(caption, "PRESENTS", captionStyle, nameX + nameWidth - captionWidth, baseline + 22);
    addCapsule(caption, nameX + 2, baseline + 17.5f, nameX + nameWidth - captionWidth - 10,
               baseline + 17.5f, 0.7f);

    Mask nameOutline = grown(name, 2.2f);
    Mask captionOutline = grown(caption, 1.4f);
    Mask shadow = halo(nameOutline, 4.0f, 5.0f, 1.2f);

    Canvas canvas(kWidth, kHeight);
    canvas.paintMask(shadow, palette::kBlack, 0.7f);
    canvas.paintMask(halo(captionOutline, 2.0f, 2.5f, 1.2f), palette::kBlack, 0.7f);
    paintBriskloEmblem(canvas, left + emblemRadius, 120, emblemRadius);
    canvas.paintMask(nameOutline, palette::kViolet * 0.7f);
    canvas.paintMask(captionOutline, palette::kViolet * 0.7f);
    canvas.paintMask(name, [&](int, int y) { return chrome((y + 0.5f - (baseline - cap)) / cap); });
    canvas.paintMask(caption, mix(palette::kLime, palette::kSpark, 0.2f));
    canvas.clipTo(15, 51, 309, 188);
    return canvas;
}
