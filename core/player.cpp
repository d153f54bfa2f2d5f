#include "core/player.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/frame_plan.h"
#include "core/frame_schedule.h"
#include "core/seek.h"
#include "core/timeline.h"
#include "music/pattern_data.h"
#include "music/sound_orders.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "video/display.h"
#include "video/font.h"
#include "video/visible_screen.h"

namespace {

constexpr int kNoPosition = -1;

// Ticks of the host's clock at which the music time was 0: set when start-up
// switches the music on, moved by pause, resume and jumps.
uint32_t musicStartTicks = 0;
FrameSchedule gSchedule;
int64_t gShownFrame = -1;

bool gPaused = false;
int32_t gPausedMusicMs = 0;
int gLoopedPosition = kNoPosition;
int gJumpTarget = kNoPosition;  // asked for, made at the next frame
bool gQuitAsked = false;
bool gSeekingInAPassOfItsOwn = false;
bool gSeekingShown = false;  // for the jump asked for
bool gDamageTold = false;

// Where the next jump starts from: the one already asked for, else the
// position on the screen.
int currentPosition() {
    if (gJumpTarget != kNoPosition) return gJumpTarget;
    return std::clamp<int32_t>(PatternData::instance().position(), 0, kLastPlayerPosition);
}

void askForJump(int position) {
    gJumpTarget = std::clamp(position, 0, kLastPlayerPosition);
}

// Moves the origin so that the music time now is ms.
void setMusicTime(int32_t ms) {
    musicStartTicks = platformTicks() - static_cast<uint32_t>(ms);
}

// The frame period: how often a paused player reads the keys.
constexpr uint32_t kPausedPassMs = 1000 / kPlayerRate.numerator;

// The host's ticks at which the next pass has something to do.
uint32_t nextPassTicks() {
    if (gPaused || gJumpTarget != kNoPosition) return platformTicks() + kPausedPassMs;
    return musicStartTicks + gSchedule.nextDueMs();
}

// The frame is the one shown from its present on.
void runShownFrame(uint64_t frame) {
    overlaySkippedFrames = int32_t(std::min<uint64_t>(gSchedule.skipped(), INT32_MAX));
    gShownFrame = int64_t(frame);
    Timeline::runFrameAt(static_cast<int>(frameTimeMs(frame, kPlayerRate)));
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
    visibleScreenPresent(display->pixels, top, rows);
}

// The sound stops at once and waits at the jump's first sample; it starts
// again with the picture, or at resume when paused. A jump to a saved state
// runs one frame: no "SEEKING" flashes up before it.
void jumpTo(int position) {
    const uint64_t frame = Seek::firstFrameOf(position);
    if (!Seek::isSaved(frame)) showSeeking();
    AudioBridge::stop();
    // The sound of the frame starts where capture cuts it.
    AudioBridge::seek(static_cast<uint32_t>(soundFrameAt(frame, kPlayerRate)));
    platformForgetHeardSound();
    overlaySkippedFrames = 0;
    gShownFrame = int64_t(frame);
    Seek::runToFrame(frame);
    gSchedule.restartAfter(frame);
    const auto ms = static_cast<int32_t>(frameTimeMs(frame, kPlayerRate));
    if (gLoopedPosition != kNoPosition) gLoopedPosition = position;
    if (gPaused) {
        gPausedMusicMs = ms;
        return;
    }
    // Measured after the frames on the way: the music goes on from the frame
    // shown, however long they took.
    setMusicTime(ms);
    AudioBridge::play();
    platformExpectSound();
}

void pause() {
    gPausedMusicMs = playerMusicMs();
    gPaused = true;
    AudioBridge::stop();
    AudioBridge::seek(
        static_cast<uint32_t>(soundFrameAtMs(uint64_t(std::max<int32_t>(gPausedMusicMs, 0)))));
    platformForgetHeardSound();
}

void resume() {
    setMusicTime(gPausedMusicMs);
    gPaused = false;
    AudioBridge::play();
    platformExpectSound();
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
    PlayerKey key;
    On on;
    void (*act)();
};

// Every key the player knows: the key, when it acts and what it does, and
// how a web page names it (the browser's KeyboardEvent.key, letters in lower
// case; none for the keys that end the demo, which a page does not) and
// shows it in its notes. Backspace ends the demo on its release, as on the
// console, and so does Escape, as at demo parties; the others act on their
// press. Every other key is ignored.
// clang-format off
constexpr KeyAction kKeys[] = {
    {{Key::Backspace, nullptr,      "Backspace", "end"},               On::Release, quit},
    {{Key::Escape,    nullptr,      "Esc",       "end"},               On::Release, quit},
    {{Key::Space,     " ",          "Space",     "pause"},             On::Press,   pauseOrResume},
    {{Key::Left,      "ArrowLeft",  "\u2190",    "previous position"}, On::Press,   previousPosition},
    {{Key::Right,     "ArrowRight", "\u2192",    "next position"},     On::Press,   nextPosition},
    {{Key::Home,      "Home",       "Home",      "start"},             On::Press,   musicStart},
    {{Key::L,         "l",          "L",         "loop"},              On::Press,   loopOrUnloop},
    {{Key::O,         "o",          "O",         "info"},              On::Press,   overlayOnOrOff},
};
// clang-format on

void readInput() {
    InputEvent event;
    while (platformNextInput(&event)) playerInput(event);
}

// ---- the pass ----------------------------------------------------------------------

// The frame of one pass; true if it was the frame that ends the demo.
bool runPassFrame() {
    if (gJumpTarget != kNoPosition) {
        if (gSeekingInAPassOfItsOwn && !gSeekingShown &&
            !Seek::isSaved(Seek::firstFrameOf(gJumpTarget))) {
            showSeeking();
            gSeekingShown = true;
            return false;
        }
        const int position = gJumpTarget;
        gJumpTarget = kNoPosition;
        gSeekingShown = false;
        jumpTo(position);
        return false;
    }
    if (gPaused) return false;
    const std::optional<uint64_t> frame = gSchedule.take(playerMusicMs());
    if (!frame) return false;
    const auto ms = static_cast<int32_t>(frameTimeMs(*frame, kPlayerRate));
    if (gLoopedPosition != kNoPosition &&
        PatternData::rowsAt(ms) >= (gLoopedPosition + 1) * PatternData::kRows) {
        jumpTo(gLoopedPosition);
        return false;
    }
    runShownFrame(*frame);
    return Timeline::ended();
}

// A damaged song plays on past the damage, silent for its length; the
// listener is told once, when the second processor finds it.
void tellSongDamage() {
    if (gDamageTold) return;
    const AudioBridge::SongDamage damage = AudioBridge::songDamage();
    if (damage.count == 0) return;
    gDamageTold = true;
    problemLine("%s", AudioBridge::songDamageLine(damage).c_str());
}

}  // namespace

