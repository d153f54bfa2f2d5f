// sound_backends.h - the back-ends behind sound_device.h, one per file: the
// console's OSS device where a machine has one, and the host's own sound
// (platform/desktop/sound_sdl.cpp, platform/web/sound.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// OSS: a real device node. Open returns its descriptor or -1.
int ossSoundOpen(const char* path);
int ossSoundIoctl(int fd, unsigned long request, int* value);
long ossSoundWrite(int fd, const uint8_t* data, size_t size);
void ossSoundClose(int fd);

// The host's sound, 44100 Hz, 16-bit little-endian stereo: SDL 1.2's audio on
// the desktop, the page's output in a browser.
bool hostSoundOpen();
long hostSoundWrite(const uint8_t* data, size_t size);
void hostSoundClose();
void hostSoundDiscard();
