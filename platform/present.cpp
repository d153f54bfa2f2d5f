#include "platform/present.h"

#include <SDL.h>

#include <algorithm>

namespace {

PresentObserver gObserver = nullptr;
void* gObserverContext = nullptr;

SDL_Surface* gWindow = nullptr;
int gScale = 1;

// The largest whole factor, up to 4, that keeps the window within 85% of the
// desktop; 1 when the desktop size is unknown.
int scaleForDesktop(int width, int height) {
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == nullptr || info->current_w <= 0 || info->current_h <= 0) return 1;
    int scale = 4;
    while (scale > 1 && (width * scale > info->current_w * 85 / 100 ||
                         height * scale > info->current_h * 85 / 100)) {
        --scale;
    }
    return scale;
}

// Copies rows top .. top+rows-1 of the drawing surface into the window,
// every pixel repeated gScale times across and down.
void copyScaled(const SDL_Surface* source, int top, int rows) {
    const int width = source->w;
    for (int y = top; y < top + rows; ++y) {
        const auto* in = reinterpret_cast<const uint16_t*>(
            static_cast<const uint8_t*>(source->pixels) + y * source->pitch);
        auto* out = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(gWindow->pixels) +
                                                y * gScale * gWindow->pitch);
        for (int x = 0; x < width; ++x) std::fill_n(out + x * gScale, gScale, in[x]);
        for (int k = 1; k < gScale; ++k) {
            std::copy_n(
                out, width * gScale,
                reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(out) + k * gWindow->pitch));
        }
    }
}

}  // namespace

SDL_Surface* platformOpenScreen(int width, int height, int bitsPerPixel) {
    // Setting the mode would start video by itself; starting it first lets the
    // desktop size be known before the window is made.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) < 0) return nullptr;
    gScale = scaleForDesktop(width, height);
    SDL_WM_SetCaption("Ondrivale", "Ondrivale");
    gWindow = SDL_SetVideoMode(width * gScale, height * gScale, bitsPerPixel, 0);
    if (gWindow == nullptr || gScale == 1) return gWindow;
    const SDL_PixelFormat* f = gWindow->format;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, bitsPerPixel, f->Rmask, f->Gmask,
                                f->Bmask, f->Amask);
}

void platformPresent(SDL_Surface* surface, int top, int height) {
    const int rows = height == 0 ? surface->h : height;
    if (surface == gWindow || gWindow == nullptr) {
        SDL_UpdateRect(surface, 0, top, surface->w, height);
    } else if (top >= 0 && rows >= 0 && top + rows <= surface->h) {
        if (SDL_MUSTLOCK(gWindow)) SDL_LockSurface(gWindow);
        copyScaled(surface, top, rows);
        if (SDL_MUSTLOCK(gWindow)) SDL_UnlockSurface(gWindow);
        SDL_UpdateRect(gWindow, 0, top * gScale, gWindow->w, rows * gScale);
    }
    if (gObserver) {
        gObserver(gObserverContext, static_cast<const uint16_t*>(surface->pixels), surface->w, top,
                  rows);
    }
}

void platformSetPresentObserver(PresentObserver observer, void* context) {
    gObserver = observer;
    gObserverContext = context;
}
