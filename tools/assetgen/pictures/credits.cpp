// credits.cpp - "data/credits-<member>.png" and their "-alpha" maps.
//
// The credits scene zooms each picture about (160, 120), from strongly
// magnified through full size down to a dot, over a dark violet band full of
// warm sparks. The member's name is set large on that centre with the role
// beneath it in lime, both outlined in dark violet and lifted by a soft
// shadow so the sparks never swallow the letters. Coverage ends well inside
// the border, so the shrinking picture never shows its rectangle.
#include "pictures/pictures.h"

using namespace art;

namespace {

constexpr int kWidth = 320, kHeight = 240;
constexpr float kCentreX = 160, kCentreY = 120;

struct Member {
    const char* name;
    const char* role;
};

constexpr Member kMembers[] = {
    {"MERVO", "CODE"},
    {"TALLIK", "MUSIC"},
    {"SUNBO", "GRAPHICS"},
    {"YORREL", "DESIGN"},
};

}  // namespace

Canvas drawCredit(int member) {
    const Member& m = kMembers[member];
    const TextStyle nameStyle{Typeface::kSansBold, 46, 0.86f, 1.5f};
    const TextStyle roleStyle{Typeface::kSansBold, 12, 1.0f, 4.0f};
    const float cap = capHeight(nameStyle);
    // Name and role together centred on the zoom's centre.
    const float roleCap = capHeight(roleStyle);
    const float gap = 13;
    const float top = kCentreY - (cap + gap + roleCap) / 2;
    const float nameBaseline = top + cap;
    const float roleBaseline = nameBaseline + gap + roleCap;

    Mask name(kWidth, kHeight);
    addTextCentred(name, m.name, nameStyle, kCentreX, nameBaseline);
    Mask role(kWidth, kHeight);
    addTextCentred(role, m.role, roleStyle, kCentreX, roleBaseline);
    // Short rules either side of the role, as long as the name allows.
    const float nameHalf = textWidth(m.name, nameStyle) / 2;
    const float roleHalf = textWidth(m.role, roleStyle) / 2;
    const float ruleY = roleBaseline - roleCap / 2;
    if (nameHalf - roleHalf > 16) {
        addCapsule(role, kCentreX - nameHalf, ruleY, kCentreX - roleHalf - 8, ruleY, 0.7f);
        addCapsule(role, kCentreX + roleHalf + 8, ruleY, kCentreX + nameHalf, ruleY, 0.7f);
    }

    Mask nameOutline = grown(name, 2.0f);
    Mask roleOutline = grown(role, 1.4f);
    Mask shadow = halo(nameOutline, 2.0f, 3.0f, 1.3f);
    Mask roleShadow = halo(roleOutline, 1.0f, 2.0f, 1.3f);

    Canvas canvas(kWidth, kHeight);
    canvas.paintMask(shadow, palette::kBlack, 0.7f);
    canvas.paintMask(roleShadow, palette::kBlack, 0.7f);
    canvas.paintMask(nameOutline, palette::kViolet * 0.8f);
    canvas.paintMask(roleOutline, palette::kViolet * 0.8f);
    const float nameTop = nameBaseline - cap;
    canvas.paintMask(name, [&](int, int y) { return chrome((float(y) + 0.5f - nameTop) / cap); });
    canvas.paintMask(role, mix(palette::kLime, palette::kSpark, 0.2f));
    canvas.clipTo(8, 8, kWidth - 9, kHeight - 10);
    return canvas;
}
