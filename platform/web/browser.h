// browser.h - what the browser back-end of the platform layer offers the web
// page's entry point beyond the common platform calls.
//
// The page has one thread. The second processor's program and the audio
// thread's loop run when the page's sound callback needs sound: it steps the
// program and the audio bridge until the sound device holds enough, then
// takes the frames. The picture is converted to the canvas's RGBA bytes when
// the page paints it.
#pragma once

#include <cstddef>
#include <cstdint>

// Runs the second processor's program one step if it is running; false when
// it waits for the main side or is halted.
bool secondCpuStep();

// Stereo frames written to the sound device and not yet taken.
size_t browserSoundQueuedFrames();
// Takes up to `frames` stereo frames, interleaved 16-bit, into out; returns
// how many it took.
size_t browserSoundTake(int16_t* out, size_t frames);

// The page's clock (clock_web.cpp). Started at Play, on the sound heard or,
// without sound, on the wall clock; `leadMs` ahead of the page's now, since a
// picture painted now is seen about a display frame later.
void browserStartClock(bool withSound, double leadMs);
// The sound stopped coming: the wall clock takes over from where the sound's stood.
void browserClockWithoutSound();
bool browserClockFollowsSound();
// The output's clock: heardSeconds of it was being heard at atMs of the page's clock.
void browserOutputTiming(double heardSeconds, double atMs);
// A block handed to the output, heard from atSeconds of its clock, whose first
// soundFrames stereo frames are sound.
void browserSoundHanded(double atSeconds, uint32_t soundFrames);
// The sound handed so far no longer counts (the sound device dropped its
// queue); the count of such drops is the sound's generation.
void browserSoundForget();
int browserSoundGeneration();
