// audio_bridge.h - hands the soundtrack to the second processor and plays the
// sound it decodes.
//
// Start-up opens the memory device and maps the register window (memDevice,
// registers), then calls init, loadSong, play; shutdown calls stop, shutdown
// and closes memDevice. The music and the pictures meet only through the clock.
//
// init starts the audio thread (threadMain), which opens the sound device,
// initialises the control block, starts the second processor with code940.bin
// (start940) and then writes the blocks it decodes, 0, 1, 0, 1, ..., to the
// device. init returns once the thread has done that start-up (or found no
// device), and says in one line why there is no sound where the device
// cannot be opened and the host says why (the console), or it does not take
// 44100 Hz, signed 16-bit little-endian or stereo ("no sound: the sound
// device plays 22050 Hz, not 44100 Hz"): the demo then plays silently. Without a register window or
// second-processor memory everything stays silent, and so it does, without a word, with a program
// image or a song that cannot play (too large for its area, missing, not recognised, shorter than
// the demo): musicProblem says which, before anything starts.
//
// A second processor that runs but hands over no sound is halted: once the
// song is in place and playing, and a block is free, if it works for 2 s of
// its own processor time without filling one, the audio thread says so in
// one problem line and halts it, and the demo plays on silently. Its own
// time, not the wall clock's: a slow or busy machine (an emulated processor
// under a sanitizer) only makes the watch take longer; a pause or a seek
// starts it again.
#pragma once

#include <cstdint>
#include <string>

namespace AudioBridge {

// The second processor's program and the soundtrack, in the working directory.
constexpr const char* kProgramFile = "code940.bin";
constexpr const char* kSongFile = "data/ondrivale.ogg";

// The memory device and its 64 KiB register window, opened by start-up.
extern int memDevice;
extern volatile uint16_t* registers;

// Why no music can come from the program image and the song file for a demo
// of demoMs milliseconds, in one line without a newline ("code940.bin is
// missing", "data/ondrivale.ogg is not an Ogg Vorbis stream",
// "data/ondrivale.ogg ends at 5.6 s, the demo needs 186.4 s", ...); empty if
// both can play. The song's length is the one its Ogg stream states.
std::string musicProblem(uint32_t demoMs, const char* songPath = kSongFile);
// Start-up's note, for a demo that plays on silently: "no music: <why>" as a
// problem line (platform/messages.h) when musicProblem finds a reason.
void warnIfNoMusic(uint32_t demoMs);

void init();
void loadSong(const char* path);
void play();
void stop();
// Makes the music go on from the given stereo sample (44100 a second from the
// start of the song): sound already queued is dropped, and the second
// processor decodes from there once playing. An addition to the console's
// protocol (sound_control_block.h).
void seek(uint32_t sample);
void shutdown();

// The stereo sample at which the second processor found the song's sound
// stop (its end, a hole, damage) since the start or the latest seek;
// UINT64_MAX while it goes on. A song that holds a hole passes musicProblem
// and stops here.
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
// Tenths of a second of a stereo sample, rounded down: "92.2".
std::string secondsText(uint64_t sample);

// Where no thread can be made (a browser page without cross-origin
// isolation), init runs the audio thread's start-up itself, and no block is
// ever played on this side: the page's second processor is a worker that
// feeds the page's output itself. A seek still drops what the sound device
// holds.

// The audio thread's body and the second processor's start, run by that thread.
void threadMain();
void start940();

}  // namespace AudioBridge
