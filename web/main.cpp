// main.cpp - the demo's entry point in a web page (WebAssembly, one thread).
//
// The page calls in; nothing here waits. Start-up is the desktop's; after a
// click the browser's animation frames drive the player one pass at a time,
// each pass running the frames that the wall clock says are due on the 60
// frames a second schedule. Every frame n shows music time floor(n * 1000 /
// 60) ms, as offline capture renders it, so the page shows capture's very
// frames whatever the display's own rate. The page's sound callback runs the
// second processor's program and the audio thread's loop until it has the
// sound it asks for.
//
// Test hooks render offline as capture does: webHashesBegin/Step print
// capture's "n ms position row hash" lines, webSoundChecksum the checksum of
// the first seconds of decoded sound, webBenchStep times every frame.
#include <SDL_keysym.h>
#include <emscripten.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "capture/options.h"
#include "capture/screen_hash.h"
#include "core/demo.h"
#include "core/player.h"
#include "core/seek.h"
#include "core/timeline.h"
#include "music/audio_bridge.h"
#include "music/pattern_data.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/present.h"
#include "platform/web/browser.h"
#include "video/display.h"

namespace {

constexpr FrameRate kRate = Seek::kRate;
// Frames a pass may run to catch up; further behind, the picture slows down
// instead (it never skips a frame: the effects feed on every one).
constexpr uint64_t kMostFramesAPass = 4;
constexpr double kFramePeriodMs = 1000.0 * kRate.denominator / kRate.numerator;

// The frame the clock stands at between passes: the next one to run, with
// the music's origin at 0, so that frame n shows floor(n * 1000 / 60) ms.
uint64_t gNextFrame = 0;
// Wall time (ms of the page's clock) at which frame gAnchorFrame is due.
double gAnchorWallMs = 0;
uint64_t gAnchorFrame = 0;
double gSoundLatencyMs = 0;
bool gStarted = false;
bool gEnded = false;
int gPresents = 0;

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

void problemToPage(const char* line) {
    EM_ASM({ Module['onProblem'](UTF8ToString($0)); }, line);
}

void holdClockAtNextFrame() {
    platformUseFrameClock(0, kRate, gNextFrame);
    Timeline::startMusicAt(int32_t(frameTimeMs(gNextFrame, kRate)));
}

// The frame whose time is nearest ms: the music times the player leaves
// (after a frame, a jump, a pause) lie within a millisecond of a frame's.
uint64_t frameNear(int32_t ms) {
    return uint64_t(std::llround(std::max(ms, 0) / kFramePeriodMs));
}

// The next frame is due once the sound started with it is heard. Frames fall
// due half a period early, so that the display's own frames, which come at
// about the same rate, meet each one in the middle of its period rather than
// at its edge, where jitter would show some twice and skip others.
void anchorAt(double nowMs) {
    gAnchorWallMs = nowMs + gSoundLatencyMs - kFramePeriodMs / 2;
    gAnchorFrame = gNextFrame;
}

// Frames due by now: 0 or less while the anchor lies ahead (the sound's delay).
int64_t framesDue(double nowMs) {
    const auto count = int64_t(std::floor((nowMs - gAnchorWallMs) / kFramePeriodMs));
    return int64_t(gAnchorFrame) + count - int64_t(gNextFrame) + 1;
}

// One pass of the live player (its frame, then the keys the page queued),
// then the clock put back on the schedule. The player's pass moves the clock
// a frame on and measures the music from origins of its own; what counts is
// the frame it showed. True if it showed one (a frame or a jump's).
bool hostPass() {
    gPresents = 0;
    const bool wasPaused = playerPaused();
    if (playerPass()) gEnded = true;
    const bool shown = gPresents > 0;
    if (shown && playerPaused()) {
        // A frame and then a pause, or a jump while paused: the picture
        // holds the frame at the paused time.
        gNextFrame = frameNear(playerPausedMusicMs()) + 1;
    } else if (shown) {
        gNextFrame = frameNear(Timeline::musicMs());
    }
    holdClockAtNextFrame();
    if (wasPaused && !playerPaused()) anchorAt(emscripten_get_now());
    return shown;
}

// ---- offline runs for the test hooks --------------------------------------------

struct OfflineRun {
    FramePlan plan;
    uint64_t frame = 0;
    bool done = true;
    std::vector<double> costMs;  // the benchmark: each frame's cost
    std::vector<int32_t> mask;   // and its scenes
};
OfflineRun gRun;

void printHashLine(uint64_t n) {
    printf("%" PRIu64 " %" PRIu32 " %" PRId32 " %" PRId32 " %016" PRIx64 "\n", n,
           uint32_t(frameTimeMs(n, gRun.plan.rate)), PatternData::instance().position(),
           PatternData::instance().row(),
           screenHash(platformVisibleScreen(), size_t(Display::kPixelCount)));
}

// Runs up to `frames` frames of the plan, as capture's loop does.
bool offlineStep(int frames, bool timed) {
    for (int i = 0; i < frames && !gRun.done; ++i) {
        const uint64_t n = gRun.frame;
        const double start = emscripten_get_now();
        const bool ended = demoRunFrame();
        if (timed) {
            gRun.costMs.push_back(emscripten_get_now() - start);
            gRun.mask.push_back(SceneMask);
        }
        if (!timed && gRun.plan.writes(n)) printHashLine(n);
        gRun.done = ended || n >= gRun.plan.lastFrame();
        platformEndFrame();
        ++gRun.frame;
    }
    return gRun.done;
}

uint64_t fnv1a(uint64_t hash, const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
}

}  // namespace

