// main.cpp - the demo's entry point in a web page: the narrow bridge between
// the page's scripts and the engine (WebAssembly, one thread).
//
// The page calls in; nothing here waits. Seven calls, and two records:
//   webFacts()          what the page needs to know, once, as JSON: the
//                       screen and where its RGBA picture lies, the sample
//                       rate, the font's cells, the sections of the running
//                       order, where each position starts and the last
//                       moment a seek reaches, the keys (with the page's
//                       buttons), the commands, the layout of the status
//                       record, the song's file, and where the order and
//                       report words of the second processor lie
//   webShowDownload()   the demo's loading screen while the page downloads
//   webStartUp()        the start-up, once the files are written
//   webSyncEvents()     after it: the music times of the song's beats, as
//                       the sync table gives them, for the seek bar
//   webFrame()          one animation frame of the live player
//   webCommand()        the one entry for what the viewer asks: Play, a
//                       link's moment before Play, a key (the player's own
//                       entry, as the desktop's keys), a jump to a position,
//                       a seek to a music time and the hold of a drag, play
//                       again, the page hidden or shown
//   webHeard()          the sound output's report of what it played, when,
//                       and what it holds to follow
//   webSoundLost()      the page's sound has stopped for good (its decoder
//                       failed)
// After each call the status record (32-bit words, named in the facts) says
// what the page shows: the picture's number, the frame and its music time,
// the position, the loop, pause, a drag's hold, the overlay, the end, and
// the seeks asked for so far.
//
// The page's second processor is a worker of its own, which the page starts
// and hands the song (web/page/sound-decoder.js): start-up brings up none
// here. The player's orders go into a control block of this file's, and
// after each call the page sends the worker its order words
// (platform/sound_pump.h) where the facts say, whenever they changed. The
// worker's report (where the song's sound stopped, the damaged stretches it
// skipped) the page writes back into this block, where the facts say, as the
// console's second processor writes it; the player and webFrame tell the
// listener from there, once.
//
// After a click on Play the browser's animation frames drive the live player
// (core/player.h), which owns the music's time and the frame schedule: at
// each animation frame it shows the frame of the 60 frames a second schedule
// due at the music time the page's clock reads (platform/web/browser.h: the
// sound heard, or the wall clock without sound). While the page keeps up the
// frames are offline capture's; on a slow machine the player skips frames to
// stay with the music. A start-up failure ends the engine with its own line
// and exit status 1, which the page shows.
#include <emscripten.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/demo.h"
#include "core/frame_plan.h"
#include "core/player.h"
#include "core/seek.h"
#include "core/timeline.h"
#include "music/music_files.h"
#include "music/pattern_data.h"
#include "music/sound_orders.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/screen_layout.h"
#include "platform/sound_control_block.h"
#include "platform/sound_device.h"
#include "platform/sound_pump.h"
#include "platform/web/browser.h"
#include "video/display.h"
#include "video/font.h"
#include "video/visible_screen.h"

