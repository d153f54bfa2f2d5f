// browser.h - what the browser back-end of the platform layer offers the web
// page's entry point beyond the common platform calls.
//
// The page has one thread for the engine. The second processor is a worker
// of the page's: the engine's control block holds its orders (play or stop,
// where to go on from, the song), which the page passes on; the worker feeds
// the page's sound output, which reports what it played and when, and the
// page's clock counts that sound as heard. The picture is converted to the
// canvas's RGBA bytes when the page paints it.
#pragma once

#include <cstddef>
#include <cstdint>

// The second processor's orders, as the control block holds them now.
struct SecondCpuOrders {
    bool running = false;           // released from reset with the decoder program
    bool playing = false;           // the sound is to play
    uint32_t seekRequest = 0;       // seeks asked for so far: each block's sound follows one
    uint32_t seekSample = 0;        // where the latest goes on from
    const uint8_t* song = nullptr;  // the song, once loaded
    uint32_t songLength = 0;
};
SecondCpuOrders browserSecondCpuOrders();

// Where the second processor's report lies in the control block: its words
// from songEndedAt to songDamages, in the layout's order. The page writes
// there what its worker's program reports, as the console's second
// processor writes them itself.
struct SecondCpuReport {
    uint32_t* words = nullptr;
    int count = 0;
};
SecondCpuReport browserSecondCpuReport();

// The page's clock (clock.cpp). Started at Play, on the sound heard or,
// without sound, on the wall clock; `leadMs` ahead of the page's now, since a
// picture painted now is seen about a display frame later.
void browserStartClock(bool withSound, double leadMs);
// The lead from now on: a slower machine takes longer to make the picture.
void browserSetLead(double leadMs);
// The sound stopped coming: the wall clock takes over from where the sound's stood.
void browserClockWithoutSound();
bool browserClockFollowsSound();
// The output's clock: heardSeconds of it was being heard at atMs of the page's clock.
void browserOutputTiming(double heardSeconds, double atMs);
// Sound heard from atSeconds of the output's clock on, soundFrames stereo frames of it.
void browserSoundHanded(double atSeconds, uint32_t soundFrames);
// The output holds this many frames more to follow the latest sound directly.
void browserSoundWillFollow(uint32_t frames);
// The sound handed so far no longer counts (the sound device dropped its queue).
void browserSoundForget();
