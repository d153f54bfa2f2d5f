// sound_device.h - what the audio thread opens as "/dev/dsp".
//
// Used like the OSS device: open write-only, apply settings with ioctl-style
// requests, write blocks of 44100 Hz 16-bit little-endian stereo, close. A
// write blocks until the device has taken every byte, which is what paces the
// audio thread, or until it has taken nothing for some seconds (a stalled
// device), so that a quit never waits for it for good. Behind it: on the console the OSS device
// itself; on the desktop the real OSS device when it exists and opens, else SDL's audio (fed
// through a small ring buffer, so that writes block the same way), else no
// device (open fails). One device is open at a time. (The web page has no
// audio thread: its worker feeds the page's sound output itself.)
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

// Like open(path, O_WRONLY): a positive descriptor, or -1.
int soundDeviceOpen(const char* path);
// Why the latest soundDeviceOpen failed, where the host tells its person
// (the console: "the sound device /dev/dsp is busy: another program is
// playing on it"); empty where it does not (the desktop falls back on its
// own sound, and capture and the tests choose their device).
std::string soundDeviceOpenProblem();
// Like ioctl(device, request, value); a device of fixed settings (SDL's audio,
// 44100 Hz, S16 little-endian, stereo) accepts the requests without effect.
int soundDeviceIoctl(int device, unsigned long request, int* value);
// Like a blocking write: returns the bytes taken, or -1.
long soundDeviceWrite(int device, const void* data, size_t size);
int soundDeviceClose(int device);
// Drops what was written but not yet played, where the device holds it in a
// queue of its own (SDL's ring); an OSS device plays out its own few
// milliseconds. Called by the thread that writes, between writes.
void soundDeviceDiscard(int device);
