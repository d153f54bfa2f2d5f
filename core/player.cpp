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
std::optional<uint64_t> gJumpTarget;  // a frame, asked for, made at the next pass
bool gQuitAsked = false;
bool gSeekingInAPassOfItsOwn = false;
bool gSeekingShown = false;  // for the jump asked for
bool gHeld = false;
bool gPlayingBeforeHold = false;
bool gResumeAfterJump = false;  // a drag let go before its jump was made
bool gDamageTold = false;

// A jump runs this many frames at most without "SEEKING": as many as lie
// between two save points, which is every jump once they are all saved.
constexpr uint64_t kQuietJumpFrames = Seek::kSavePointFrames;
// Shift with Right or Left.
constexpr uint32_t kSmallJumpMs = 5000;

// Where the next jump starts from: the one already asked for, else the frame
// on the screen, or while playing the frame due now (which the next pass
// shows).
uint64_t currentFrame() {
    if (gJumpTarget) return *gJumpTarget;
    if (gShownFrame < 0) return 0;
    if (gPaused) return uint64_t(gShownFrame);
    const uint64_t due =
        lastFrameAtOrBefore(uint64_t(std::max<int32_t>(playerMusicMs(), 0)), kPlayerRate);
    return std::clamp(due, uint64_t(gShownFrame), Seek::lastFrame());
}

// The position of the jump asked for, else the one on the screen.
int currentPosition() {
    const int32_t position =
        gJumpTarget ? Seek::positionOf(*gJumpTarget) : PatternData::instance().position();
    return std::clamp<int32_t>(position, 0, kLastPlayerPosition);
}

void askForJumpToFrame(uint64_t frame) {
    gJumpTarget = std::min(frame, Seek::lastFrame());
}

void askForJump(int position) {
    askForJumpToFrame(Seek::firstFrameOf(std::clamp(position, 0, kLastPlayerPosition)));
}

// Moves the origin so that the music time now is ms.
void setMusicTime(int32_t ms) {
    musicStartTicks = platformTicks() - static_cast<uint32_t>(ms);
}

// The frame period: how often a paused player reads the keys.
constexpr uint32_t kPausedPassMs = 1000 / kPlayerRate.numerator;

// The host's ticks at which the next pass has something to do.
uint32_t nextPassTicks() {
    if (gPaused || gJumpTarget) return platformTicks() + kPausedPassMs;
    return musicStartTicks + gSchedule.nextDueMs();
}