namespace {

constexpr double kFramePeriodMs = 1000.0 * kPlayerRate.denominator / kPlayerRate.numerator;

// The status record, a 32-bit word a field, in this order.
enum Field {
    kPicture,   // counts the pictures made ready for the page to paint
    kFrame,     // the frame on screen, -1 before the first
    kMusicMs,   // its music time
    kPosition,  // the music position on screen, 0 to the last shown
    kLooped,    // the looped position, or -1
    kPaused,    // 1 while paused
    kHeld,      // 1 while a seek bar's drag holds the player
    kLooping,   // 1 while a position loops
    kOverlay,   // 1 while the overlay shows
    kStarted,   // 1 after Play
    kEnded,     // 1 once the demo has ended
    kSeek,      // seeks asked for so far; each block of sound follows one
    kFieldCount
};
constexpr const char* kFieldNames[] = {"picture", "frame",   "musicMs", "position",
                                       "looped",  "paused",  "held",    "looping",
                                       "overlay", "started", "ended",   "seek"};
static_assert(std::size(kFieldNames) == kFieldCount);

// Before start-up no frame is on screen and no position looped.
int32_t* const gStatus = [] {
    static int32_t status[kFieldCount] = {};
    status[kFrame] = -1;
    status[kLooped] = -1;
    return status;
}();
uint8_t gRgba[Display::kPixelCount * 4];
// The control block of the player's orders, and its order words as the page
// sends them to its worker.
SoundControlBlock gControl;
uint32_t gOrders[kSoundOrderWords];

bool gStartedUp = false;
bool gCued = false;  // the player started, paused at a link's moment, before Play
bool gStarted = false;
bool gEnded = false;
bool gHiddenWhilePlaying = false;
int gPresents = 0;
bool gSaidMusicStops = false;
bool gSongCanPlay = false;

void countPresent(void*, const uint16_t*, int, int, int) {
    ++gPresents;
}

// The engine's problem lines ("no music: ...", "error loading ...") go to
// the page, which shows them.
void problemToPage(const char* line) {
    EM_ASM({ Module['onProblem'](UTF8ToString($0)); }, line);
}

bool playing() {
    return gStarted && !gEnded && !playerPaused();
}

// The visible screen as RGBA bytes for the page's canvas, each channel
// widened as capture's PNGs widen it, every pixel opaque.
void makePictureReady() {
    const uint16_t* visible = visibleScreen();
    for (size_t i = 0; i < size_t(Display::kPixelCount); ++i) {
        widenRgb565(visible[i], &gRgba[i * 4]);
        gRgba[i * 4 + 3] = 255;
    }
    ++gStatus[kPicture];
}

void updateStatus() {
    soundOrdersRead(&gControl, gOrders);
    if (!gStartedUp) return;
    gStatus[kFrame] = int32_t(playerShownFrame());
    gStatus[kMusicMs] = std::max(playerShownMusicMs(), 0);
    gStatus[kPosition] = std::clamp(PatternData::instance().position(), 0, kEndPosition - 1);
    gStatus[kLooped] = playerLoopedPosition();
    gStatus[kPaused] = playerPaused() ? 1 : 0;
    gStatus[kHeld] = playerHeld() ? 1 : 0;
    gStatus[kLooping] = playerIn(PlayerState::Looping) ? 1 : 0;
    gStatus[kOverlay] = playerIn(PlayerState::Overlay) ? 1 : 0;
    gStatus[kStarted] = gStarted ? 1 : 0;
    gStatus[kEnded] = gEnded ? 1 : 0;
    gStatus[kSeek] = int32_t(sharedLoad(gControl.seekRequest));
}

// ---- the facts ---------------------------------------------------------------------

std::string quoted(const char* text) {
    if (text == nullptr) return "null";
    std::string out = "\"";
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '"' || *c == '\\') out += '\\';
        out += *c;
    }
    return out + "\"";
}

std::string number(double value) {
    char text[32];
    snprintf(text, sizeof text, "%.10g", value);
    return text;
}

template <typename Each>
std::string list(int count, Each each) {
    std::string out = "[";
    for (int i = 0; i < count; ++i) out += (i > 0 ? "," : "") + each(i);
    return out + "]";
}

// The status field that shows a state of the player, for the buttons that
// show it as on.
const char* stateField(PlayerState state) {
    switch (state) {
        case PlayerState::Paused:
            return kFieldNames[kPaused];
        case PlayerState::Looping:
            return kFieldNames[kLooping];
        case PlayerState::Overlay:
            return kFieldNames[kOverlay];
        case PlayerState::None:
            break;
    }
    return nullptr;
}

// The commands' names, in the order of their table (below).
std::string commandNamesJson();

