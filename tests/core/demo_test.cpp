// The whole demo, start-up to shutdown, on a stepped clock: three minutes of
// music time run in seconds, headless, with the generated assets.
#include "core/demo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/frame_schedule.h"
#include "core/timeline.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "platform/desktop/controls.h"
#include "platform/present.h"
#include "video/display.h"
#include "video/font.h"
#include "video/text_console.h"
#include "video/visible_screen.h"

namespace {

constexpr uint32_t kStepMs = 20;

struct Frame {
    int32_t mask;
    int32_t previousMask;
    int top, height;
    int progress;
};

struct Recorder {
    std::vector<Frame> presents;
    int noiseFrames = 0;
    int noiseFramesBroken = 0;
    int lowestNoiseLevel = 64;
};

// A noise pixel is a grey whose green value uses only the bits of the level
// mask, with red and blue half of it.
bool isNoiseOfLevel(const uint16_t* pixels, int count, int level) {
    for (int i = 0; i < count; i += 2) {
        const uint16_t p = pixels[i];
        const int g = (p >> 5) & 63;
        if (p != pixels[i + 1] || (g & ~level) != 0 || (p >> 11) != g >> 1 || (p & 31) != g >> 1)
            return false;
    }
    return true;
}

void record(void* context, const uint16_t* pixels, int width, int top, int height) {
    auto* recorder = static_cast<Recorder*>(context);
    recorder->presents.push_back(
        {SceneMask, previousSceneMask, top, height, TextConsole::instance()->progressStep});
    if (SceneMask == kSceneNoise) {
        ++recorder->noiseFrames;
        if (!isNoiseOfLevel(pixels, width * 240, noiseLevel)) ++recorder->noiseFramesBroken;
        if (noiseLevel < recorder->lowestNoiseLevel) recorder->lowestNoiseLevel = noiseLevel;
    }
}

}  // namespace

TEST(Demo, PlaysTheWholeRunningOrderAndEndsByItself) {
    Recorder recorder;
    setPresentObserver(record, &recorder);
    platformUseVirtualClock(1000, kStepMs);

    EXPECT_EQ(demoMain(), 0);  // the menu program does not exist here

    // Loading: the empty bar, then one present per step.
    size_t first = 0;
    while (first < recorder.presents.size() && recorder.presents[first].mask == 1) ++first;
    ASSERT_LT(first, recorder.presents.size());
    EXPECT_EQ(recorder.presents[first - 1].progress, 28);
    EXPECT_EQ(recorder.presents[first].progress, 28);

    // Frames: the running order in sequence, each change presented in full.
    std::vector<int32_t> order;
    for (size_t i = first; i < recorder.presents.size(); ++i) {
        const Frame& f = recorder.presents[i];
        if (order.empty() || order.back() != f.mask) {
            order.push_back(f.mask);
            EXPECT_EQ(f.top, 0);
            EXPECT_EQ(f.height, 240);
        }
    }
    const std::vector<int32_t> expected = {
        kSceneParticleField, kSceneTitle,  kSceneGreetsCube, kSceneCredits, kSceneLogoOverlay,
        kSceneParticleField, kSceneFlower, kSceneFlare,      kSceneNoise,   kSceneEnd};
    EXPECT_EQ(order, expected);

    // Exactly one end frame, at position 35, and nothing after it.
    EXPECT_EQ(recorder.presents.back().mask, kSceneEnd);
    EXPECT_NE(recorder.presents[recorder.presents.size() - 2].mask, kSceneEnd);
    EXPECT_EQ(PatternData::instance().position(), 35);
    // A pass every 20 ms is slower than the 60 fps schedule: one frame a
    // pass, the schedule running up to a few frames behind before it skips.
    const size_t frames = recorder.presents.size() - first;
    EXPECT_NEAR(frames, 186368 / kStepMs, 2 + FrameSchedule::kMostFramesBehind);

    // The closing noise: three positions of frames, every one within its mask,
    // fading down to level 1.
    EXPECT_NEAR(recorder.noiseFrames, 3 * 5324.8 / kStepMs, 2);
    EXPECT_EQ(recorder.noiseFramesBroken, 0);
    EXPECT_EQ(recorder.lowestNoiseLevel, 1);
    setPresentObserver(nullptr, nullptr);
}