void playerStartMusicClock() {
    musicStartTicks = platformTicks();
}

int32_t playerMusicMs() {
    return static_cast<int32_t>(platformTicks() - musicStartTicks);
}

void playerStart() {
    gPaused = false;
    gLoopedPosition = kNoPosition;
    gJumpTarget = kNoPosition;
    gSeekingShown = false;
    gQuitAsked = false;
    gSchedule = FrameSchedule();
    gShownFrame = -1;
    gDamageTold = false;
    Seek::rememberStart();
}

bool playerPass() {
    bool end = runPassFrame();
    tellSongDamage();
    readInput();
    if (gQuitAsked) end = true;
    if (end) return true;
    const uint32_t due = nextPassTicks();
    Seek::workAhead(due);
    platformWaitUntil(due);
    return false;
}

bool playerFrameDue() {
    if (gJumpTarget != kNoPosition) return true;
    return !gPaused && static_cast<int32_t>(playerMusicMs() - gSchedule.nextDueMs()) >= 0;
}

void playerSetPaused(bool paused) {
    if (paused != gPaused) pauseOrResume();
}

void playerJumpTo(int position) {
    askForJump(position);
}

bool playerJumpPending() {
    return gJumpTarget != kNoPosition;
}

void playerSetSeekingInAPassOfItsOwn(bool on) {
    gSeekingInAPassOfItsOwn = on;
}

void playerInput(const InputEvent& event) {
    if (event.kind == InputEvent::Kind::Quit) {
        quit();
        return;
    }
    const On on = event.kind == InputEvent::Kind::KeyDown ? On::Press : On::Release;
    for (const KeyAction& action : kKeys) {
        if (action.key.key == event.key && action.on == on) action.act();
    }
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

int playerKeyCount() {
    return int(std::size(kKeys));
}

const PlayerKey& playerKeyAt(int index) {
    return kKeys[std::clamp(index, 0, playerKeyCount() - 1)].key;
}

int64_t playerShownFrame() {
    return gShownFrame;
}

int32_t playerShownMusicMs() {
    return gShownFrame < 0 ? -1
                           : static_cast<int32_t>(frameTimeMs(uint64_t(gShownFrame), kPlayerRate));
}

uint64_t playerSkippedFrames() {
    return gSchedule.skipped();
}