std::string factsJson() {
    const auto address = [](const void* p) {
        return number(double(reinterpret_cast<uintptr_t>(p)));
    };
    std::string json = "{";
    json += "\"screen\":{\"width\":" + number(Display::kWidth) +
            ",\"height\":" + number(Display::kHeight) + ",\"rgba\":" + address(gRgba) + "}";
    json += ",\"sampleRate\":" + number(double(kSoundSamplesPerSecond));
    json +=
        ",\"font\":{\"file\":" + quoted(kDemoFont.file) +
        ",\"cellWidth\":" + number(kDemoFont.cellWidth) +
        ",\"cellHeight\":" + number(kDemoFont.cellHeight) +
        ",\"advance\":" + number(kDemoFont.cellWidth + kDemoFont.spacing) +
        ",\"first\":" + number(kDemoFont.firstChar) + ",\"last\":" + number(kDemoFont.lastChar) +
        ",\"cellsARow\":" + number(Font::kCellsARow) + ",\"colourKey\":" + number(kColourKey) + "}";
    json += ",\"sections\":" + list(Timeline::sectionCount(), [](int i) {
                return "{\"name\":" + quoted(Timeline::section(i).name) +
                       ",\"first\":" + number(Timeline::section(i).firstPosition) + "}";
            });
    json += ",\"endPosition\":" + number(kEndPosition);
    // The music's time line: where each position starts, up to the end, and
    // the time of the last frame a seek can show.
    json += ",\"positionMs\":" + list(kEndPosition + 1, [](int p) {
                return number(double(PatternData::firstMsOfRow(p * PatternData::kRows)));
            });
    json += ",\"lastMs\":" + number(double(frameTimeMs(Seek::lastFrame(), kPlayerRate)));
    json += ",\"keys\":" + list(playerKeyCount(), [](int i) {
                const PlayerKey& key = playerKeyAt(i);
                return "{\"name\":" + quoted(key.browserName) + ",\"label\":" + quoted(key.label) +
                       ",\"what\":" + quoted(key.what) + ",\"button\":" + quoted(key.button) +
                       ",\"lit\":" + quoted(stateField(key.lit)) + "}";
            });
    json += ",\"commands\":" + commandNamesJson();
    json += ",\"status\":{\"at\":" + address(gStatus) +
            ",\"fields\":" + list(kFieldCount, [](int i) { return quoted(kFieldNames[i]); }) + "}";
    json += ",\"song\":" + quoted(AudioBridge::kSongFile);
    json += ",\"secondCpu\":{\"orders\":{\"at\":" + address(gOrders) +
            ",\"words\":" + number(kSoundOrderWords) + ",\"names\":" +
            list(kSoundOrderWords, [](int i) { return quoted(kSoundOrderNames[i]); }) +
            "},\"report\":{\"at\":" + address(soundReportWords(&gControl)) +
            ",\"words\":" + number(kSoundReportWords) + "}}";
    return json + "}";
}

// ---- the song's beats -------------------------------------------------------------

// The events the scenes react to, by their codes in the sync table: the beat
// (the title's pulse, the mesh's flash, the flower's sparks) and the start of
// the mesh's glitches.
constexpr int kBeatCode = 1;
constexpr int kGlitchCode = 11;

std::vector<int> rowsMsWith(int code) {
    const PatternData& table = PatternData::instance();
    std::vector<int> times;
    for (int position = 0; position < PatternData::kPositions; ++position) {
        for (int row = 0; row < PatternData::kRows; ++row) {
            for (int channel = 0; channel < PatternData::kChannels; ++channel) {
                if (table.cell(position, channel, row) - 1 != code) continue;
                times.push_back(PatternData::firstMsOfRow(position * PatternData::kRows + row));
                break;
            }
        }
    }
    return times;
}

std::string syncEventsJson() {
    const auto times = [](int code) {
        const std::vector<int> ms = rowsMsWith(code);
        return list(int(ms.size()), [&](int i) { return number(ms[size_t(i)]); });
    };
    return "{\"beats\":" + times(kBeatCode) + ",\"glitches\":" + times(kGlitchCode) + "}";
}

