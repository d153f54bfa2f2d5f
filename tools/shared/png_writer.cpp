#include "shared/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// What went wrong, kept for the message: the system's error from a write, or
// libpng's own text.
struct PngWriteState {
    FILE* file = nullptr;
    int systemError = 0;
    char libpngError[160] = "";
};

void onError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngWriteState*>(png_get_error_ptr(png));
    snprintf(state->libpngError, sizeof state->libpngError, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void writeData(png_structp png, png_bytep data, size_t length) {
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    if (fwrite(data, 1, length, state->file) != length) {
        state->systemError = errno;
        png_error(png, "write error");
    }
}

void flushData(png_structp png) {
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    if (fflush(state->file) != 0) {
        state->systemError = errno;
        png_error(png, "write error");
    }
}

// On its own so that the frame libpng may jump back into holds nothing that
// needs destroying.
bool writeRows(png_structp png, png_infop info, PngWriteState* state, int width, int height,
               int compressionLevel, const PngRowSource& fillRow, uint8_t* row) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_write_fn(png, state, writeData, flushData);
    if (compressionLevel != kPngDefaultCompression)
        png_set_compression_level(png, compressionLevel);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        fillRow(y, row);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool writeRgbPng(const std::string& path, int width, int height, int compressionLevel,
                 const PngRowSource& fillRow, std::string* reason) {
    PngWriteState state;
    state.file = fopen(path.c_str(), "wb");
    if (state.file == nullptr) {
        *reason = strerror(errno);
        return false;
    }
    std::vector<uint8_t> row(size_t(width) * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, onError, onWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr && writeRows(png, info, &state, width, height,
                                                      compressionLevel, fillRow, row.data());
    png_destroy_write_struct(&png, &info);
    if (fclose(state.file) != 0 && state.systemError == 0) state.systemError = errno;
    if (written && state.systemError == 0) return true;
    if (state.systemError != 0) {
        *reason = strerror(state.systemError);
    } else {
        *reason = state.libpngError[0] != '\0' ? state.libpngError : "out of memory";
    }
    return false;
}
