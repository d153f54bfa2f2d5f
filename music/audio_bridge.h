// audio_bridge.h - hands the soundtrack to the second processor and plays the
// sound it decodes.
//
// Start-up opens the memory device and maps the register window (memDevice,
// registers), then calls init, loadSong, play; shutdown calls stop, shutdown
// and closes memDevice. The music and the pictures meet only through the clock.
#pragma once

#include <cstdint>

namespace AudioBridge {

// The memory device and its 64 KiB register window, opened by start-up.
extern int memDevice;
extern volatile uint16_t* registers;

void init();
void loadSong(const char* path);
void play();
void stop();
void shutdown();

}  // namespace AudioBridge
