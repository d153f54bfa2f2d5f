// audio_thread.h - what the audio thread does beside the bring-up
// (audio_bridge.h): the sound device set as the song needs it, and the loop
// that plays the second processor's blocks through the pump
// (platform/sound_pump.h), watching over a processor that hands over none.
#pragma once

#include <atomic>
#include <string>

#include "platform/sound_control_layout.h"

namespace AudioBridge {

// Applies the device's settings in their order (44100 Hz, signed 16-bit
// little-endian, stereo, then its pieces) and reads back what it took: what
// it did not take as asked ("the sound device plays 22050 Hz, not 44100
// Hz"), or empty.
std::string configureSoundDevice(int device);

// Plays the blocks of `control` into `device`, 0, 1, 0, 1, ..., until `stop`
// is set. Once the song is in place and playing, and a block is free, a
// second processor that works 5 s of its own processor time without filling
// one is said in one problem line and halted with haltSecondCpu; a pause or
// a seek starts the watch again.
void playBlocks(SoundControlBlock* control, int device, const std::atomic<int>& stop,
                void (*haltSecondCpu)());

}  // namespace AudioBridge
