#include "core/player.h"

#include <SDL_keysym.h>

#include <algorithm>
#include <cstring>

#include "core/seek.h"
#include "core/timeline.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/present.h"
#include "video/display.h"
#include "video/font.h"

namespace {

constexpr int kNoPosition = -1;

bool gPaused = false;
int32_t gPausedMusicMs = 0;
int gLoopedPosition = kNoPosition;
int gJumpTarget = kNoPosition;  // asked for, made at the next frame
bool gQuitAsked = false;

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
    // The sound of the frame starts where capture cuts it.
    AudioBridge::seek(static_cast<uint32_t>(soundFrameAt(frame, Seek::kRate)));
    Seek::runToFrame(frame);
    const auto ms = static_cast<int32_t>(frameTimeMs(frame, Seek::kRate));
    if (gLoopedPosition != kNoPosition) gLoopedPosition = position;
    if (gPaused) {
        gPausedMusicMs = ms;
        return;
    }
    Timeline::startMusicAt(ms);
    AudioBridge::play();
}

void pause() {
    gPausedMusicMs = Timeline::musicMs();
    gPaused = true;
    AudioBridge::stop();
    AudioBridge::seek(static_cast<uint32_t>(soundFrameAtMs(uint64_t(std::max(gPausedMusicMs, 0)))));
}

void resume() {
    Timeline::startMusicAt(gPausedMusicMs);
    gPaused = false;
    AudioBridge::play();
}

// ---- the keys --------------------------------------------------------------------

void quit() {
    gQuitAsked = true;
}

void pauseOrResume() {
    if (gPaused) {
        resume();
    } else {
        pause();
    }
}

// The last position has no next one to go to.
void nextPosition() {
    if (currentPosition() < kLastPlayerPosition) askForJump(currentPosition() + 1);
}

void previousPosition() {
    askForJump(currentPosition() - 1);
}

void musicStart() {
    askForJump(0);
}

void loopOrUnloop() {
    gLoopedPosition = gLoopedPosition == kNoPosition ? currentPosition() : kNoPosition;
}

void overlayOnOrOff() {
    overlayEnabled = !overlayEnabled;
}

enum class On { Press, Release };

struct KeyAction {
    int key;
    On on;
    void (*act)();
};

// Every key the player knows. Backspace ends the demo on its release, as on
// the console, and so does Escape, as at demo parties; the others act on
// their press. Every other key is ignored.
// clang-format off
constexpr KeyAction kKeys[] = {
    {SDLK_BACKSPACE, On::Release, quit},
    {SDLK_ESCAPE,    On::Release, quit},
    {SDLK_SPACE,     On::Press,   pauseOrResume},
    {SDLK_RIGHT,     On::Press,   nextPosition},
    {SDLK_LEFT,      On::Press,   previousPosition},
    {SDLK_HOME,      On::Press,   musicStart},
    {SDLK_l,         On::Press,   loopOrUnloop},
    {SDLK_o,         On::Press,   overlayOnOrOff},
};
// clang-format on

void readInput() {
    InputEvent event;
    while (platformNextInput(&event)) {
        if (event.kind == InputEvent::Kind::Quit) {
            quit();
            continue;
        }
        const On on = event.kind == InputEvent::Kind::KeyDown ? On::Press : On::Release;
        for (const KeyAction& action : kKeys) {
            if (action.key == event.key && action.on == on) action.act();
        }
    }
}

// ---- the pass ----------------------------------------------------------------------

// The frame of one pass; true if it was the frame that ends the demo.
bool runPassFrame() {
    if (gJumpTarget != kNoPosition) {
        const int position = gJumpTarget;
        gJumpTarget = kNoPosition;
        jumpTo(position);
        return false;
    }
    if (gPaused) return false;
    // The time is read once, so the frame run is the frame checked.
    const int32_t ms = Timeline::musicMs();
    if (gLoopedPosition != kNoPosition &&
        PatternData::rowsAt(ms) >= (gLoopedPosition + 1) * PatternData::kRows) {
        jumpTo(gLoopedPosition);
        return false;
    }
    Timeline::runFrameAt(ms);
    return Timeline::ended();
}

}  // namespace

void playerStart() {
    gPaused = false;
    gLoopedPosition = kNoPosition;
    gJumpTarget = kNoPosition;
    gQuitAsked = false;
    Seek::rememberStart();
}

bool playerPass() {
    bool end = runPassFrame();
    readInput();
    if (gQuitAsked) end = true;
    platformEndFrame();
    return end;
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
