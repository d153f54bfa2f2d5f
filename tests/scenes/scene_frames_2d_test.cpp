// The 2D scenes played through their sections as a viewer sees them: each
// frame updated, rendered and presented at 16 ms steps of music time, the
// presented bands kept in a visible screen. Frames at a few times are written
// to build/frames/ and checked for what must hold on screen.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/present.h"
#include "scenes/credits.h"
#include "scenes/flare.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"
#include "tests/engine3d/engine_test_support.h"
#include "tests/scenes/scene_test_support.h"
#include "video/visible_screen.h"

namespace {

constexpr uint16_t kLeftover = 0xF81F;  // what the scene before left on screen
constexpr uint16_t kBar = 0x1082;
constexpr uint16_t kLine = 0x76C0;
constexpr int kStepMs = 16;

using Screen = std::vector<uint16_t>;

void keepPresented(void* context, const uint16_t* pixels, int width, int top, int height) {
    auto* visible = static_cast<Screen*>(context);
    if (height == 0) top = 0, height = 240;
    memcpy(visible->data() + top * width, pixels + top * width, height * width * 2);
}

// Plays `scene` from the first row of `position` and calls check(ms, visible)
// at the first frame at or after each of the given times (multiples of the
// step land exactly), after saving the frame.
template <class Scene>
void play(Scene& scene, const char* name, int position, std::vector<int> atMs,
          const std::function<void(int, const Screen&)>& check) {
    Display* display = enginetest::engine();
    Screen visible(76800, kLeftover);
    enginetest::fillScreen(kLeftover);
    setPresentObserver(keepPresented, &visible);
    const int start = scenetest::msAt(position, 0);
    size_t next = 0;
    for (int elapsed = 0; next < atMs.size(); elapsed += kStepMs) {
        PatternData::instance().update(start + elapsed);
        display->fullUpdate = elapsed == 0;  // the scene set changed
        scene.update(start + elapsed);
        scene.render();
        display->present();
        if (elapsed < atMs[next]) continue;
        scenetest::saveFrame(std::string(name) + "-" + std::to_string(elapsed), visible.data());
        check(elapsed, visible);
        ++next;
    }
    setPresentObserver(nullptr, nullptr);
}

// Rows [first, end) of the visible screen that are not all `colour`.
int rowsNotAll(const Screen& s, int first, int end, uint16_t colour, int x0 = 0, int x1 = 320) {
    int wrong = 0;
    for (int y = first; y < end; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (s[y * 320 + x] != colour) {
                ++wrong;
                break;
            }
        }
    }
    return wrong;
}

int distinctColours(const Screen& s, int firstRow, int endRow) {
    std::set<uint16_t> colours(s.begin() + firstRow * 320, s.begin() + endRow * 320);
    return static_cast<int>(colours.size());
}

}  // namespace

TEST(SceneFrames, ParticleFieldOpensItsBandAndFillsItWithTrails) {
    ParticleFieldScene scene;
    play(scene, "particle-field", 0, {400, 2000, 6000, 20000}, [](int ms, const Screen& s) {
        const PatternData& music = PatternData::instance();
        const int a = music.position() == 0 && 120 - music.row() > 50 ? 120 - music.row() : 50;
        EXPECT_EQ(rowsNotAll(s, 0, a - 1, kBar), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, a, a + 1, kLine), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 240 - a, 241 - a, kLine), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 241 - a, 240, kBar), 0) << ms;
        if (ms >= 6000) {
            EXPECT_GT(distinctColours(s, 51, 190), 50) << ms;
        }
    });
}

TEST(SceneFrames, TitleShowsItsPictureInsideTheBand) {
    TitleScene scene;
    play(scene, "title", 4, {1000, 8000, 16000}, [&scene](int ms, const Screen& s) {
        EXPECT_EQ(rowsNotAll(s, 0, 49, kBar), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 50, 51, kLine), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 190, 191, kLine), 0) << ms;
        // Title rows that land below the band (191..199) are never presented.
        EXPECT_EQ(rowsNotAll(s, 191, 239, kBar), 0) << ms;
        // Rows 49 and 239 are not the scene's: they keep what was there.
        EXPECT_EQ(rowsNotAll(s, 49, 50, kLeftover), 0) << ms;
        // Every opaque title pixel sits five rows lower, shaken sideways.
        int opaque = 0, misplaced = 0;
        for (int src = 45 * 320; src < 195 * 320; ++src) {
            const int x = src % 320, dst = src + 1600 + scene.shake;
            if (x < 30 || x > 284 || dst < 51 * 320 || dst >= 190 * 320) continue;
            if (coverageOf(scene.titleMask->pixels[src]) != 63) continue;
            ++opaque;
            misplaced += s[dst] != scene.titleImage->pixels[src];
        }
        EXPECT_GT(opaque, 1000) << ms;
        EXPECT_EQ(misplaced, 0) << ms;
        EXPECT_GT(distinctColours(s, 51, 190), 50) << ms;
    });
}

