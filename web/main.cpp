// main.cpp - the demo's entry point in a web page (WebAssembly, one thread).
//
// The page calls in; nothing here waits. Start-up is the desktop's; after a
// click on Play the browser's animation frames drive the live player
// (core/player.h), which owns the music's time and the frame schedule: at
// each animation frame it shows the frame of the 60 frames a second schedule
// due at the music time the page's clock reads (platform/web/clock_web.cpp:
// the sound heard, or the wall clock without sound). While the page keeps up
// the frames are offline capture's; on a slow machine the player skips frames
// to stay with the music. The page's sound callback runs the second
// processor's program and the audio thread's loop until it has the sound it
// asks for, and tells the clock when that sound will be heard.
//
// Test hooks render offline as capture does (core/offline_run.h):
// webHashesBegin/Step print capture's "n ms position row hash" lines,
// webSoundChecksum the checksum of the first seconds of decoded sound,
// webBenchBegin/Step time every frame.
#include <emscripten.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/demo.h"
#include "core/offline_run.h"
#include "core/player.h"
#include "core/screen_hash.h"
#include "core/seek.h"
#include "core/timeline.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/messages.h"
#include "platform/present.h"
#include "platform/screen_layout.h"
#include "platform/second_cpu.h"
#include "platform/sound_device.h"
#include "platform/web/browser.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

constexpr double kFramePeriodMs = 1000.0 * kPlayerRate.denominator / kPlayerRate.numerator;
// Passes an animation frame may run: one, and more while frames are due (a
// frame or two behind runs back to back; further behind, the player skips).
constexpr int kMostPassesAFrame = 4;
// No sound decoded for this long while the demo plays: the sound has stopped
// coming (a damaged song), and the picture goes on by the wall clock.
constexpr double kNoSoundAfterMs = 500;

bool gStarted = false;
bool gEnded = false;
bool gHiddenWhilePlaying = false;
int gPresents = 0;
double gLastSoundMs = 0;
double gHandedSample = -1;
size_t gHandedFrames = 0;

// The end of the current animation frame's period on the page's clock: the
// copy of the demo that runs ahead (seek.h) works only in what is left of it.
double gAnimationFrameEndMs = 0;

uint32_t idleOfAnimationFrame() {
    const double left = gAnimationFrameEndMs - emscripten_get_now();
    return left > 0 ? uint32_t(left * 1000) : 0;
}

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

// ---- offline runs for the test hooks --------------------------------------------

std::unique_ptr<OfflineRun> gRun;
struct Timed {
    std::vector<double> costMs;  // each frame's cost
    std::vector<int32_t> mask;   // and its scenes
};
Timed gTimed;

}  // namespace

