// frame_files.h - the files of a capture: screens as PNG, sound as WAV, and
// the hash of a screen (screen_hash.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/screen_hash.h"

// Writes a width x height RGB565 screen as an 8-bit RGB PNG, each pixel
// repeated scale times across and down. Channels widen by repeating their top
// bits (31 -> 255, 63 -> 255), so the screen's exact values read back as the
// top 5, 6 and 5 bits. False with the reason in *reason if the file cannot be
// written.
bool writeScreenPng(const std::string& path, const uint16_t* pixels, int width, int height,
                    int scale, std::string* reason);

// A 44100 Hz 16-bit stereo WAV file written as the sound comes; its sizes are
// filled in by finish(), which also cuts it to at most keepSamples. After a
// false result, failure() gives the system's reason.
class WavWriter {
  public:
    ~WavWriter();
    bool open(const std::string& path);
    bool write(const int16_t* samples, size_t stereoSamples);
    bool finish(uint64_t keepSamples = UINT64_MAX);
    std::string failure() const;

  private:
    // Keeps the first error: a failed write is usually followed by others.
    bool check(bool ok);

    FILE* file_ = nullptr;
    uint64_t dataBytes_ = 0;
    int error_ = 0;
};
