// Presenting in the browser. The engine draws into a 16-bit surface of our
// own (the browser's SDL only makes 32-bit canvases); a present copies the
// band into the visible screen, and the page paints that on its canvas once
// per animation frame, converted to RGBA. Scaling and full screen are the
// page's: the canvas is scaled by a whole factor with sharp pixels.
#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/present.h"
#include "platform/visible_screen.h"
#include "platform/web/browser.h"

namespace {

SDL_PixelFormat gFormat{};
SDL_Surface gSurface{};
std::vector<uint16_t> gDrawing;
std::vector<uint8_t> gRgba;

}  // namespace

void platformUseHeadlessVideo() {}

SDL_Surface* platformOpenScreen(int width, int height, int bitsPerPixel) {
    if (bitsPerPixel != 16) return nullptr;
    gFormat.BitsPerPixel = 16;
    gFormat.BytesPerPixel = 2;
    gFormat.Rmask = 0xF800;
    gFormat.Gmask = 0x07E0;
    gFormat.Bmask = 0x001F;
    gFormat.Rshift = 11;
    gFormat.Gshift = 5;
    gFormat.Rloss = 3;
    gFormat.Gloss = 2;
    gFormat.Bloss = 3;
    gDrawing.assign(size_t(width) * height, 0);
    visibleScreenOpen(width, height);
    gRgba.assign(size_t(width) * height * 4, 255);
    gSurface.format = &gFormat;
    gSurface.w = width;
    gSurface.h = height;
    gSurface.pitch = width * 2;
    gSurface.pixels = gDrawing.data();
    return &gSurface;
}

void platformPresent(SDL_Surface* surface, int top, int height) {
    int first = 0;
    int rows = 0;
    platformPresentedRows(surface->h, top, height, &first, &rows);
    if (rows > 0 && surface == &gSurface) visibleScreenTake(surface, first, rows);
    visibleScreenObserve(surface, first, rows);
}

// The page paints only what it asks for after a frame, so frames run off
// screen never reach the canvas anyway.
void platformSetPainting(bool) {}

void platformToggleFullScreen() {}

bool platformFullScreen() {
    return false;
}

const uint8_t* browserScreenRgba() {
    const uint16_t* visible = platformVisibleScreen();
    for (size_t i = 0; i < gDrawing.size(); ++i) {
        const uint16_t p = visible[i];
        const int r = p >> 11;
        const int g = (p >> 5) & 63;
        const int b = p & 31;
        gRgba[i * 4] = uint8_t((r << 3) | (r >> 2));
        gRgba[i * 4 + 1] = uint8_t((g << 2) | (g >> 4));
        gRgba[i * 4 + 2] = uint8_t((b << 3) | (b >> 2));
    }
    return gRgba.data();
}
