// ogg_vorbis.h - Ogg Vorbis encoding of the soundtrack, and decoding for checks.
//
// encodeOggVorbis: 44100 Hz stereo 16-bit samples to an Ogg Vorbis stream with
// variable bit rate at the given quality. The stream's serial number is fixed,
// so the same samples always give the same bytes.
// decodeOggVorbis: reads a whole file back as interleaved 16-bit samples; false
// with one line naming the file when it is missing or not Ogg Vorbis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace song {

constexpr int kOggSerialNumber = 0x0D51A7E5;

bool encodeOggVorbis(const std::vector<int16_t>& interleavedStereo, float quality,
                     std::vector<uint8_t>& out);

struct DecodedSound {
    int channels = 0;
    long sampleRate = 0;
    std::vector<int16_t> samples;  // interleaved
    size_t frames() const { return channels > 0 ? samples.size() / size_t(channels) : 0; }
};

bool decodeOggVorbis(const std::string& path, DecodedSound& out);

}  // namespace song