// On a host whose person sees only the screen, a problem line goes under
// the loading bar, in the characters the font has (its lower-case codes are
// the bar's pieces), each line below the one before, and leaves the bar and
// its cursor as they were.
TEST(Demo, ProblemLinesGoUnderTheLoadingBarInTheFontsCharacters) {
    TextConsole* console = TextConsole::instance();
    EXPECT_FALSE(demoShowProblem("error loading data/font.png")) << "no font yet";
    demoShowLoadingScreen();
    for (int step = 0; step < 3; ++step) console->advanceProgress();
    const auto row = [&](int r) {
        return std::string(reinterpret_cast<const char*>(console->cells[r]), TextConsole::kColumns);
    };
    const std::string bar = row(11);
    ASSERT_TRUE(demoShowProblem("data/title.png is 640×480, the demo needs it 320 pixels wide"));
    ASSERT_TRUE(demoShowProblem("no sound: the sound device /dev/dsp is busy"));
    EXPECT_EQ(row(13), "DATA/TITLE.PNG IS 640X480, THE DEMO NEE");
    EXPECT_EQ(row(14).substr(0, 21), "DS IT 320 PIXELS WIDE");
    EXPECT_EQ(row(15).substr(0, 26), "NO SOUND: THE SOUND DEVICE");
    EXPECT_EQ(row(11), bar);
    EXPECT_EQ(console->cursorColumn, 8);
    EXPECT_EQ(console->cursorRow, 11);
}

TEST(Timeline, RunningOrderByPosition) {
    const int32_t byPosition[36] = {2,    2,    2,    2,    0x100, 0x100, 0x100, 0x100, 4,
                                    4,    4,    4,    0x40, 0x40,  0x40,  0x40,  0x10,  0x10,
                                    0x10, 0x10, 2,    2,    2,     2,     0x80,  0x80,  0x80,
                                    0x80, 0x20, 0x20, 0x20, 0x20,  0x200, 0x200, 0x200, kSceneEnd};
    for (int p = 0; p < 36; ++p) EXPECT_EQ(Timeline::sceneMaskFor(p), byPosition[p]) << p;
    EXPECT_EQ(Timeline::sceneMaskFor(1000), kSceneEnd);
}

TEST(Timeline, NoiseMaskFadesOverTheLastPositions) {
    Display::instance();
    const struct {
        int position, row, level;
    } cases[] = {{32, 0, 63}, {32, 127, 63}, {33, 0, 63}, {33, 127, 32}, {34, 0, 32}, {34, 127, 1}};
    for (const auto& c : cases) {
        // Land in the middle of the row so float rounding cannot move it.
        Timeline::runFrameAt(static_cast<int>((c.position * 128 + c.row) * 41.6 + 20));
        EXPECT_EQ(noiseLevel, c.level) << c.position << ":" << c.row;
        EXPECT_EQ(PatternData::instance().row(), c.row);
    }
}

TEST(Timeline, OverlayShowsPositionRowAndRate) {
    Display* display = Display::instance();
    gFont = new Font("data/font.png", 8, 9, -1, 32, 102);
    // Position 35, row 7: no scene draws there, so the overlay is all there is.
    const auto ms = static_cast<int>((35 * 128 + 7) * 41.6 + 20);
    overlayEnabled = true;
    overlaySkippedFrames = -1;  // an offline run: nothing counts skipped frames
    memset(display->pixels, 0, 2 * 76800);
    Timeline::runFrameAt(ms);
    std::vector<uint16_t> shown(display->pixels, display->pixels + 76800);

    memset(display->pixels, 0, 2 * 76800);
    gFont->drawString(80, display->updateTop + 5, "POS 35 ROW 007");
    gFont->drawString(10, display->updateTop + 5, "FPS   0");
    EXPECT_EQ(memcmp(shown.data(), display->pixels, 2 * 76800), 0);

    // The live player's count of skipped frames, beside the position, and
    // its frame with the music time under them.
    overlaySkippedFrames = 12;
    overlayFrame = 11182;
    memset(display->pixels, 0, 2 * 76800);
    Timeline::runFrameAt(ms);
    shown.assign(display->pixels, display->pixels + 76800);
    memset(display->pixels, 0, 2 * 76800);
    gFont->drawString(80, display->updateTop + 5, "POS 35 ROW 007");
    gFont->drawString(10, display->updateTop + 5, "FPS   0");
    gFont->drawString(190, display->updateTop + 5, "SKIP 12");
    gFont->drawString(10, display->updateTop + 16, "FRAME 11182  3:06.679");
    EXPECT_EQ(memcmp(shown.data(), display->pixels, 2 * 76800), 0);
    overlayEnabled = false;
    overlaySkippedFrames = -1;
    overlayFrame = -1;
}
