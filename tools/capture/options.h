// options.h - what one capture run is asked for, read from its command line.
//
// Every rule a run follows is fixed here: frame n is rendered at music time
// floor(n * 1000 / fps) ms; the frame that ends the demo (position 35) is the
// last; a written frame carries the sound from sample floor(n * 44100 / fps)
// up to where the next frame's begins. Times are milliseconds of music or a
// position, "p20" (the first millisecond of position 20).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/timeline.h"  // demoEndMs
#include "platform/clock.h"

struct CaptureOptions {
    FrameRate rate;
    std::string videoPath;   // --out: empty for none
    std::string framesDir;   // --frames
    std::string hashesPath;  // --hashes; "-" for standard output
    std::vector<uint32_t> atMs;
    bool hasFrom = false;
    bool hasTo = false;
    uint32_t fromMs = 0;
    uint32_t toMs = 0;
    int scale = 1;
    bool noSound = false;  // --no-sound: the video and the frames without sound
    bool help = false;
};

extern const char* const kCaptureUsage;

// Reads the arguments after the program name. On a bad one returns false with
// one line (no newline) in *error. The video's name must end in .mp4, .mkv or
// .mov (videoContainer).
bool parseCaptureOptions(int argc, const char* const* argv, CaptureOptions* options,
                         std::string* error);

// The ffmpeg container a video name asks for by its extension (any case):
// "mp4", "matroska" or "mov"; nullptr for any other name.
const char* videoContainer(const std::string& path);

// "60", "59.94" or "60000/1001", from 1 to 1000 frames a second.
bool parseFrameRate(const std::string& text, FrameRate* rate);
// "1500" (milliseconds) or "p20" (the start of position 20).
bool parseMusicTime(const std::string& text, uint32_t* ms);

// Which frames a run computes and which of them it writes.
struct FramePlan {
    FrameRate rate;
    uint64_t endFrame = 0;      // the frame that ends the demo
    uint64_t firstWritten = 0;  // a range: [firstWritten, rangeEnd)
    uint64_t rangeEnd = 0;
    std::vector<uint64_t> at;  // or these frames, ascending, without repeats

    bool writes(uint64_t frame) const;
    uint64_t firstWrittenFrame() const;
    // The first written frame after the given one; lastFrame() + 1 if none.
    uint64_t nextWrittenAfter(uint64_t frame) const;
    uint64_t lastFrame() const;  // the last frame that has to be computed
    uint64_t writtenCount() const;
    // Stereo samples carried by the written frames up to and including this one.
    uint64_t soundSamplesThrough(uint64_t frame) const;
};

// The plan of a run; false with one line in *error if a time lies outside the demo.
bool makeFramePlan(const CaptureOptions& options, FramePlan* plan, std::string* error);