// ---- the commands ------------------------------------------------------------------

// The click on Play: the music starts, on the sound heard if the page plays
// sound (the browser's output and the page's decoder both work) and the song
// can play, else on the wall clock; from the moment a link asked for, where
// one did.
void play(bool pagePlaysSound) {
    if (gStarted || !gStartedUp) return;
    browserStartClock(pagePlaysSound && gSongCanPlay, kFramePeriodMs);
    if (!gCued) playerStart();
    gStarted = true;
    // The wait for sound starts once the player's own start is done, which
    // a slow machine makes long.
    platformExpectSound();
    playerSetPaused(false);
}

// The frame a music time names, as capture's --from and --at name it: the
// first at or after it.
uint64_t frameAt(int ms) {
    return firstFrameAtOrAfter(uint64_t(std::max(ms, 0)), kPlayerRate);
}

// Before Play, a link to a moment: the player starts there, paused, and its
// frame is made now (the first frames of a long way run off screen), so
// that the picture before Play is that frame.
void cue(int ms) {
    if (gStarted || !gStartedUp) return;
    if (!gCued) playerStart();
    gCued = true;
    playerSetPaused(true);
    playerJumpToFrame(frameAt(ms));
    while (playerJumpPending()) playerPass();
}

// A key of the player's table, pressed and released.
void key(int index) {
    if (!gStarted || gEnded || index < 0 || index >= playerKeyCount()) return;
    const PlayerKey& key = playerKeyAt(index);
    playerInput({InputEvent::Kind::KeyDown, key.key, key.shift});
    playerInput({InputEvent::Kind::KeyUp, key.key, key.shift});
}

// A jump to the start of a position (a cell of the position bar).
void jump(int position) {
    if (gStarted) playerJumpTo(position);
}

// A seek bar's pointer at a music time: made at the next animation frame,
// only the latest one asked for by then.
void seek(int ms) {
    if (gStarted && !gEnded) playerJumpToFrame(frameAt(ms));
}

// A drag along the seek bar begins (1) or ends (0): the sound waits meanwhile
// and goes on from the frame shown once let go, if it was playing.
void hold(int on) {
    if (gStarted && !gEnded) playerHold(on != 0);
}

// "Play again" after the end: from the start of the music.
void playAgain(int) {
    if (!gStarted) return;
    gEnded = false;
    playerSetPaused(false);
    playerJumpTo(0);
}

// The page is hidden (another tab in front) or frozen: picture and sound
// pause at once, not at the next animation frame, which a hidden page does
// not get. Shown again, they go on together from where they stopped.
void hide(int) {
    if (!playing()) return;
    playerSetPaused(true);
    gHiddenWhilePlaying = true;
}

void show(int) {
    if (!gHiddenWhilePlaying) return;
    gHiddenWhilePlaying = false;
    if (gStarted && !gEnded) playerSetPaused(false);
}

// What the viewer asks, by its index here, which the facts name.
struct CommandEntry {
    const char* name;
    void (*run)(int value);
};
constexpr CommandEntry kCommands[] = {
    {"play", [](int value) { play(value != 0); }},
    {"cue", cue},
    {"key", key},
    {"jump", jump},
    {"seek", seek},
    {"hold", hold},
    {"again", playAgain},
    {"hide", hide},
    {"show", show},
};

std::string commandNamesJson() {
    return list(int(std::size(kCommands)), [](int i) { return quoted(kCommands[i].name); });
}

