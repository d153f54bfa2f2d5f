// audio_bridge.h - the second processor brought up with the soundtrack, and
// the audio thread that plays the sound it decodes: what the console does,
// and the desktop's simulation of it. (The web page's second processor is a
// worker that the page starts and hands the song itself: no bring-up there.)
//
// Start-up opens the memory device and maps the register window (memDevice,
// registers), then calls init, loadSong and the orders of sound_orders.h;
// shutdown calls stop, shutdown and closes memDevice. The music and the
// pictures meet only through the clock.
//
// init maps the second processor's memory and starts the audio thread
// (threadMain), which opens the sound device, initialises the control block,
// starts the second processor with code940.bin (start940) and then plays the
// blocks it decodes through the pump (audio_thread.h). init returns
// once the thread has done that start-up (or found no device), with the
// orders going into the block, and says in one line why there is no sound
// where the device cannot be opened and the host says why (the console), or
// it does not take 44100 Hz, signed 16-bit little-endian or stereo ("no
// sound: the sound device plays 22050 Hz, not 44100 Hz"): the demo then plays
// silently. Without a register window or second-processor memory everything
// stays silent, and so it does, without a word, with a program image or a
// song that cannot play (music_files.h says which, before anything starts);
// an image that is not one the second processor runs is never released.
//
// A second processor that runs but hands over no sound is halted (by the
// audio thread's watch, audio_thread.h): once the song is in place and
// playing, and a block is free, if it works for 5 s of its own processor time
// without filling one, the audio thread says so in one problem line and halts
// it, and the demo plays on silently. Its own
// time, not the wall clock's: a slow or busy machine (an emulated processor
// under a sanitizer) only makes the watch take longer; a pause or a seek
// starts it again. A host that cannot tell the processor's time (the
// console) keeps the watch off.
#pragma once

#include <cstdint>

#include "music/music_files.h"
#include "music/sound_orders.h"

namespace AudioBridge {

// The memory device and its 64 KiB register window, opened by start-up.
extern int memDevice;
extern volatile uint16_t* registers;

void init();
void loadSong(const char* path);
void shutdown();

// The audio thread's body and the second processor's start, run by that thread.
void threadMain();
void start940();

}  // namespace AudioBridge
