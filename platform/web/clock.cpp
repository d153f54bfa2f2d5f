// The page's clock, and the whole of its policy (browser.h says what it is).
// The page never waits: the browser calls again at its next animation frame.
#include "platform/clock.h"

#include <emscripten.h>

#include <algorithm>

#include "platform/heard_clock.h"
#include "platform/messages.h"
#include "platform/sound_device.h"
#include "platform/web/browser.h"

namespace {

// No sound heard for this long while sound is due, since it was last due or
// heard: it has stopped coming. Reports of sound come late while the page's
// thread is held by a long animation frame (a slow machine): hence seconds,
// not a frame.
constexpr double kNoSoundAfterMs = 3000;
// A picture painted now is seen about a display frame later (a frame of the
// schedule's own period), and the frame due half a period after that is the
// one nearest in time to the sound heard as it is seen; on a slow machine
// further ahead by the work of recent animation frames, up to a limit.
constexpr double kLeadFrames = 1.5;
constexpr double kMostWorkLeadMs = 500;

enum class Source { NotStarted, Sound, Wall };
Source gSource = Source::NotStarted;

HeardClock gHeard;
// The output's clock: gOutputSeconds was heard at gOutputAtMs of the page's clock.
double gOutputSeconds = -1;
double gOutputAtMs = 0;
// The wall clock's reading is now - gWallOriginMs.
double gWallOriginMs = 0;
double gFramePeriodMs = 0;
double gWorkMs = 0;  // an animation frame's work, of late
// How far ahead of now the picture is chosen.
double gLeadMs = 0;
// The end of the current animation frame's period on the page's clock.
double gAnimationFrameEndMs = 0;

// Whether sound is due (the music plays), and until when, on the page's
// clock, sound is known to have been heard or was last asked for.
bool gSoundDue = false;
double gSoundUntilMs = 0;
bool gSoundLost = false;  // for good

double nowMs() {
    return emscripten_get_now() + gLeadMs;
}

uint32_t soundTicks() {
    if (gOutputSeconds < 0) return gHeard.heardMs(-1);
    return gHeard.heardMs(gOutputSeconds + (nowMs() - gOutputAtMs) / 1000);
}

// The wall clock from where the sound's stood.
void goOnWithoutSound() {
    if (gSource != Source::Sound) return;
    const uint32_t now = soundTicks();
    gWallOriginMs = nowMs() - now;
    gSource = Source::Wall;
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
    const double left = gAnimationFrameEndMs - emscripten_get_now();
    return left > 0 ? uint32_t(left * 1000) : 0;
}

// What was heard of a block cut short counts as far as the clock was read:
// the music time shown then goes on from there.
void platformForgetHeardSound() {
    gHeard.forget();
    gSoundDue = false;
}

void platformExpectSound() {
    gSoundDue = true;
    gSoundUntilMs = std::max(gSoundUntilMs, emscripten_get_now());
}

void browserStartClock(bool withSound, double framePeriodMs) {
    gFramePeriodMs = framePeriodMs;
    gLeadMs = framePeriodMs * kLeadFrames;
    gWallOriginMs = nowMs();
    gSource = withSound && !gSoundLost ? Source::Sound : Source::Wall;
}

void browserAnimationFrame(double nowMs, double heardSeconds, double heardAtMs) {
    gAnimationFrameEndMs = nowMs + gFramePeriodMs;
    if (heardSeconds < 0) return;
    gOutputSeconds = heardSeconds;
    gOutputAtMs = heardAtMs;
    if (gSource == Source::Sound && gSoundDue &&
        emscripten_get_now() - gSoundUntilMs > kNoSoundAfterMs) {
        problemLine("no music: no sound came for %.0f s; the picture goes on without it",
                    kNoSoundAfterMs / 1000);
        goOnWithoutSound();
    }
}

void browserNoIdleTime() {
    gAnimationFrameEndMs = emscripten_get_now();
}

void browserAnimationFrameWork(double workMs) {
    gWorkMs += (std::min(workMs, kMostWorkLeadMs) - gWorkMs) / 4;
    gLeadMs = gFramePeriodMs * kLeadFrames + gWorkMs;
}

void browserSoundHeard(double atSeconds, uint32_t soundFrames, uint32_t following) {
    gHeard.handed(atSeconds, soundFrames);
    gHeard.willFollow(following);
    if (gOutputSeconds < 0) return;
    const double endSeconds = atSeconds + double(soundFrames) / double(kSoundSamplesPerSecond);
    gSoundUntilMs = std::max(gSoundUntilMs, gOutputAtMs + (endSeconds - gOutputSeconds) * 1000);
}

void browserSoundLost() {
    gSoundLost = true;
    goOnWithoutSound();
}
