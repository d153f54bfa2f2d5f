// The page's clock. Before Play it reads 0. After it, while the demo's sound
// plays, it is the sound heard (heard_clock.h): the page's picture then
// follows the music the listener hears, however slow the machine, and a
// stalled sound output holds the picture rather than let it run ahead.
// Where there is no sound (no audio in the browser, no music to play, or the
// sound stopped coming), it is the page's wall clock from where it stood.
// The page never waits: the browser calls again at its next animation frame.
#include "platform/clock.h"

#include <emscripten.h>

#include "platform/heard_clock.h"
#include "platform/web/browser.h"

namespace {

enum class Source { NotStarted, Sound, Wall };
Source gSource = Source::NotStarted;

HeardClock gHeard;
// The output's clock: gOutputSeconds was heard at gOutputAtMs of the page's clock.
double gOutputSeconds = -1;
double gOutputAtMs = 0;
// The wall clock's reading is now - gWallOriginMs.
double gWallOriginMs = 0;
// How far ahead of now the picture is chosen: it is seen after the work of
// making it and about a display frame after it is painted.
double gLeadMs = 0;

IdleGrant gIdle = nullptr;

double nowMs() {
    return emscripten_get_now() + gLeadMs;
}

uint32_t soundTicks() {
    if (gOutputSeconds < 0) return gHeard.heardMs(-1);
    return gHeard.heardMs(gOutputSeconds + (nowMs() - gOutputAtMs) / 1000);
}

}  // namespace

uint32_t platformTicks() {
    switch (gSource) {
        case Source::Sound:
            return soundTicks();
        case Source::Wall:
            return uint32_t(nowMs() - gWallOriginMs);
        default:
            return 0;
    }
}

void platformWaitUntil(uint32_t) {}

uint32_t platformIdleUs(uint32_t) {
    return gIdle != nullptr ? gIdle() : 0;
}

void platformSetScheduledIdle(IdleGrant grant) {
    gIdle = grant;
}

void browserStartClock(bool withSound, double leadMs) {
    gLeadMs = leadMs;
    gWallOriginMs = nowMs();
    gSource = withSound ? Source::Sound : Source::Wall;
}

void browserClockWithoutSound() {
    if (gSource != Source::Sound) return;
    const uint32_t now = soundTicks();
    gWallOriginMs = nowMs() - now;
    gSource = Source::Wall;
}

void browserSetLead(double leadMs) {
    gLeadMs = leadMs;
}

bool browserClockFollowsSound() {
    return gSource == Source::Sound;
}

void browserOutputTiming(double heardSeconds, double atMs) {
    gOutputSeconds = heardSeconds;
    gOutputAtMs = atMs;
}

void browserSoundHanded(double atSeconds, uint32_t soundFrames) {
    gHeard.handed(atSeconds, soundFrames);
}

void browserSoundWillFollow(uint32_t frames) {
    gHeard.willFollow(frames);
}

void browserSoundForget() {
    gHeard.forget();
}
