// The whole demo on a stepped clock, start-up to shutdown, watched as a viewer
// sees it: every presented band is copied into a visible screen, and every
// eighth frame of each position 0-34 is checked for its own scene in its own
// place. After every frame, the rows the active scene must paint anew are
// filled with the colour key, which no scene draws: a scene that draws
// nothing there, or draws elsewhere, leaves it in view. Under the sanitizer
// build the same run checks that no scene reads outside a picture, mesh or
// table.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <string>
#include <vector>

#include "core/demo.h"
#include "core/scenes.h"
#include "core/timeline.h"
#include "platform/clock.h"
#include "platform/desktop/controls.h"
#include "platform/present.h"
#include "scenes/credits.h"
#include "scenes/env_mesh.h"
#include "scenes/flare.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"
#include "tests/scenes/scripted_music.h"
#include "video/visible_screen.h"

namespace {

constexpr uint16_t kLeftover = 0xF81F;
constexpr uint16_t kBar = 0x1082;
constexpr uint16_t kLine = 0x76C0;
constexpr int kFar = 0x1E0000;

using Screen = std::vector<uint16_t>;

struct Watch {
    Screen seen = Screen(76800, kLeftover);
    int frames[36] = {};
    std::string fault[36];          // the first fault seen in each position
    std::bitset<65536> envColours;  // what the environment-mapped mesh can draw
    std::vector<bool> logoReach;    // pixels a jittered intro logo row can cover
};

// Channel by channel at least `under`: only light was added.
bool brightens(uint16_t p, uint16_t under) {
    return (p >> 11) >= (under >> 11) && ((p >> 5) & 63) >= ((under >> 5) & 63) &&
           (p & 31) >= (under & 31);
}

std::string at(const char* what, int p) {
    return std::string(what) + " wrong at x " + std::to_string(p % 320) + " y " +
           std::to_string(p / 320);
}

// Letterbox of margin m seen from column x0 on: bars outside, lines on rows m
// and 240 - m. Row m - 1 is left out while the band opens (picture or bar).
std::string letterboxFault(const Screen& s, int m, int x0 = 0) {
    for (int p = 0; p < 76800; ++p) {
        const int y = p / 320;
        if (p % 320 < x0 || (y == m - 1 && m > 50) || (y > m && y < 240 - m)) continue;
        if (s[p] != (y == m || y == 240 - m ? kLine : kBar)) return at("letterbox", p);
    }
    return "";
}

// The particle field between its lines, the intro logo over it where fully
// covered (a jittered row only where no logo pixel can reach).
std::string introFault(const Watch& w, const Screen& s) {
    const PatternData& music = PatternData::instance();
    const int m = music.position() == 0 ? std::max(120 - music.row(), 50) : 50;
    if (std::string f = letterboxFault(s, m); !f.empty()) return f;
    const EnvMeshScene& intro = *gEnvMeshScene;
    const uint16_t* field = gParticleFieldScene->front();
    for (int p = (m + 1) * 320; p < (240 - m) * 320; ++p) {
        const bool logoRow = p < (239 - m) * 320;
        const int a = logoRow ? coverageOf(intro.logoMask->pixels[p]) : 0;
        if (logoRow && intro.glitch ? w.logoReach[p] : a > 0 && a < 63) continue;
        if (s[p] != (a == 63 ? intro.logoImage->pixels[p] : field[p - 50 * 320]))
            return at("intro", p);
    }
    return "";
}

// Wherever the mesh left no depth, the particle field between dark bands and
// the top frame line (the bottom one lies under the lower band).
std::string meshFault(const Watch& w, const Screen& s) {
    const int32_t* depth = Display::instance()->depth;
    const uint16_t* field = gParticleFieldScene->front();
    int meshPixels = 0;
    for (int p = 0; p < 76800; ++p) {
        const int y = p / 320;
        if (depth[p] != kFar) {
            ++meshPixels;
            if (!w.envColours.test(s[p])) return at("mesh", p);
        } else if (s[p] != (y < 50 || y >= 190 ? kBar : y == 50 ? kLine : field[p - 50 * 320])) {
            return at("field under the mesh", p);
        }
    }
    return meshPixels > 500 ? "" : "mesh not drawn";
}

// Every opaque title pixel five rows lower, shaken sideways, inside the band.
std::string titleFault(const Screen& s) {
    const TitleScene& title = *gTitleScene;
    for (int p = 0; p < 76800; ++p) {
        const int y = p / 320;
        if (y != 49 && y != 239 && (y < 51 || y > 189) &&
            s[p] != (y == 50 || y == 190 ? kLine : kBar))
            return at("title letterbox", p);
    }
    int opaque = 0;
    for (int src = 46 * 320; src < 185 * 320; ++src) {
        const int x = src % 320;
        if (x < 30 || x > 284 || coverageOf(title.titleMask->pixels[src]) != 63) continue;
        ++opaque;
        if (s[src + 1600 + title.shake] != title.titleImage->pixels[src]) return at("title", src);
    }
    return opaque > 1000 ? "" : "title not drawn";
}

// The logo over the left half; the right half keeps the letterbox.
std::string logoOverlayFault(const Screen& s) {
    if (std::string f = letterboxFault(s, 50, 160); !f.empty()) return f;
    const LogoOverlayScene& overlay = *gLogoOverlayScene;
    for (int p = 0; p < 76800; ++p) {
        if (p % 320 < 160 && coverageOf(overlay.logoAlpha->pixels[p]) == 63 &&
            s[p] != overlay.logo->pixels[p])
            return at("logo", p);
    }
    return "";
}

// The current credit zoomed about the screen centre where its mask is opaque;
// where it is clear, the letterbox and the sparks' light over the dark band.
std::string creditsFault(const Screen& s) {
    const Credit& c = gCreditsScene->credits[gCreditsScene->current];
    const bool shown = c.progress >= 1 && c.progress < 0x190000;
    // The picture's centre stays on the screen's centre at any zoom.
    if (shown && (c.posX + 160u * c.scale != 0xA00000 || c.posY + 120u * c.scale != 0x780000))
        return "credit not centred";
    for (int p = 0; p < 76800; ++p) {
        const int y = p / 320;
        const uint32_t v = c.posY + static_cast<uint32_t>(y) * c.scale;
        const uint32_t u = c.posX + static_cast<uint32_t>(p % 320) * c.scale;
        const int src = (v >> 16) * 320 + (u >> 16);
        const bool sampled = shown && y < 239 && v < 0xEF0000 && u <= 0x13EFFFF;
        const int a = sampled ? coverageOf(c.mask->pixels[src]) : 0;
        if (a == 63 && s[p] != c.picture->pixels[src]) return at("credit", p);
        if (a != 0) continue;
        if (y == 50 || y == 190 ? s[p] != kLine
            : y < 50 || y > 190 ? s[p] != kBar
                                : !brightens(s[p], 0x3028))
            return at("credits band", p);
    }
    return "";
}

// The picture from its scroll row, brightened only inside the flares' boxes.
std::string flareFault(const Screen& s) {
    std::vector<bool> underFlare(76800);
    for (const Flare& f : gFlareScene->flares) {
        for (int n = 0; n < 256; ++n) {
            const int p = ((f.y >> 16) + n / 16) * 320 + (f.x >> 16) + n % 16;
            if (p > 0 && p < 76800) underFlare[p] = true;
        }
    }
    const uint16_t* picture = gFlareScene->picture->pixels + gFlareScene->scrollRow * 320;
    for (int p = 0; p < 76800; ++p) {
        if (underFlare[p] ? !brightens(s[p], picture[p]) : s[p] != picture[p])
            return at("flare", p);
    }
    return "";
}

// The background at its column, the flower where it left depth, and the light
// of the sparks whose centres are in front of it only inside their sprites.
std::string flowerFault(const Screen& s) {
    const FlowerScene& flower = *gFlowerScene;
    const ParticleEmitter& sparks = *flower.emitter;
    const int32_t* depth = Display::instance()->depth;
    std::vector<bool> underSpark(76800);
    for (int i = 0; i < sparks.vertexCount; ++i) {
        const int x = sparks.screenX[i], y = sparks.screenY[i];
        if (!sparks.alive[i] || x < 0 || x > 319 || y < 0 || y > 239 ||
            depth[y * 320 + x] <= sparks.screenZ[i])
            continue;
        for (int n = 0; n < 256; ++n) {
            const int p = (y - 8 + n / 16) * 320 + x - 8 + n % 16;
            if (p > 0 && p < 76800) underSpark[p] = true;
        }
    }
    const uint16_t* background = flower.backgroundImage->pixels + (flower.scroll >> 16);
    int flowerPixels = 0;
    for (int p = 0; p < 76800; ++p) {
        const uint16_t under = background[p / 320 * 640 + p % 320];
        if (depth[p] != kFar) {
            ++flowerPixels;
        } else if (underSpark[p] ? !brightens(s[p], under) : s[p] != under) {
            return at("flower background", p);
        }
    }
    return flowerPixels > 1000 ? "" : "flower not drawn";
}

std::string greetsFault(const Screen& s) {
    return std::count(s.begin(), s.end(), 0) > 76800 / 2 ? "" : "greets wall not on black";
}

// Grey pairs whose green uses only the bits of the noise level.
std::string noiseFault(const Screen& s) {
    for (int p = 0; p < 76800; p += 2) {
        const int g = (s[p] >> 5) & 63;
        if (s[p] != s[p + 1] || (g & ~noiseLevel) || s[p] != (((g >> 1) << 11) | (g << 5) | g >> 1))
            return at("noise", p);
    }
    return "";
}

std::string sceneFault(const Watch& w, const Screen& s, int position) {
    const auto leftover = std::find(s.begin(), s.end(), kLeftover);
    if (leftover != s.end()) return at("not painted", static_cast<int>(leftover - s.begin()));
    switch (SceneMask) {
        case kSceneParticleField:
            return position <= 3 ? introFault(w, s) : meshFault(w, s);
        case kSceneTitle:
            return titleFault(s);
        case kSceneGreetsCube:
            return greetsFault(s);
        case kSceneCredits:
            return creditsFault(s);
        case kSceneLogoOverlay:
            return logoOverlayFault(s);
        case kSceneFlower:
            return flowerFault(s);
        case kSceneFlare:
            return flareFault(s);
        case kSceneNoise:
            return noiseFault(s);
        default:
            return "no scene";
    }
}

// Rows each scene paints in every frame: the band of the letterboxed ones
// whose bars stay from the frame of the scene change, else the whole screen.
void leaveLeftovers() {
    const bool band = SceneMask == kSceneTitle || SceneMask == kSceneLogoOverlay ||
                      (SceneMask == kSceneParticleField && PatternData::instance().position() <= 3);
    uint16_t* pixels = Display::instance()->pixels;
    std::fill(pixels + (band ? 50 * 320 : 0), pixels + (band ? 190 * 320 : 76800), kLeftover);
}

void watchFrame(void* context, const uint16_t* pixels, int, int top, int height) {
    auto& w = *static_cast<Watch*>(context);
    const int position = PatternData::instance().position();
    if (SceneMask == 1 || position > 35) return;  // the loading screen
    std::copy(pixels + top * 320, pixels + (top + height) * 320, w.seen.begin() + top * 320);
    if (w.frames[position]++ % 8 == 0 && position < 35 && w.fault[position].empty()) {
        w.fault[position] = sceneFault(w, w.seen, position);
        if (!w.fault[position].empty())
            scenetest::saveFrame("running_order_fault_p" + std::to_string(position), w.seen.data());
    }
    if (SceneMask != kSceneEnd) leaveLeftovers();
}

// What a jittered row of the intro logo can cover: shifted by -5..+10 pixels.
std::vector<bool> introLogoReach() {
    std::vector<bool> reach(76800);
    for (int p = 0; p < 76800; ++p) {
        if (p % 320 < 15 || p % 320 > 309 || coverageOf(gEnvMeshScene->logoMask->pixels[p]) == 0)
            continue;
        for (int shift = -5; shift <= 10; ++shift) reach[p + shift] = true;
    }
    return reach;
}

void firstFrame(void* context, const uint16_t* pixels, int width, int top, int height) {
    auto& w = *static_cast<Watch*>(context);
    if (SceneMask == 1) return;
    for (int i = 0; i < 65536; ++i) w.envColours.set(gEnvMeshScene->envImage->pixels[i]);
    w.logoReach = introLogoReach();
    setPresentObserver(watchFrame, context);
    watchFrame(context, pixels, width, top, height);
}

}  // namespace

TEST(RunningOrder, EveryPositionShowsItsSceneInItsPlace) {
    Watch watch;
    scenetest::sceneEngine();
    setPresentObserver(firstFrame, &watch);
    platformUseVirtualClock(1000, 16);
    EXPECT_EQ(demoMain(), 0);
    setPresentObserver(nullptr, nullptr);

    for (int position = 0; position < 35; ++position) {
        EXPECT_GT(watch.frames[position], 300) << "position " << position;
        EXPECT_EQ(watch.fault[position], "") << "position " << position;
    }
    EXPECT_EQ(watch.frames[35], 1);
    EXPECT_TRUE(gGreetsCubeScene == nullptr && gEnvMeshScene != nullptr && gFlowerScene != nullptr);
}
