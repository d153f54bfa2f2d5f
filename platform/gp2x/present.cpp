// The console's screen: the Linux framebuffer device /dev/fb0, its mode read
// and set to 320x240 at 16 bits (RGB565) with the standard requests, its
// memory mapped, and each present's rows copied into it from the visible
// screen. The engine draws into a surface of its own in ordinary memory, the
// back buffer: only what is presented reaches the device.
//
// In SDL's terms: starting the video (SDL_Init) opens the device; setting the
// mode (SDL_SetVideoMode) sets and maps it; SDL_Quit, at a normal exit, puts
// the mode back as it was. The hand-over to the menu program leaves the mode
// as the demo set it, as SDL's exec does.
#include "platform/present.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/system_calls.h"

struct PlatformSurface {
    uint16_t* pixels;
};
struct PlatformPixelFormat {};

namespace {

constexpr const char* kDevice = "/dev/fb0";

int gDevice = -1;
Linux::FbVariable gSavedMode;
bool gModeSet = false;
uint8_t* gMemory = nullptr;
uint32_t gMemoryLength = 0;
uint32_t gLineLength = 0;
int gWidth = 0;
int gHeight = 0;
PlatformSurface gSurface;
PlatformPixelFormat gFormat;

long request(unsigned long number, void* argument) {
    return Sys::call<Sys::kIoctl>(gDevice, long(number), long(argument));
}

std::string failure(const char* what, long result) {
    return std::string(kDevice) + ": " + what + ": " + strerror(Sys::errorNumber(result));
}

void restoreMode() {
    if (gMemory != nullptr) munmap(gMemory, gMemoryLength);
    gMemory = nullptr;
    if (gModeSet) request(Linux::kFbPutVariable, &gSavedMode);
    gModeSet = false;
    if (gDevice >= 0) close(gDevice);
    gDevice = -1;
}

bool isRgb565(const Linux::FbVariable& mode) {
    return mode.bitsPerPixel == 16 && mode.red.offset == 11 && mode.red.length == 5 &&
           mode.green.offset == 5 && mode.green.length == 6 && mode.blue.offset == 0 &&
           mode.blue.length == 5;
}

// The mode wanted: width x height, nothing beyond it to pan over, 16 bits.
Linux::FbVariable wantedMode(const Linux::FbVariable& current, int width, int height) {
    Linux::FbVariable mode = current;
    mode.xres = mode.xresVirtual = uint32_t(width);
    mode.yres = mode.yresVirtual = uint32_t(height);
    mode.xoffset = mode.yoffset = 0;
    mode.bitsPerPixel = 16;
    mode.activate = 0;  // now
    return mode;
}

bool setMode(int width, int height, std::string* why) {
    Linux::FbVariable mode;
    long result = request(Linux::kFbGetVariable, &mode);
    if (Sys::failed(result)) {
        *why = failure("cannot read the video mode", result);
        return false;
    }
    gSavedMode = mode;
    Linux::FbVariable wanted = wantedMode(mode, width, height);
    result = request(Linux::kFbPutVariable, &wanted);
    if (Sys::failed(result)) {
        *why = failure("cannot set the video mode", result);
        return false;
    }
    gModeSet = true;
    // The driver says what it made of the request.
    result = request(Linux::kFbGetVariable, &mode);
    if (Sys::failed(result) || mode.xres != uint32_t(width) || mode.yres != uint32_t(height) ||
        !isRgb565(mode)) {
        *why = std::string(kDevice) + ": the device shows " + std::to_string(mode.xres) + "x" +
               std::to_string(mode.yres) + " at " + std::to_string(mode.bitsPerPixel) +
               " bits, not " + std::to_string(width) + "x" + std::to_string(height) + " RGB565";
        return false;
    }
    return true;
}

bool mapMemory(int height, int bitsPerPixel, std::string* why) {
    Linux::FbFixed fixed;
    const long result = request(Linux::kFbGetFixed, &fixed);
    if (Sys::failed(result)) {
        *why = failure("cannot read the screen's memory layout", result);
        return false;
    }
    const uint32_t rowBytes = uint32_t(gWidth) * uint32_t(bitsPerPixel) / 8;
    if (fixed.lineLength < rowBytes || fixed.memoryLength / fixed.lineLength < uint32_t(height)) {
        *why = std::string(kDevice) + ": its memory holds no " + std::to_string(gWidth) + "x" +
               std::to_string(height) + " screen (rows of " + std::to_string(fixed.lineLength) +
               " bytes, " + std::to_string(fixed.memoryLength) + " bytes in all)";
        return false;
    }
    void* memory =
        mmap(nullptr, fixed.memoryLength, PROT_READ | PROT_WRITE, MAP_SHARED, gDevice, 0);
    if (memory == MAP_FAILED) {
        *why = std::string(kDevice) + ": cannot map the screen: " + strerror(errno);
        return false;
    }
    gMemory = static_cast<uint8_t*>(memory);
    gMemoryLength = fixed.memoryLength;
    gLineLength = fixed.lineLength;
    return true;
}

}  // namespace

bool platformStartVideo(std::string* why) {
    const long result = Sys::call<Sys::kOpen>(long(kDevice), Linux::kReadWrite);
    if (Sys::failed(result)) {
        *why = failure("cannot open", result);
        return false;
    }
    gDevice = int(result);
    atexit(restoreMode);
    return true;
}

bool platformOpenScreen(int width, int height, int bitsPerPixel, PlatformScreen* screen,
                        std::string* why) {
    gWidth = width;
    gHeight = height;
    if (bitsPerPixel != 16) {
        *why = "the console's screen has 16 bits a pixel, not " + std::to_string(bitsPerPixel);
        return false;
    }
    if (!setMode(width, height, why) || !mapMemory(height, bitsPerPixel, why)) return false;
    gSurface.pixels = new uint16_t[size_t(width) * height]();
    *screen = PlatformScreen{&gSurface, &gFormat, gSurface.pixels};
    return true;
}

void platformShowRows(PlatformSurface*, const uint16_t* visible, int first, int count) {
    if (gMemory == nullptr || count <= 0) return;
    const size_t rowBytes = size_t(gWidth) * sizeof(uint16_t);
    for (int row = first; row < first + count; ++row) {
        memcpy(gMemory + size_t(row) * gLineLength, visible + size_t(row) * gWidth, rowBytes);
    }
}
