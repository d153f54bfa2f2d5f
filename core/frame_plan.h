// frame_plan.h - the demo's frames on a fixed schedule: frame n's music time
// and sound, the end of the demo, and which frames an offline run writes.
//
// Frame n of a schedule at `rate` frames a second shows music time
// floor(n * 1000 / rate) ms and carries the sound from stereo sample
// floor(n * 44100 / rate) up to where frame n+1's begins, all exact in
// integers. The live player keeps to the 60 frames a second schedule
// (kPlayerRate); offline capture may take any rate. Times are milliseconds of
// music ("92400", or "1:32.4"), or a position, "p20" (its first millisecond).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/sound_device.h"  // soundFrameAtMs

// A frame rate as an exact fraction, numerator / denominator frames a second
// (60000/1001 for the 59.94 of video).
struct FrameRate {
    uint32_t numerator = 60;
    uint32_t denominator = 1;
};

// The live player's schedule, the console's refresh rate.
constexpr FrameRate kPlayerRate{60, 1};

// floor(n * 1000 * denominator / numerator): no drift over any number of frames.
uint64_t frameTimeMs(uint64_t frame, FrameRate rate);
// The first frame whose time is at or after ms.
uint64_t firstFrameAtOrAfter(uint64_t ms, FrameRate rate);
// The last frame whose time is at or before ms.
uint64_t lastFrameAtOrBefore(uint64_t ms, FrameRate rate);
// The stereo sample at which frame n begins: floor(n * 44100 * denominator / numerator).
uint64_t soundFrameAt(uint64_t frame, FrameRate rate);

// The music time at which the demo ends: the start of position 35.
uint32_t demoEndMs();

// Decimal digits only, at most `limit` (and 12 digits).
bool parseWholeNumber(const std::string& text, uint64_t limit, uint64_t* value);
// "60", "59.94" or "60000/1001", from 1 to 1000 frames a second.
bool parseFrameRate(const std::string& text, FrameRate* rate);
// "1500" (milliseconds), "p20" (the start of position 20) or "1:32.4"
// (minutes, seconds and up to three digits of their fraction).
bool parseMusicTime(const std::string& text, uint32_t* ms);
// A music time as "m:ss.mmm" ("1:32.400"), which parseMusicTime reads back.
std::string musicTimeText(uint32_t ms);
// Music times separated by commas: "1000,p3,5000".
bool parseMusicTimes(const std::string& text, std::vector<uint32_t>* times);

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

// What a run asks for: the frames at (or after) each of `atMs`, or the range
// from `fromMs` up to before `toMs` (each open when absent).
struct FrameChoice {
    FrameRate rate;
    std::vector<uint32_t> atMs;
    std::optional<uint32_t> fromMs;
    std::optional<uint32_t> toMs;
};

// The plan of a choice; false with one line in *error if a time lies outside
// the demo or the range holds no frame.
bool makeFramePlan(const FrameChoice& choice, FramePlan* plan, std::string* error);
// Every frame from the first to the one that ends the demo, none written.
FramePlan wholeDemoPlan(FrameRate rate);