extern "C" {

// The loading screen while the page downloads the demo's files (after
// data/font.png is written): the bar filled by `permille` thousandths and the
// page's note under it.
EMSCRIPTEN_KEEPALIVE void webShowDownload(int permille, const char* note) {
    setProblemSink(problemToPage);
    demoShowDownload(std::clamp(permille, 0, 1000) * kLoadingSteps / 1000, note);
}

// The running order's sections, for the page's position bar: their names
// and first positions, and the position that ends the demo.
EMSCRIPTEN_KEEPALIVE int webSectionCount() {
    return Timeline::sectionCount();
}
EMSCRIPTEN_KEEPALIVE const char* webSectionName(int index) {
    return Timeline::section(index).name;
}
EMSCRIPTEN_KEEPALIVE int webSectionFirstPosition(int index) {
    return Timeline::section(index).firstPosition;
}
EMSCRIPTEN_KEEPALIVE int webEndPosition() {
    return kEndPosition;
}

// After the page has written data/ and code940.bin: the desktop's start-up.
// A missing or broken asset ends it with the engine's own line and exit
// status 1. The engine's problem lines go to the page's onProblem, which
// shows them; its progress lines are printed.
EMSCRIPTEN_KEEPALIVE void webStartUp() {
    setProblemSink(problemToPage);
    demoStartUp();
    setPresentObserver(countPresent, nullptr);
    platformSetScheduledIdle(idleOfAnimationFrame);
}

// The click on Play: the music starts, on the sound heard if the browser
// plays sound and there is music to play, else on the wall clock. leadMs: how
// long after an animation frame its picture is seen.
EMSCRIPTEN_KEEPALIVE void webPlay(int browserPlaysSound, double leadMs) {
    if (gStarted) return;
    const bool music = AudioBridge::musicProblem(demoEndMs()).empty() && secondCpuProgramRunning();
    browserStartClock(browserPlaysSound != 0 && music, leadMs);
    playerStart();
    gStarted = true;
}

// One animation frame at nowMs of the page's clock, with the output's clock:
// heardSeconds of it was heard at heardAtMs (heardSeconds < 0: no sound).
// 0: nothing new to paint, 1: a new picture, 2: the demo has ended (its last
// frame is the picture).
EMSCRIPTEN_KEEPALIVE int webFrame(double nowMs, double heardSeconds, double heardAtMs) {
    if (!gStarted || gEnded) return gEnded ? 2 : 0;
    if (heardSeconds >= 0) browserOutputTiming(heardSeconds, heardAtMs);
    gAnimationFrameEndMs = nowMs + kFramePeriodMs;
    gPresents = 0;
    // One pass for the keys at least; more while the schedule has frames due.
    for (int pass = 0; pass < kMostPassesAFrame && !gEnded; ++pass) {
        if (pass > 0 && !playerFrameDue()) break;
        if (playerPass()) gEnded = true;
    }
    if (gEnded) AudioBridge::stop();
    return gEnded ? 2 : gPresents > 0 ? 1 : 0;
}

// A key, by the browser's name for it (KeyboardEvent.key): 1 if the player
// has it (core/player.h's table), else 0. It acts at once; a jump it asks
// for is made at the next animation frame (webJumpPending).
EMSCRIPTEN_KEEPALIVE int webKey(const char* browserName) {
    const Key key = playerKeyForBrowserName(browserName);
    if (key == Key::Other) return 0;
    if (gStarted && !gEnded) {
        platformQueueKey(key);
        playerReadInput();
    }
    return 1;
}

EMSCRIPTEN_KEEPALIVE int webJumpPending() {
    return playerJumpPending() ? 1 : 0;
}

// The keys the page offers, for its notes: their browser names, labels and
// what they do, from the player's table (null past the last or where a page
// does not offer the key).
EMSCRIPTEN_KEEPALIVE int webKeyCount() {
    return playerKeyCount();
}
EMSCRIPTEN_KEEPALIVE const char* webKeyName(int index) {
    return playerKeyAt(index).browserName;
}
EMSCRIPTEN_KEEPALIVE const char* webKeyLabel(int index) {
    return playerKeyAt(index).label;
}
EMSCRIPTEN_KEEPALIVE const char* webKeyWhat(int index) {
    return playerKeyAt(index).what;
}

// A click on the position bar.
EMSCRIPTEN_KEEPALIVE void webJump(int position) {
    if (gStarted) playerJumpTo(position);
}

// "Play again" after the end: from the start of the music.
EMSCRIPTEN_KEEPALIVE void webRestart() {
    if (!gStarted) return;
    gEnded = false;
    playerSetPaused(false);
    playerJumpTo(0);
}

// The page is hidden (another tab in front) or frozen: picture and sound
// pause at once, not at the next animation frame, which a hidden page does
// not get. Shown again, they go on together from where they stopped.
EMSCRIPTEN_KEEPALIVE void webHide() {
    if (!playing()) return;
    playerSetPaused(true);
    gHiddenWhilePlaying = true;
}

EMSCRIPTEN_KEEPALIVE void webShow() {
    if (!gHiddenWhilePlaying) return;
    gHiddenWhilePlaying = false;
    if (gStarted && !gEnded) playerSetPaused(false);
}

// Whether every position start is saved (seek.h): a jump is then one frame,
// and the page shows no "seeking" label for it.
EMSCRIPTEN_KEEPALIVE int webJumpsAreInstant() {
    return Seek::allPositionsSaved() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int webPosition() {
    return PatternData::instance().position();
}
EMSCRIPTEN_KEEPALIVE int webPaused() {
    return playerPaused() ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE int webLoopedPosition() {
    return playerLoopedPosition();
}
// The music time of the frame on screen, in ms (0 before the first).
EMSCRIPTEN_KEEPALIVE uint32_t webMusicMs() {
    return uint32_t(std::max(playerShownMusicMs(), 0));
}
// Frames skipped since the latest jump, the page being too slow for them.
EMSCRIPTEN_KEEPALIVE uint32_t webSkippedFrames() {
    return uint32_t(playerSkippedFrames());
}
// The song's stereo sample at the start of the sound the latest webSound
// handed over, or -1 if it held none: what a test hears, told apart from
// what the player shows.
EMSCRIPTEN_KEEPALIVE double webSoundSample() {
    return gHandedSample;
}
// Whether the picture follows the sound heard (1) or the wall clock (0).
EMSCRIPTEN_KEEPALIVE int webClockFollowsSound() {
    return browserClockFollowsSound() ? 1 : 0;
}

// The visible screen as 320 x 240 RGBA bytes for the page's canvas, each
// channel widened as capture's PNGs widen it.
EMSCRIPTEN_KEEPALIVE const uint8_t* webScreen() {
    static std::vector<uint8_t> rgba(size_t(Display::kPixelCount) * 4, 255);
    const uint16_t* visible = visibleScreen();
    for (size_t i = 0; i < size_t(Display::kPixelCount); ++i) widenRgb565(visible[i], &rgba[i * 4]);
    return rgba.data();
}

// The next `frames` stereo frames of sound, interleaved 16-bit, with silence
// after what the second processor had (nothing while paused or past the
// end); webSoundFrames() says how many are sound. A callback that plays them
// from `atSeconds` of the output's clock on tells the clock so; a host that
// learns later when they are heard (a worklet) gives -1 and calls
// webSoundHeard then.
EMSCRIPTEN_KEEPALIVE const int16_t* webSound(int frames, double atSeconds) {
    static std::vector<int16_t> out;
    out.assign(size_t(std::max(frames, 0)) * 2, 0);
    while (browserSoundQueuedFrames() < size_t(frames)) {
        const bool decoded = secondCpuStep();
        const bool played = AudioBridge::pump();
        if (!decoded && !played) break;
    }
    const size_t queued = browserSoundQueuedFrames();
    const size_t taken = browserSoundTake(out.data(), size_t(frames));
    gHandedFrames = taken;
    gHandedSample = taken > 0 ? double(AudioBridge::soundWrittenUpTo()) - double(queued) : -1;
    if (atSeconds >= 0) browserSoundHanded(atSeconds, uint32_t(taken));
    const double now = emscripten_get_now();
    if (taken > 0 || !playing()) gLastSoundMs = now;
    if (now - gLastSoundMs > kNoSoundAfterMs) browserClockWithoutSound();
    return out.data();
}

// Of the latest webSound's frames, how many are sound.
EMSCRIPTEN_KEEPALIVE int webSoundFrames() {
    return int(gHandedFrames);
}

// From `atSeconds` of the output's clock on, `soundFrames` frames of the
// sound webSound gave were heard (a worklet's report).
EMSCRIPTEN_KEEPALIVE void webSoundHeard(double atSeconds, int soundFrames) {
    browserSoundHanded(atSeconds, uint32_t(std::max(soundFrames, 0)));
}

// Counts the times the sound device dropped what it held (a jump, a pause):
// sound given before is not to be played after.
EMSCRIPTEN_KEEPALIVE int webSoundGeneration() {
    return browserSoundGeneration();
}

// ---- test hooks -----------------------------------------------------------------

// Capture's --at list (milliseconds or pN, comma-separated) at capture's
// --fps; false with one line on standard output for a bad list. After
// webStartUp.
EMSCRIPTEN_KEEPALIVE int webHashesBegin(const char* at, const char* fps) {
    FrameChoice choice;
    std::string error = "--at takes music times separated by commas";
    FramePlan plan;
    if (!parseFrameRate(fps, &choice.rate)) {
        error = "--fps takes a rate such as 60, 59.94 or 60000/1001";
    } else if (parseMusicTimes(at, &choice.atMs) && makeFramePlan(choice, &plan, &error)) {
        gRun = std::make_unique<OfflineRun>(plan);
        return 1;
    }
    printf("hashes: %s\n", error.c_str());
    return 0;
}

// Renders up to `frames` frames; 1 once the last asked-for frame is printed.
EMSCRIPTEN_KEEPALIVE int webHashesStep(int frames) {
    if (!gRun) return 1;
    for (int i = 0; i < frames && gRun->runNext(); ++i) {
        if (!gRun->written()) continue;
        char line[kHashLineSize];
        formatHashLineOf(*gRun, line);
        fputs(line, stdout);
    }
    return gRun->done() ? 1 : 0;
}

// FNV-1a 64 of the first `seconds` of sound the page decodes, as the bytes a
// WAV file holds. After webStartUp, before webPlay.
EMSCRIPTEN_KEEPALIVE void webSoundChecksum(int seconds) {
    uint64_t hash = kFnvOffset;
    const int total = seconds * int(kSoundSamplesPerSecond);
    constexpr int kChunk = 4096;
    for (int done = 0; done < total; done += kChunk) {
        const int frames = std::min(kChunk, total - done);
        const int16_t* sound = webSound(frames, -1);
        hash = fnv1a(hash, reinterpret_cast<const uint8_t*>(sound), size_t(frames) * 4);
    }
    printf("sound %d s %016" PRIx64 "\n", seconds, hash);
}

// The whole demo offline, timed a frame at a time. After webStartUp.
EMSCRIPTEN_KEEPALIVE void webBenchBegin() {
    gRun = std::make_unique<OfflineRun>(wholeDemoPlan(kPlayerRate));
    gTimed = Timed();
}

// Runs up to `frames` frames, each timed; when the demo is done prints
// "frames N ms T" and, per section in running order, "section MASK frames N
// median_us U". The page's clock is coarse (0.1 ms without cross-origin
// isolation), so a section's median is taken over runs of kTimedTogether
// frames.
EMSCRIPTEN_KEEPALIVE int webBenchStep(int frames) {
    for (int i = 0; i < frames && !gRun->done(); ++i) {
        const double start = emscripten_get_now();
        gRun->runNext();
        gTimed.costMs.push_back(emscripten_get_now() - start);
        gTimed.mask.push_back(SceneMask);
    }
    if (!gRun->done()) return 0;
    constexpr size_t kTimedTogether = 8;
    double total = 0;
    for (double c : gTimed.costMs) total += c;
    printf("frames %zu ms %.1f\n", gTimed.costMs.size(), total);
    std::vector<int32_t> order;
    for (int32_t m : gTimed.mask) {
        if (std::find(order.begin(), order.end(), m) == order.end()) order.push_back(m);
    }
    for (int32_t m : order) {
        std::vector<double> costs;
        double sum = 0;
        size_t count = 0;
        size_t inRun = 0;
        for (size_t i = 0; i < gTimed.mask.size(); ++i) {
            if (gTimed.mask[i] != m) continue;
            ++count;
            sum += gTimed.costMs[i];
            const bool runEnds = i + 1 == gTimed.mask.size() || gTimed.mask[i + 1] != m;
            if (++inRun == kTimedTogether || runEnds) {
                costs.push_back(sum / double(inRun));
                sum = 0;
                inRun = 0;
            }
        }
        std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
        printf("section %#x frames %zu median_us %.0f\n", unsigned(m), count,
               costs[costs.size() / 2] * 1000);
    }
    return 1;
}

}  // extern "C"
