// asset_files.h - how the asset generators write their files.
//
// Every writer either produces the whole file or prints one line naming the
// file and returns false; the generators then exit with status 1. Output is a
// pure function of the input bytes: no time stamps, no random seeds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, row after row

    RgbPicture(int w, int h) : width(w), height(h), rgb(size_t(w) * h * 3, 0) {}
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
};

// 8-bit RGB PNG, no ancillary chunks.
bool writePng(const std::string& path, const RgbPicture& picture);

bool writeBytes(const std::string& path, const void* data, size_t size);
inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    return writeBytes(path, bytes.data(), bytes.size());
}
bool writeText(const std::string& path, const std::string& text);

// Joins the run folder and a relative name, creating the parent folders.
std::string outputPath(const std::string& runDir, const std::string& name);
