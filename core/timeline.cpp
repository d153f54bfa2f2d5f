#include "core/timeline.h"

#include <cstdio>

#include "core/scenes.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "video/display.h"
#include "video/font.h"

uint32_t musicStartTicks = 0;
int32_t SceneMask = 1;
int32_t previousSceneMask = 0;
int noiseLevel = 0;
bool overlayEnabled = false;

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

void drawOverlay(Display* display, int32_t position, int32_t row) {
    char text[80];
    snprintf(text, sizeof text, "POS %02d ROW %03d", position, row);
    gFont->drawString(80, display->updateTop + 5, text);
    snprintf(text, sizeof text, "FPS % 3d", display->framesPerSecond());
    gFont->drawString(10, display->updateTop + 5, text);
}

}  // namespace

uint32_t demoEndMs() {
    return uint32_t(PatternData::firstMsOfRow(kEndPosition * PatternData::kRows));
}

int32_t Timeline::musicMs() {
    return static_cast<int32_t>(platformTicks() - musicStartTicks);
}

void Timeline::startMusicAt(int32_t ms) {
    musicStartTicks = platformTicks() - static_cast<uint32_t>(ms);
}

int32_t Timeline::sceneMaskFor(int32_t position) {
    if (position >= kEndPosition) return kSceneEnd;
    if (position >= 32) return kSceneNoise;
    if (position >= 28) return kSceneFlare;
    if (position >= 24) return kSceneFlower;
    if (position >= 20) return kSceneParticleField;
    if (position >= 16) return kSceneLogoOverlay;
    if (position >= 12) return kSceneCredits;
    if (position >= 8) return kSceneGreetsCube;
    if (position >= 4) return kSceneTitle;
    return kSceneParticleField;  // positions 0-3, and any the clock never gives
}

void Timeline::runFrame() {
    runFrameAt(musicMs());
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
    if (overlayEnabled) drawOverlay(display, position, row);
    display->present();
}
