#include "core/timeline.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "core/scenes.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "video/display.h"
#include "video/font.h"

int32_t SceneMask = 1;
int32_t previousSceneMask = 0;
int noiseLevel = 0;
bool overlayEnabled = false;
int32_t overlaySkippedFrames = -1;
int64_t overlayFrame = -1;

namespace {

// Noise level by music clock: full through position 32, then fading one step
// every 4 rows from 63 to 32 over position 33 and from 32 to 1 over 34.
int noiseLevelFor(int32_t position, int32_t row, int level) {
    if (position >= 32) level = 63;
    if (position >= 33) level = 63 - (row >> 2);
    if (position >= 34) level = 32 - (row >> 2);
    return level;
}

// Grey noise over the whole screen, two neighbouring pixels per random number.
// Green takes the 6-bit value, red and blue half of it.
void drawNoise(Display* display) {
    uint16_t* pixels = display->pixels;
    for (int i = 0; i < display->pixelCount; i += 2) {
        const int v = demoRand() & noiseLevel;
        const auto colour = static_cast<uint16_t>(((v >> 1) << 11) | (v << 5) | (v >> 1));
        pixels[i] = colour;
        pixels[i + 1] = colour;
    }
}

void drawOverlay(Display* display, int32_t position, int32_t row, int elapsedMs) {
    char text[80];
    if (overlayFrame >= 0 && elapsedMs >= 0) {
        snprintf(text, sizeof text, "FRAME %d  %d:%02d.%03d", int(overlayFrame), elapsedMs / 60000,
                 elapsedMs / 1000 % 60, elapsedMs % 1000);
        gFont->drawString(10, display->updateTop + 7 + gFont->cellHeight, text);
    }
    snprintf(text, sizeof text, "POS %02d ROW %03d", int(position), int(row));
    gFont->drawString(80, display->updateTop + 5, text);
    snprintf(text, sizeof text, "FPS % 3d", display->framesPerSecond());
    gFont->drawString(10, display->updateTop + 5, text);
    if (overlaySkippedFrames < 0) return;
    snprintf(text, sizeof text, "SKIP %d", int(overlaySkippedFrames));
    gFont->drawString(190, display->updateTop + 5, text);
}

}  // namespace

namespace {

// The demo's whole script. The particle field comes twice, the mesh over it
// both times.
// clang-format off
constexpr Timeline::Section kRunningOrder[] = {
    {0,            kSceneParticleField, "intro"},
    {4,            kSceneTitle,         "title"},
    {8,            kSceneGreetsCube,    "greets"},
    {12,           kSceneCredits,       "credits"},
    {16,           kSceneLogoOverlay,   "logo"},
    {20,           kSceneParticleField, "field"},
    {24,           kSceneFlower,        "flower"},
    {28,           kSceneFlare,         "flares"},
    {32,           kSceneNoise,         "noise"},
    {kEndPosition, kSceneEnd,           "end"},
};
// clang-format on

constexpr bool firstPositionsRise() {
    for (size_t i = 1; i < std::size(kRunningOrder); ++i) {
        if (kRunningOrder[i].firstPosition <= kRunningOrder[i - 1].firstPosition) return false;
    }
    return kRunningOrder[0].firstPosition == 0 &&
           std::end(kRunningOrder)[-1].firstPosition == kEndPosition;
}
static_assert(firstPositionsRise(), "sections from position 0 up to the end, in order");

}  // namespace

int Timeline::sectionCount() {
    return int(std::size(kRunningOrder));
}

const Timeline::Section& Timeline::section(int index) {
    return kRunningOrder[std::clamp(index, 0, sectionCount() - 1)];
}

int Timeline::sectionOf(int32_t position) {
    int index = 0;
    while (index + 1 < sectionCount() && kRunningOrder[index + 1].firstPosition <= position)
        ++index;
    return index;
}

int32_t Timeline::sceneMaskFor(int32_t position) {
    return kRunningOrder[sectionOf(position)].sceneMask;
}

void Timeline::runFrameAt(int elapsedMs) {
    Display* display = Display::instance();
    PatternData& patterns = PatternData::instance();
    patterns.update(elapsedMs);
    const int32_t position = patterns.position();
    const int32_t row = patterns.row();

    previousSceneMask = SceneMask;
    SceneMask = sceneMaskFor(position);
    noiseLevel = noiseLevelFor(position, row, noiseLevel);
    if (SceneMask != previousSceneMask) display->fullUpdate = true;

    // Every update of a frame runs before any render of it.
    updateScenes(SceneMask, elapsedMs);
    renderScenes(SceneMask);
    if (SceneMask & kSceneNoise) drawNoise(display);
    if (overlayEnabled) drawOverlay(display, position, row, elapsedMs);
    display->present();
}