// The frame is the one shown from its present on.
void runShownFrame(uint64_t frame) {
    overlaySkippedFrames = int32_t(std::min<uint64_t>(gSchedule.skipped(), INT32_MAX));
    gShownFrame = int64_t(frame);
    overlayFrame = gShownFrame;
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

bool jumpIsLong(uint64_t frame) {
    return Seek::framesToReach(frame) > kQuietJumpFrames;
}

// The sound stops at once and waits at the jump's first sample; it starts
// again with the picture, or at resume when paused. A jump within reach of a
// saved state shows no "SEEKING": the label would only flash up.
void jumpTo(uint64_t frame) {
    if (jumpIsLong(frame)) showSeeking();
    AudioBridge::stop();
    // The sound of the frame starts where capture cuts it.
    AudioBridge::seek(static_cast<uint32_t>(soundFrameAt(frame, kPlayerRate)));
    platformForgetHeardSound();
    overlaySkippedFrames = 0;
    gShownFrame = int64_t(frame);
    overlayFrame = gShownFrame;
    Seek::runToFrame(frame);
    gSchedule.restartAfter(frame);
    const auto ms = static_cast<int32_t>(frameTimeMs(frame, kPlayerRate));
    if (gLoopedPosition != kNoPosition) gLoopedPosition = Seek::positionOf(frame);
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
    gResumeAfterJump = false;
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

// Frame steps, while paused: the frame after or before the one shown.
void nextFrame() {
    if (gPaused) askForJumpToFrame(currentFrame() + 1);
}

void previousFrame() {
    if (gPaused) askForJumpToFrame(currentFrame() - std::min<uint64_t>(currentFrame(), 1));
}

void fiveSecondsOn() {
    askForJumpToFrame(
        firstFrameAtOrAfter(frameTimeMs(currentFrame(), kPlayerRate) + kSmallJumpMs, kPlayerRate));
}

void fiveSecondsBack() {
    const uint64_t ms = frameTimeMs(currentFrame(), kPlayerRate);
    askForJumpToFrame(firstFrameAtOrAfter(ms - std::min<uint64_t>(ms, kSmallJumpMs), kPlayerRate));
}

void loopOrUnloop() {
    gLoopedPosition = gLoopedPosition == kNoPosition ? currentPosition() : kNoPosition;
}

// A paused picture is made again, with the overlay or without it.
void overlayOnOrOff() {
    overlayEnabled = !overlayEnabled;
    if (gPaused && !gJumpTarget && gShownFrame >= 0) askForJumpToFrame(uint64_t(gShownFrame));
}

enum class On { Press, Release };

struct KeyAction {
    PlayerKey key;
    On on;
    void (*act)();
};

// Every key the player knows: the key, when it acts and what it does, how a
// web page names it (the browser's KeyboardEvent.key, letters in lower case;
// none for the keys that end the demo, which a page does not offer), shows it
// in its notes and on its buttons, and how the README and --help describe
// it. Backspace ends the demo on its release, as on the console, and so does
// Escape, as at demo parties; the others act on their press. Every other key
// is ignored.
// clang-format off
constexpr KeyAction kKeys[] = {
    {{Key::Space, false, " ", "Space", "pause",
      "pause and resume, picture and sound together", "PAUSE", PlayerState::Paused},
     On::Press, pauseOrResume},
    {{Key::Left, false, "ArrowLeft", "\u2190", "previous position",
      "the start of the previous music position", nullptr, PlayerState::None},
     On::Press, previousPosition},
    {{Key::Right, false, "ArrowRight", "\u2192", "next position",
      "the start of the next music position (0 to 34), frame-exact", nullptr, PlayerState::None},
     On::Press, nextPosition},
    {{Key::Left, true, "Shift+ArrowLeft", "Shift+\u2190", "5 s back",
      "5 seconds back, from the frame due then", "-5 S", PlayerState::None},
     On::Press, fiveSecondsBack},
    {{Key::Right, true, "Shift+ArrowRight", "Shift+\u2192", "5 s on",
      "5 seconds on", "+5 S", PlayerState::None},
     On::Press, fiveSecondsOn},
    {{Key::Comma, false, ",", ",", "previous frame",
      "when paused: the previous frame (of 60 a second)", "< FRAME", PlayerState::None},
     On::Press, previousFrame},
    {{Key::Period, false, ".", ".", "next frame",
      "when paused: the next frame", "FRAME >", PlayerState::None},
     On::Press, nextFrame},
    {{Key::Home, false, "Home", "Home", "start", "back to the start of the music", nullptr,
      PlayerState::None},
     On::Press, musicStart},
    {{Key::L, false, "l", "L", "loop", "loop the current position until pressed again", "LOOP",
      PlayerState::Looping},
     On::Press, loopOrUnloop},
    {{Key::O, false, "o", "O", "info",
      "an overlay with position, row, frame, music time, frames a second and frames skipped",
      "INFO", PlayerState::Overlay},
     On::Press, overlayOnOrOff},
    {{Key::Backspace, false, nullptr, "Backspace", "end", "end the demo", nullptr, PlayerState::None},
     On::Release, quit},
    {{Key::Escape, false, nullptr, "Escape", "end", "end the demo", nullptr, PlayerState::None},
     On::Release, quit},
};
// clang-format on

void readInput() {
    InputEvent event;
    while (platformNextInput(&event)) playerInput(event);
}

// ---- the pass ----------------------------------------------------------------------

// The frame of one pass; true if it was the frame that ends the demo.
bool runPassFrame() {
    if (gJumpTarget) {
        if (gSeekingInAPassOfItsOwn && !gSeekingShown && jumpIsLong(*gJumpTarget)) {
            showSeeking();
            gSeekingShown = true;
            return false;
        }
        const uint64_t frame = *gJumpTarget;
        gJumpTarget.reset();
        gSeekingShown = false;
        jumpTo(frame);
        if (gResumeAfterJump && gPaused) resume();
        gResumeAfterJump = false;
        return false;
    }
    if (gPaused) return false;
    const std::optional<uint64_t> frame = gSchedule.take(playerMusicMs());
    if (!frame) return false;
    const auto ms = static_cast<int32_t>(frameTimeMs(*frame, kPlayerRate));
    if (gLoopedPosition != kNoPosition &&
        PatternData::rowsAt(ms) >= (gLoopedPosition + 1) * PatternData::kRows) {
        jumpTo(Seek::firstFrameOf(gLoopedPosition));
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
    gJumpTarget.reset();
    gSeekingShown = false;
    gHeld = false;
    gResumeAfterJump = false;
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
    if (gPaused && !gJumpTarget && gShownFrame > 0) Seek::workBehind(uint64_t(gShownFrame), due);
    Seek::workAhead(due);
    platformWaitUntil(due);
    return false;
}

bool playerFrameDue() {
    if (gJumpTarget) return true;
    return !gPaused && static_cast<int32_t>(playerMusicMs() - gSchedule.nextDueMs()) >= 0;
}

void playerSetPaused(bool paused) {
    if (paused != gPaused) pauseOrResume();
}

void playerJumpTo(int position) {
    askForJump(position);
}

void playerJumpToFrame(uint64_t frame) {
    askForJumpToFrame(frame);
}

bool playerJumpPending() {
    return gJumpTarget.has_value();
}

bool playerAnimationFrame() {
    for (int pass = 0; pass < kMostPassesAFrame; ++pass) {
        if (pass > 0 && (!playerFrameDue() || platformIdleUs(0) == 0)) break;
        if (playerPass()) return true;
        if (gSeekingShown) break;
    }
    return false;
}

void playerHold(bool held) {
    if (held == gHeld) return;
    gHeld = held;
    if (held) {
        gPlayingBeforeHold = !gPaused;
        playerSetPaused(true);
    } else if (gPlayingBeforeHold && gJumpTarget) {
        // The sound starts with the frame let go at, once it is made.
        gResumeAfterJump = true;
    } else if (gPlayingBeforeHold) {
        playerSetPaused(false);
    }
}

bool playerHeld() {
    return gHeld;
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
        if (action.key.key == event.key && action.key.shift == event.shift && action.on == on) {
            action.act();
        }
    }
}

bool playerIn(PlayerState state) {
    switch (state) {
        case PlayerState::Paused:
            return gPaused;
        case PlayerState::Looping:
            return gLoopedPosition != kNoPosition;
        case PlayerState::Overlay:
            return overlayEnabled;
        case PlayerState::None:
            break;
    }
    return false;
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
