// sound_backends.h - the back-ends behind the desktop's sound device
// (platform/simulated/sound_device.cpp), one per file: the console's OSS
// device where a machine has one (simulated/sound_oss.cpp), and SDL's audio
// (desktop/sound_sdl.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// OSS: a real device node. Open returns its descriptor or -1.
int ossSoundOpen(const char* path);
int ossSoundIoctl(int fd, unsigned long request, int* value);
long ossSoundWrite(int fd, const uint8_t* data, size_t size);
void ossSoundClose(int fd);

// The host's sound, 44100 Hz, 16-bit little-endian stereo: SDL 1.2's audio.
bool hostSoundOpen();
long hostSoundWrite(const uint8_t* data, size_t size);
void hostSoundClose();
void hostSoundDiscard();
