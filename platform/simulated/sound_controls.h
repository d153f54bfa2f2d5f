// sound_controls.h - what capture, the benchmarks and the tests choose of the
// desktop's sound device (sound_device.cpp), beyond what the engine asks of
// it: which back-end the next open uses, and a look at every write.
#pragma once

#include <cstddef>
#include <cstdint>

enum class SoundBackend {
    Automatic,  // OSS, else the host's sound, else none: what the demo uses
    None,       // no device: every open fails
    Oss,
    Host,
    Sink,  // takes every write at once and only shows it to the observer (capture)
};

// Chooses what the next open uses; Automatic until changed.
void soundDeviceSelect(SoundBackend backend);
// The back-end of the open device, None while closed.
SoundBackend soundDeviceOpenBackend();

// Sees every write once the device has taken it, with any back-end.
using SoundObserver = void (*)(void* context, const uint8_t* data, size_t size);
void soundDeviceSetObserver(SoundObserver observer, void* context);