TEST(SceneFrames, CreditsZoomTheirPicturesOverTheSparks) {
    CreditsScene scene;
    play(scene, "credits", 12, {0, 1000, 2048, 6000, 12000}, [&scene](int ms, const Screen& s) {
        const Credit& c = scene.credits[scene.current];
        const bool pictureShown = c.progress >= 1 && c.progress < 0x190000;
        if (!pictureShown) {
            EXPECT_EQ(rowsNotAll(s, 0, 50, kBar), 0) << ms;
            EXPECT_EQ(rowsNotAll(s, 50, 51, kLine), 0) << ms;
            EXPECT_EQ(rowsNotAll(s, 190, 191, kLine), 0) << ms;
            EXPECT_EQ(rowsNotAll(s, 191, 240, kBar), 0) << ms;
        }
        if (ms == 2048) {
            // Full size: the picture where its mask is opaque, the bars where
            // it is clear.
            ASSERT_EQ(c.progress, 0x10000);
            int wrong = 0;
            for (int i = 0; i < 239 * 320; ++i) {
                const int a = coverageOf(c.mask->pixels[i]);
                const int y = i / 320;
                if (a == 63) wrong += s[i] != c.picture->pixels[i];
                if (a == 0 && (y < 50 || y > 190)) wrong += s[i] != kBar;
            }
            EXPECT_EQ(wrong, 0);
        }
        if (ms >= 1000) {
            EXPECT_GT(distinctColours(s, 51, 190), 20) << ms;
        }
    });
}

TEST(SceneFrames, LogoOverlayFlamesInTheBandLogoOnTheLeft) {
    LogoOverlayScene scene;
    play(scene, "logo-overlay", 16, {0, 5000, 15000}, [&scene](int ms, const Screen& s) {
        EXPECT_EQ(rowsNotAll(s, 0, 50, kBar, 160), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 50, 51, kLine, 160), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 190, 191, kLine, 160), 0) << ms;
        EXPECT_EQ(rowsNotAll(s, 191, 240, kBar, 160), 0) << ms;
        int wrong = 0;
        for (int i = 0; i < 76800; ++i) {
            if (i % 320 < 160 && coverageOf(scene.logoAlpha->pixels[i]) == 63)
                wrong += s[i] != scene.logo->pixels[i];
        }
        EXPECT_EQ(wrong, 0) << ms;
        EXPECT_GT(distinctColours(s, 51, 190), 20) << ms;
    });
}

TEST(SceneFrames, FlareScrollsThePictureUnderTheGlows) {
    FlareScene scene;
    play(scene, "flare", 28, {500, 10000, 20000}, [&scene](int ms, const Screen& s) {
        // Outside the flares' 16 x 16 boxes the screen is the picture from
        // row scrollRow on.
        std::vector<bool> underFlare(76800);
        for (const Flare& f : scene.flares) {
            for (int j = 0; j < 16; ++j) {
                for (int k = 0; k < 16; ++k) {
                    const int n = ((f.y >> 16) + j) * 320 + (f.x >> 16) + k;
                    if (n > 0 && n < 76800) underFlare[n] = true;
                }
            }
        }
        const uint16_t* picture = scene.picture->pixels + scene.scrollRow * 320;
        int wrong = 0, lit = 0;
        for (int i = 0; i < 76800; ++i) {
            if (underFlare[i]) {
                lit += s[i] != picture[i];
            } else {
                wrong += s[i] != picture[i];
            }
        }
        EXPECT_EQ(wrong, 0) << ms;
        EXPECT_GT(lit, 40 * 50) << ms;  // the glows brighten what they cover
    });
}