extern "C" {

// After the page has written data/ and code940.bin: the desktop's start-up on
// a frame clock at the given rate (the player's is 60). A missing or broken
// asset ends it with the engine's own line and exit status 1. The engine's
// problem lines (that one, "no music: ...") go to the page's onProblem, which
// shows them; its progress lines are printed.
EMSCRIPTEN_KEEPALIVE void webStartUp(uint32_t fpsNumerator, uint32_t fpsDenominator) {
    setProblemSink(problemToPage);
    platformUseFrameClock(0, FrameRate{fpsNumerator, fpsDenominator});
    demoStartUp();
    platformSetPresentObserver(countPresent, nullptr);
    platformSetScheduledIdle(idleOfAnimationFrame);
}

// The click on Play: the first frame is due once the sound is heard.
EMSCRIPTEN_KEEPALIVE void webPlay(double nowMs, double soundLatencyMs) {
    gSoundLatencyMs = soundLatencyMs;
    if (!gStarted) {
        playerStart();
        gStarted = true;
        gNextFrame = 0;
        holdClockAtNextFrame();
    }
    anchorAt(nowMs);
}

// One animation frame: runs the frames due. 0: nothing new to paint, 1: a
// new picture, 2: the demo has ended (its last frame is the picture).
EMSCRIPTEN_KEEPALIVE int webFrame(double nowMs) {
    if (!gStarted || gEnded) return gEnded ? 2 : 0;
    gAnimationFrameEndMs = nowMs + kFramePeriodMs;
    if (playerPaused()) {
        // Keys and jumps still take effect; the schedule waits.
        const bool shown = hostPass();
        if (playerPaused()) anchorAt(emscripten_get_now());
        return shown ? 1 : 0;
    }
    int64_t due = framesDue(nowMs);
    if (due <= 0) return 0;
    if (uint64_t(due) > kMostFramesAPass) {
        // Too far behind: the schedule starts again from the next frame, now.
        gAnchorWallMs = nowMs - kFramePeriodMs / 2;
        gAnchorFrame = gNextFrame;
        due = 1;
    }
    bool shown = false;
    for (int64_t i = 0; i < due && !gEnded && !playerPaused(); ++i) {
        const uint64_t expected = gNextFrame + 1;
        shown = hostPass() || shown;
        // A jump or a loop: the schedule starts again from the frame shown,
        // once the jump's work is done.
        if (gNextFrame != expected) {
            anchorAt(emscripten_get_now());
            break;
        }
    }
    if (gEnded) AudioBridge::stop();
    return gEnded ? 2 : shown ? 1 : 0;
}

// The player's keys, as the desktop's key symbols (SDLK_SPACE, SDLK_RIGHT,
// SDLK_LEFT, SDLK_HOME, SDLK_l, SDLK_o): pressed, they take effect at the
// next pass, through the player's own table.
EMSCRIPTEN_KEEPALIVE void webKey(int key) {
    if (gStarted && !gEnded) browserQueueKey(key);
}

EMSCRIPTEN_KEEPALIVE int webKeySymbol(int which) {
    static const int kSymbols[] = {SDLK_SPACE, SDLK_RIGHT, SDLK_LEFT, SDLK_HOME, SDLK_l, SDLK_o};
    return which >= 0 && which < 6 ? kSymbols[which] : 0;
}

// A click on the position bar.
EMSCRIPTEN_KEEPALIVE void webJump(int position) {
    if (gStarted) playerJumpTo(position);
}

// "Play again" after the end: from the start of the music.
EMSCRIPTEN_KEEPALIVE void webRestart() {
    if (!gStarted) return;
    gEnded = false;
    if (playerPaused()) browserQueueKey(SDLK_SPACE);
    playerJumpTo(0);
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
EMSCRIPTEN_KEEPALIVE uint32_t webMusicMs() {
    return uint32_t(frameTimeMs(gNextFrame == 0 ? 0 : gNextFrame - 1, kRate));
}

EMSCRIPTEN_KEEPALIVE const uint8_t* webScreen() {
    return browserScreenRgba();
}

// The sound callback: `frames` stereo frames, interleaved 16-bit, silence
// where the second processor has nothing (paused, or past the end).
EMSCRIPTEN_KEEPALIVE const int16_t* webSound(int frames) {
    static std::vector<int16_t> out;
    out.assign(size_t(std::max(frames, 0)) * 2, 0);
    while (browserSoundQueuedFrames() < size_t(frames)) {
        const bool decoded = secondCpuStep();
        const bool played = AudioBridge::pump();
        if (!decoded && !played) break;
    }
    browserSoundTake(out.data(), size_t(frames));
    return out.data();
}

// ---- test hooks -----------------------------------------------------------------

// Capture's --at list (ms or pN, comma-separated) at capture's --fps; false
// with one line on standard output for a bad list. After webStartUp.
EMSCRIPTEN_KEEPALIVE int webHashesBegin(const char* at, const char* fps) {
    const char* argv[] = {"--hashes", "-", "--at", at, "--fps", fps};
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(6, argv, &options, &error) ||
        !makeFramePlan(options, &gRun.plan, &error)) {
        printf("hashes: %s\n", error.c_str());
        return 0;
    }
    gRun.frame = 0;
    gRun.done = false;
    return 1;
}

// Renders up to `frames` frames; 1 once the last asked-for frame is printed.
EMSCRIPTEN_KEEPALIVE int webHashesStep(int frames) {
    return offlineStep(frames, false) ? 1 : 0;
}

// FNV-1a 64 of the first `seconds` of sound the page decodes, as the bytes a
// WAV file holds. After webStartUp, before webPlay.
EMSCRIPTEN_KEEPALIVE void webSoundChecksum(int seconds) {
    uint64_t hash = 0xcbf29ce484222325ull;
    const int total = seconds * 44100;
    constexpr int kChunk = 4096;
    for (int done = 0; done < total; done += kChunk) {
        const int frames = std::min(kChunk, total - done);
        const int16_t* sound = webSound(frames);
        hash = fnv1a(hash, reinterpret_cast<const uint8_t*>(sound), size_t(frames) * 4);
    }
    printf("sound %d s %016" PRIx64 "\n", seconds, hash);
}

// The whole demo offline, timed a frame at a time. After webStartUp.
EMSCRIPTEN_KEEPALIVE void webBenchBegin() {
    gRun.plan = FramePlan();
    gRun.plan.rate = kRate;
    gRun.plan.endFrame = firstFrameAtOrAfter(demoEndMs(), kRate);
    gRun.plan.rangeEnd = gRun.plan.endFrame + 1;
    gRun.frame = 0;
    gRun.done = false;
    gRun.costMs.clear();
    gRun.mask.clear();
}

// Runs up to `frames` frames; when the demo is done prints "frames N ms T"
// and, per section in running order, "section MASK frames N median_us U".
// The page's clock is coarse (0.1 ms without cross-origin isolation), so a
// section's median is taken over runs of kTimedTogether frames.
EMSCRIPTEN_KEEPALIVE int webBenchStep(int frames) {
    if (!offlineStep(frames, true)) return 0;
    constexpr size_t kTimedTogether = 8;
    double total = 0;
    for (double c : gRun.costMs) total += c;
    printf("frames %zu ms %.1f\n", gRun.costMs.size(), total);
    std::vector<int32_t> order;
    for (int32_t m : gRun.mask) {
        if (std::find(order.begin(), order.end(), m) == order.end()) order.push_back(m);
    }
    for (int32_t m : order) {
        std::vector<double> costs;
        double sum = 0;
        size_t count = 0;
        size_t inRun = 0;
        for (size_t i = 0; i < gRun.mask.size(); ++i) {
            if (gRun.mask[i] != m) continue;
            ++count;
            sum += gRun.costMs[i];
            if (++inRun == kTimedTogether || i + 1 == gRun.mask.size() || gRun.mask[i + 1] != m) {
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
