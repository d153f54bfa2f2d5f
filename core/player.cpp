#include "core/player.h"

#include <algorithm>
#include <cstring>

#include "core/demo.h"
#include "core/seek.h"
#include "core/timeline.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "platform/present.h"
#include "video/display.h"
#include "video/font.h"

namespace {

constexpr int kNoPosition = -1;
constexpr uint64_t kSamplesPerSecond = 44100;

bool gPaused = false;
int32_t gPausedMusicMs = 0;
int gLoopedPosition = kNoPosition;
int gJumpTarget = kNoPosition;  // asked for, made at the next frame

int32_t musicMsNow() {
    return static_cast<int32_t>(platformTicks() - musicStartTicks);
}

uint32_t sampleAtMs(int32_t ms) {
    return static_cast<uint32_t>(uint64_t(std::max(ms, 0)) * kSamplesPerSecond / 1000);
}

// The sound of frame n starts at sample n * 44100 / 60, as capture cuts it.
uint32_t sampleOfFrame(uint64_t frame) {
    return static_cast<uint32_t>(frame * kSamplesPerSecond * Seek::kRate.denominator /
                                 Seek::kRate.numerator);
}

// Where the next jump starts from: the one already asked for, else the
// position on the screen.
int currentPosition() {
    if (gJumpTarget != kNoPosition) return gJumpTarget;
    return std::clamp(PatternData::instance().position(), 0, kLastPlayerPosition);
}

void askForJump(int position) {
    gJumpTarget = std::clamp(position, 0, kLastPlayerPosition);
}

// A dark strip across the middle of the screen with "SEEKING" on it, over the
// picture shown. It goes into the screen itself, which the jump then replaces
// with a saved one.
void showSeeking() {
    if (gFont == nullptr) return;
    Display* display = Display::instance();
    const char* const text = "SEEKING";
    const int advance = gFont->cellWidth + gFont->spacing;
    const int top = (Display::kHeight - gFont->cellHeight) / 2 - 3;
    const int rows = gFont->cellHeight + 6;
    std::fill_n(display->pixels + top * Display::kWidth, rows * Display::kWidth, uint16_t{0});
    gFont->drawString((Display::kWidth - advance * int(strlen(text))) / 2, top + 3, text);
    platformPresent(display->surface, top, rows);
}

// The sound stops at once and waits at the jump's first sample; it starts
// again with the picture, or at resume when paused.
void jumpTo(int position) {
    const uint64_t frame = Seek::firstFrameOf(position);
    showSeeking();
    AudioBridge::stop();
    AudioBridge::seek(sampleOfFrame(frame));
    Seek::runToFrame(frame);
    const auto ms = static_cast<int32_t>(frameTimeMs(frame, Seek::kRate));
    if (gLoopedPosition != kNoPosition) gLoopedPosition = position;
    if (gPaused) {
        gPausedMusicMs = ms;
        return;
    }
    musicStartTicks = platformTicks() - static_cast<uint32_t>(ms);
    AudioBridge::play();
}

void pause() {
    gPausedMusicMs = musicMsNow();
    gPaused = true;
    AudioBridge::stop();
    AudioBridge::seek(sampleAtMs(gPausedMusicMs));
}

void resume() {
    musicStartTicks = platformTicks() - static_cast<uint32_t>(gPausedMusicMs);
    gPaused = false;
    AudioBridge::play();
}

}  // namespace

void playerStart() {
    gPaused = false;
    gLoopedPosition = kNoPosition;
    gJumpTarget = kNoPosition;
    Seek::rememberStart();
}

bool playerRunFrame() {
    if (gJumpTarget != kNoPosition) {
        const int position = gJumpTarget;
        gJumpTarget = kNoPosition;
        jumpTo(position);
        return false;
    }
    if (gPaused) return false;
    // The time is read once, so the frame run is the frame checked.
    const int32_t ms = musicMsNow();
    if (gLoopedPosition != kNoPosition &&
        PatternData::rowsAt(ms) >= (gLoopedPosition + 1) * PatternData::kRows) {
        jumpTo(gLoopedPosition);
        return false;
    }
    return demoRunFrameAt(ms);
}

void playerKey(PlayerKey key) {
    switch (key) {
        case PlayerKey::PauseResume:
            if (gPaused) {
                resume();
            } else {
                pause();
            }
            break;
        case PlayerKey::NextPosition:
            // The last position has no next one to go to.
            if (currentPosition() < kLastPlayerPosition) askForJump(currentPosition() + 1);
            break;
        case PlayerKey::PreviousPosition:
            askForJump(currentPosition() - 1);
            break;
        case PlayerKey::MusicStart:
            askForJump(0);
            break;
        case PlayerKey::Loop:
            gLoopedPosition = gLoopedPosition == kNoPosition ? currentPosition() : kNoPosition;
            break;
        case PlayerKey::Overlay:
            overlayEnabled = !overlayEnabled;
            break;
    }
}

void playerJumpTo(int position) {
    askForJump(position);
}

bool playerPaused() {
    return gPaused;
}

int32_t playerPausedMusicMs() {
    return gPausedMusicMs;
}

int playerLoopedPosition() {
    return gLoopedPosition;
}
