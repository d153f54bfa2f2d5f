// song_renderer.h - plays the arrangement through the synthesizer.
//
// Rows are placed on the sample grid exactly: row r of position p starts at
// sample rowStartSample(p * 128 + r), the nearest sample to (p*128+r)*41.6 ms at
// 44100 Hz, so a kick cell is heard at its row's time to within a sample.
// renderMix() gives the raw stereo mix (voices, reverb, echo); masterSong() turns
// it into the finished soundtrack: no DC, the outro faded to silence, the level
// set and every peak held below the ceiling.
#pragma once

#include <cstdint>
#include <vector>

#include "song/song_arrangement.h"

namespace song {

struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;
    size_t frames() const { return left.size(); }
};

// (row * 1834.56) rounded to the nearest sample; exact integer arithmetic.
inline int64_t rowStartSample(int64_t songRow) {
    return (songRow * 183456 + 50) / 100;
}

// The whole song: up to the start of position 35.
inline int64_t songFrames() {
    return rowStartSample(int64_t(kSongPositions) * kRowsPerPosition);
}

StereoBuffer renderMix(const Arrangement& song);

struct MasterSettings {
    float targetRmsDb = -16.0f;  // loudness over the whole song
    float ceilingDb = -2.5f;     // sample peak after limiting, leaves room for the encoder
    float silentTailSeconds = 0.3f;
};

struct MasterFigures {
    float gainDb = 0;
    float peakDb = 0;
    float rmsDb = 0;
    float deepestLimitDb = 0;  // the limiter's largest gain reduction
    float limitedShare = 0;    // share of the song limited by more than 1 dB
};

MasterFigures masterSong(StereoBuffer& mix, const MasterSettings& settings = MasterSettings());

// Interleaved 16-bit stereo, rounded to nearest.
std::vector<int16_t> toPcm16(const StereoBuffer& song);

}  // namespace song
