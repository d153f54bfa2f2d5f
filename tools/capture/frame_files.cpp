#include "capture/frame_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/screen_layout.h"
#include "platform/sound_device.h"
#include "shared/png_writer.h"

namespace {

void widenRow(const uint16_t* in, int width, int scale, uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        uint8_t rgb[3];
        widenRgb565(in[x], rgb);
        for (int k = 0; k < scale; ++k, out += 3) {
            out[0] = rgb[0];
            out[1] = rgb[1];
            out[2] = rgb[2];
        }
    }
}

void putLittleEndian(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = uint8_t(value >> (8 * i));
}

}  // namespace

// The fastest level: frames are many, and noise compresses poorly at any level.
constexpr int kFrameCompression = 1;

bool writeScreenPng(const std::string& path, const uint16_t* pixels, int width, int height,
                    int scale, std::string* reason) {
    // Each screen row is widened once and given for its `scale` picture rows.
    int widened = -1;
    const auto fillRow = [&](int y, uint8_t* row) {
        if (y / scale == widened) return;
        widened = y / scale;
        widenRow(pixels + size_t(widened) * width, width, scale, row);
    };
    return writeRgbPng(path, width * scale, height * scale, kFrameCompression, fillRow, reason);
}

WavWriter::~WavWriter() {
    if (file_ != nullptr) fclose(file_);
}

bool WavWriter::check(bool ok) {
    if (!ok && error_ == 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

std::string WavWriter::failure() const {
    return strerror(error_);
}

bool WavWriter::open(const std::string& path) {
    file_ = fopen(path.c_str(), "wb");
    if (!check(file_ != nullptr)) return false;
    const uint8_t header[44] = {};
    return check(fwrite(header, 1, sizeof header, file_) == sizeof header);
}

bool WavWriter::write(const int16_t* samples, size_t stereoSamples) {
    if (file_ == nullptr || error_ != 0) return false;
    // Samples are little-endian in memory on every machine this builds for.
    const size_t bytes = stereoSamples * 4;
    dataBytes_ += bytes;
    return check(fwrite(samples, 1, bytes, file_) == bytes);
}

bool WavWriter::finish(uint64_t keepSamples) {
    if (file_ == nullptr) return false;
    if (error_ == 0 && dataBytes_ / 4 > keepSamples) {
        dataBytes_ = keepSamples * 4;
        check(fflush(file_) == 0 && ftruncate(fileno(file_), off_t(44 + dataBytes_)) == 0);
    }
    uint8_t header[44];
    memcpy(header, "RIFF", 4);
    putLittleEndian(header + 4, uint32_t(36 + dataBytes_), 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    putLittleEndian(header + 16, 16, 4);                          // fmt chunk size
    putLittleEndian(header + 20, 1, 2);                           // PCM
    putLittleEndian(header + 22, 2, 2);                           // channels
    putLittleEndian(header + 24, kSoundSamplesPerSecond, 4);      // samples a second
    putLittleEndian(header + 28, kSoundSamplesPerSecond * 4, 4);  // bytes a second
    putLittleEndian(header + 32, 4, 2);                           // bytes a stereo sample
    putLittleEndian(header + 34, 16, 2);                          // bits a value
    memcpy(header + 36, "data", 4);
    putLittleEndian(header + 40, uint32_t(dataBytes_), 4);
    if (error_ == 0) check(fseek(file_, 0, SEEK_SET) == 0 && fwrite(header, 1, 44, file_) == 44);
    check(fclose(file_) == 0);
    file_ = nullptr;
    return error_ == 0;
}
