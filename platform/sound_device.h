// sound_device.h - what the audio thread opens as "/dev/dsp".
//
// Used like the OSS device: open write-only, apply settings with ioctl-style
// requests, write blocks of 44100 Hz 16-bit little-endian stereo, close. A
// write blocks until the device has taken every byte, which is what paces the
// audio thread. Behind it, by default: the real OSS device when it exists and
// opens; else the host's own sound (the desktop's SDL audio, fed through a
// small ring buffer so that writes block the same way; the web page's output,
// a queue its sound callback takes from); else no device (open fails). One
// device is open at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Stereo samples a second of the sound: the soundtrack, the second
// processor's blocks and the device.
constexpr uint64_t kSoundSamplesPerSecond = 44100;
// The stereo sample at ms of music: floor(ms * 44100 / 1000).
constexpr uint64_t soundFrameAtMs(uint64_t ms) {
    return ms * kSoundSamplesPerSecond / 1000;
}

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

// Like open(path, O_WRONLY): a positive descriptor, or -1.
int soundDeviceOpen(const char* path);
// Why the latest soundDeviceOpen failed, where the host tells its person
// (the console: "the sound device /dev/dsp is busy: another program is
// playing on it"); empty where it does not (the desktop falls back on its
// own sound, and capture and the tests choose their device).
std::string soundDeviceOpenProblem();
// Like ioctl(device, request, value); the host's and the sink back-ends are fixed at
// 44100 Hz, S16 little-endian, stereo and accept the requests without effect.
int soundDeviceIoctl(int device, unsigned long request, int* value);
// Like a blocking write: returns the bytes taken, or -1.
long soundDeviceWrite(int device, const void* data, size_t size);
int soundDeviceClose(int device);
// Drops what was written but not yet played, where the back-end holds it
// itself (the host's queue); a real OSS device plays out its own few milliseconds.
// Called by the thread that writes, between writes.
void soundDeviceDiscard(int device);
