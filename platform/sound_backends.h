// sound_backends.h - the back-ends behind sound_device.h, one per file.
#pragma once

#include <cstddef>
#include <cstdint>

// OSS: a real device node. Open returns its descriptor or -1.
int ossSoundOpen(const char* path);
int ossSoundIoctl(int fd, unsigned long request, int* value);
long ossSoundWrite(int fd, const uint8_t* data, size_t size);
void ossSoundClose(int fd);

// SDL 1.2 audio as a subsystem, 44100 Hz, S16LSB, stereo.
bool sdlSoundOpen();
long sdlSoundWrite(const uint8_t* data, size_t size);
void sdlSoundClose();
void sdlSoundDiscard();
