#include "asset_files.h"

#include <png.h>

#include <cstdio>
#include <filesystem>

bool writePng(const std::string& path, const RgbPicture& picture) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        printf("cannot write %s\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        printf("cannot write %s\n", path.c_str());
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        png_write_row(png, const_cast<png_bytep>(&picture.rgb[size_t(y) * picture.width * 3]));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
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
