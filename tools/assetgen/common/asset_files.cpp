#include "asset_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "shared/png_writer.h"

bool writePng(const std::string& path, const RgbPicture& picture) {
    const size_t rowBytes = size_t(picture.width) * 3;
    std::string reason;
    const bool ok = writeRgbPng(
        path, picture.width, picture.height, kPngDefaultCompression,
        [&](int y, uint8_t* row) { memcpy(row, &picture.rgb[y * rowBytes], rowBytes); }, &reason);
    if (!ok) printf("cannot write %s: %s\n", path.c_str(), reason.c_str());
    return ok;
}

bool writeBytes(const std::string& path, const void* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    const bool ok = file != nullptr && fwrite(data, 1, size, file) == size;
    if (file != nullptr && fclose(file) != 0) return false;
    if (!ok) printf("cannot write %s\n", path.c_str());
    return ok;
}

bool writeText(const std::string& path, const std::string& text) {
    return writeBytes(path, text.data(), text.size());
}

std::string outputPath(const std::string& runDir, const std::string& name) {
    std::filesystem::path path = std::filesystem::path(runDir) / name;
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    return path.string();
}
