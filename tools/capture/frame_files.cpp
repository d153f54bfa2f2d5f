#include "capture/frame_files.h"

#include <png.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

void widenRow(const uint16_t* in, int width, int scale, uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        const uint16_t p = in[x];
        const int r = p >> 11, g = (p >> 5) & 63, b = p & 31;
        const uint8_t rgb[3] = {uint8_t((r << 3) | (r >> 2)), uint8_t((g << 2) | (g >> 4)),
                                uint8_t((b << 3) | (b >> 2))};
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

bool writeScreenPng(const std::string& path, const uint16_t* pixels, int width, int height,
                    int scale) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<uint8_t> row(size_t(width) * scale * 3);
    bool ok = info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        // The fastest level: frames are many, and noise compresses poorly at any level.
        png_set_compression_level(png, 1);
        png_set_IHDR(png, info, png_uint_32(width * scale), png_uint_32(height * scale), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            widenRow(pixels + size_t(y) * width, width, scale, row.data());
            for (int k = 0; k < scale; ++k) png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0 && ok;
}

WavWriter::~WavWriter() {
    if (file_ != nullptr) fclose(file_);
}

bool WavWriter::open(const std::string& path) {
    file_ = fopen(path.c_str(), "wb");
    if (file_ == nullptr) return false;
    const uint8_t header[44] = {};
    ok_ = fwrite(header, 1, sizeof header, file_) == sizeof header;
    return ok_;
}

bool WavWriter::write(const int16_t* samples, size_t stereoSamples) {
    if (file_ == nullptr) return false;
    // Samples are little-endian in memory on every machine this builds for.
    const size_t bytes = stereoSamples * 4;
    ok_ = ok_ && fwrite(samples, 1, bytes, file_) == bytes;
    dataBytes_ += bytes;
    return ok_;
}

bool WavWriter::finish(uint64_t keepSamples) {
    if (file_ == nullptr) return false;
    if (dataBytes_ / 4 > keepSamples) {
        dataBytes_ = keepSamples * 4;
        ok_ = ok_ && fflush(file_) == 0 && ftruncate(fileno(file_), off_t(44 + dataBytes_)) == 0;
    }
    uint8_t header[44];
    memcpy(header, "RIFF", 4);
    putLittleEndian(header + 4, uint32_t(36 + dataBytes_), 4);
    memcpy(header + 8, "WAVEfmt ", 8);
    putLittleEndian(header + 16, 16, 4);         // fmt chunk size
    putLittleEndian(header + 20, 1, 2);          // PCM
    putLittleEndian(header + 22, 2, 2);          // channels
    putLittleEndian(header + 24, 44100, 4);      // samples a second
    putLittleEndian(header + 28, 44100 * 4, 4);  // bytes a second
    putLittleEndian(header + 32, 4, 2);          // bytes a stereo sample
    putLittleEndian(header + 34, 16, 2);         // bits a value
    memcpy(header + 36, "data", 4);
    putLittleEndian(header + 40, uint32_t(dataBytes_), 4);
    ok_ = ok_ && fseek(file_, 0, SEEK_SET) == 0 && fwrite(header, 1, 44, file_) == 44;
    ok_ = fclose(file_) == 0 && ok_;
    file_ = nullptr;
    return ok_;
}
