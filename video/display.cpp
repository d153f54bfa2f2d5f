#include "video/display.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fixed/colour.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/present.h"
#include "video/visible_screen.h"

Display* Display::instance() {
    static Display* display = new Display(kWidth, kHeight, 16);
    return display;
}

Display::Display(int w, int h, int bitsPerPixel) {
    std::string why;
    if (!platformStartVideo(&why)) {
        problemLine("Unable to init SDL: %s", why.c_str());
        exit(1);
    }
    PlatformScreen screen;
    if (!platformOpenScreen(w, h, bitsPerPixel, &screen, &why)) {
        problemLine("Unable to set video: %s", why.c_str());
        exit(1);
    }
    surface = screen.surface;
    visibleScreenOpen(surface, w, h);
    pixelCount = w * h;
    width = w;
    height = h;
    pixels = screen.pixels;
    format = screen.format;
    fpsWindowStart = 0;
    framesPerSecondValue = 0;
    fpsFrameCount = 0;
    for (int32_t& d : depth) d = 65536000;  // 1000.0: farther than anything drawn
    updateTop = 0;
    updateHeight = 0;
    fullUpdate = false;
    present();
    updateTop = 0;
    updateHeight = kHeight;
    fullUpdate = true;
}

void Display::present() {
    if (fullUpdate) {
        visibleScreenPresent(pixels, 0, height);
    } else {
        visibleScreenPresent(pixels, updateTop, updateHeight);
    }
    fullUpdate = false;
}

// The bound is the buffer's own constant size: with pixelCount (an int that a
// store into depth could alias) the compiler reloads it every step and cannot
// fill several entries at once.
// Where the target has vector registers, the compiler fills many entries an
// instruction. Elsewhere: the first row entry by entry, then copies of what
// is filled, doubling: the C library's block copy moves many words an
// instruction.
void Display::clearDepth(int32_t value) {
    if (kVectorRegisters) {
        std::fill_n(depth, kPixelCount, value);
        return;
    }
    std::fill_n(depth, kWidth, value);
    for (int filled = kWidth; filled < kPixelCount;) {
        const int n = std::min(filled, kPixelCount - filled);
        memcpy(depth + filled, depth, n * sizeof(int32_t));
        filled += n;
    }
}

int Display::framesPerSecond() {
    const uint32_t now = platformTicks();
    if (static_cast<int32_t>(now - fpsWindowStart) > 1000) {
        fpsWindowStart = now;
        framesPerSecondValue = fpsFrameCount;
        fpsFrameCount = 0;
    } else {
        ++fpsFrameCount;
    }
    return framesPerSecondValue;
}
