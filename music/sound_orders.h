// sound_orders.h - the orders the live player gives the second processor and
// the reports it reads back, as words of the sound control block
// (platform/sound_control_block.h): play, stop, where the music goes on from;
// where the song's sound stopped and the damaged stretches skipped.
//
// The block is the second processor's, in its memory, where the bring-up
// (audio_bridge.h) maps it; or, on a host whose second processor runs apart
// from the engine's memory (the web page's worker), a block of the host's
// own, from which the host passes the orders on and into which it writes the
// reports. Without a block (no second processor's memory) the orders are
// ignored and the reports say nothing happened. Main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/sound_control_layout.h"

namespace AudioBridge {

// The block the orders go into from now on; null: none.
void useControlBlock(SoundControlBlock* control);

void play();
void stop();
// Makes the music go on from the given stereo sample (44100 a second from the
// start of the song): sound already queued is dropped, and the second
// processor decodes from there once playing. An addition to the console's
// protocol (sound_control_block.h).
void seek(uint32_t sample);

// The stereo sample at which the second processor found the song's sound
// stop (its end, a hole, damage) since the start or the latest seek;
// UINT64_MAX while it goes on. A song that holds a hole passes the checks of
// music_files.h and stops here.
uint64_t musicStoppedAt();
// The line that says the music stops at `stoppedSample` ("the music stops at
// 92.2 s: data/ondrivale.ogg is damaged there"), or empty where it stops only
// at or after the demo's end, demoMs.
std::string musicStopProblem(uint64_t stoppedSample, uint32_t demoMs);

// The damaged stretches of the song that the second processor skipped since
// the start or the latest seek, going on at the next good page with the
// music in time and the stretch silent: how many, the first one's start and
// the latest one's end (where the music went on), in stereo samples.
struct SongDamage {
    uint32_t count = 0;
    uint32_t from = 0;
    uint32_t to = 0;
};
SongDamage songDamage();
// What the listener is told, once: "data/ondrivale.ogg is damaged at 92.2 s:
// the music is silent to 92.9 s and goes on".
std::string songDamageLine(const SongDamage& damage);

}  // namespace AudioBridge
