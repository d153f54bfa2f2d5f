#include "video/display.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fixed/colour.h"
#include "platform/clock.h"
#include "platform/fill.h"
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
    depthFill = 65536000;  // 1000.0: farther than anything drawn
    noteDepthRows(0, kHeight);
    clearDepth(depthFill);
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

// A 3D scene's mesh covers part of the screen: clearing only the columns it
// drew in spares the console most of the 300 KB a frame.
void Display::clearDepth(int32_t value) {
    if (value != depthFill) noteDepthRows(0, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        if (depthLeft[y] < depthRight[y]) {
            fillWords(reinterpret_cast<uint32_t*>(depth + y * kWidth + depthLeft[y]),
                      static_cast<uint32_t>(value), size_t(depthRight[y] - depthLeft[y]));
        }
        depthLeft[y] = kWidth;
        depthRight[y] = 0;
    }
    depthFill = value;
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