// The second processor found the song's sound stop (damage it could not go
// on from) before the demo's end: said once.
void tellMusicStop() {
    if (gSaidMusicStops) return;
    const uint64_t stopped = AudioBridge::musicStoppedAt();
    if (stopped == UINT64_MAX) return;
    const std::string line = AudioBridge::musicStopProblem(stopped, demoEndMs());
    if (line.empty()) return;
    gSaidMusicStops = true;
    problemLine("%s", line.c_str());
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE const char* webFacts() {
    static const std::string facts = factsJson();
    return facts.c_str();
}

// The loading screen while the page downloads the demo's files (after
// data/font.png is written): the bar filled by `permille` thousandths and the
// page's note under it.
EMSCRIPTEN_KEEPALIVE void webShowDownload(int permille, const char* note) {
    setProblemSink(problemToPage);
    demoShowDownload(std::clamp(permille, 0, 1000) * kLoadingSteps / 1000, note);
    makePictureReady();
}

// After the page has written data/: the start-up of a host whose second
// processor runs apart, with the sync table read, so that every file the demo
// cannot start without fails here. A missing or broken one ends it with the
// engine's own line and exit status 1; a song that cannot play, with its
// line, and the demo plays on silently.
EMSCRIPTEN_KEEPALIVE void webStartUp() {
    setProblemSink(problemToPage);
    gSongCanPlay = demoStartUpApart(&gControl);
    setPresentObserver(countPresent, nullptr);
    playerSetSeekingInAPassOfItsOwn(true);
    gStartedUp = true;
    makePictureReady();
    updateStatus();
}

// Once started up: the music times (ms) of the rows of the sync table that
// hold the events the scenes react to, for the page's seek bar, as JSON:
// {"beats": [...], "glitches": [...]}.
EMSCRIPTEN_KEEPALIVE const char* webSyncEvents() {
    if (!gStartedUp) return "";
    static const std::string events = syncEventsJson();
    return events.c_str();
}

// One animation frame at nowMs of the page's clock, with the output's clock:
// heardSeconds of it was heard at heardAtMs (heardSeconds < 0: no sound).
EMSCRIPTEN_KEEPALIVE void webFrame(double nowMs, double heardSeconds, double heardAtMs) {
    if (!gStarted || gEnded) return;
    browserAnimationFrame(nowMs, heardSeconds, heardAtMs);
    gPresents = 0;
    const bool jump = playerJumpPending();
    const double started = emscripten_get_now();
    if (playerAnimationFrame()) gEnded = true;
    // A jump's work is the jump's own, not that of a picture on time.
    if (!jump && gPresents > 0) browserAnimationFrameWork(emscripten_get_now() - started);
    tellMusicStop();
    if (gEnded) AudioBridge::stop();
    if (gPresents > 0) makePictureReady();
    updateStatus();
}

EMSCRIPTEN_KEEPALIVE void webCommand(int command, int value) {
    gPresents = 0;
    if (command >= 0 && command < int(std::size(kCommands))) kCommands[command].run(value);
    // Paused, a jump the viewer asked for (a step, a point on the seek bar) is
    // made now, not at the next animation frame, and without the work done in
    // a frame's idle time; a long one shows SEEKING first, as in a frame.
    if (gStarted && !gEnded && playerPaused() && playerJumpPending()) {
        browserNoIdleTime();
        if (playerAnimationFrame()) gEnded = true;
    }
    if (gPresents > 0) makePictureReady();
    updateStatus();
}

// From `atSeconds` of the output's clock on, `soundFrames` frames of the
// song were played, following seek number `seek`: they count as heard when
// no seek came after. The output holds `following` frames more to follow
// them directly.
EMSCRIPTEN_KEEPALIVE void webHeard(double atSeconds, int soundFrames, int seek, int following) {
    if (soundFrames <= 0 || uint32_t(seek) != sharedLoad(gControl.seekRequest)) return;
    browserSoundHeard(atSeconds, uint32_t(soundFrames), uint32_t(std::max(following, 0)));
}

// The page's decoder stopped for good (the page has said why): the picture
// goes on by the wall clock, also after later jumps.
EMSCRIPTEN_KEEPALIVE void webSoundLost() {
    browserSoundLost();
}

}  // extern "C"
