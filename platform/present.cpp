#include "platform/present.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/visible_screen.h"

namespace {

SDL_Surface* gWindow = nullptr;   // the video surface
SDL_Surface* gDrawing = nullptr;  // what the engine draws into; gWindow without a desktop
int gWidth = 0;
int gHeight = 0;
bool gPainting = true;
int gBitsPerPixel = 16;

int gDesktopWidth = 0;  // 0: no desktop known
int gDesktopHeight = 0;
int gWindowedScale = 1;
bool gFullScreen = false;
// Where the visible screen lands in the window: a whole scale and an offset.
int gScale = 1;
int gOffsetX = 0;
int gOffsetY = 0;

void rememberDesktopSize() {
    const SDL_VideoInfo* info = SDL_GetVideoInfo();
    if (info == nullptr || info->current_w <= 0 || info->current_h <= 0) return;
    gDesktopWidth = info->current_w;
    gDesktopHeight = info->current_h;
}

// Copies visible rows top .. top+rows-1 into the window, each pixel repeated
// gScale times across and down, from (gOffsetX, gOffsetY).
void paintRows(int top, int rows) {
    if (SDL_MUSTLOCK(gWindow)) SDL_LockSurface(gWindow);
    auto* base = static_cast<uint8_t*>(gWindow->pixels) + gOffsetY * gWindow->pitch + gOffsetX * 2;
    const int scaledWidth = gWidth * gScale;
    for (int y = top; y < top + rows; ++y) {
        const uint16_t* in = platformVisibleScreen() + y * gWidth;
        auto* out = reinterpret_cast<uint16_t*>(base + y * gScale * gWindow->pitch);
        for (int x = 0; x < gWidth; ++x) std::fill_n(out + x * gScale, gScale, in[x]);
        for (int k = 1; k < gScale; ++k) {
            std::copy_n(
                out, scaledWidth,
                reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(out) + k * gWindow->pitch));
        }
    }
    if (SDL_MUSTLOCK(gWindow)) SDL_UnlockSurface(gWindow);
    SDL_UpdateRect(gWindow, gOffsetX, gOffsetY + top * gScale, scaledWidth, rows * gScale);
}

// Sets a video mode for the visible screen, windowed or full screen, and paints
// all of it; false (and no window) if SDL refuses the mode.
bool setMode(bool fullScreen) {
    if (fullScreen) {
        gWindow = SDL_SetVideoMode(gDesktopWidth, gDesktopHeight, gBitsPerPixel, SDL_FULLSCREEN);
    } else {
        gWindow =
            SDL_SetVideoMode(gWidth * gWindowedScale, gHeight * gWindowedScale, gBitsPerPixel, 0);
    }
    if (gWindow == nullptr) return false;
    gFullScreen = fullScreen;
    const ScreenLayout layout = platformFitScreen(gWidth, gHeight, gWindow->w, gWindow->h,
                                                  fullScreen ? 64 : gWindowedScale);
    gScale = layout.scale;
    gOffsetX = layout.x;
    gOffsetY = layout.y;
    SDL_FillRect(gWindow, nullptr, 0);
    SDL_UpdateRect(gWindow, 0, 0, 0, 0);
    if (visibleScreenOpened()) paintRows(0, gHeight);
    return true;
}

}  // namespace

void platformUseHeadlessVideo() {
    // SDL 1.2 chooses its video driver from the environment when video starts.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

SDL_Surface* platformOpenScreen(int width, int height, int bitsPerPixel) {
    // Setting the mode would start video by itself; starting it first lets the
    // desktop size be known before the window is made.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) < 0) return nullptr;
    gWidth = width;
    gHeight = height;
    gBitsPerPixel = bitsPerPixel;
    rememberDesktopSize();
    SDL_WM_SetCaption("Ondrivale", "Ondrivale");
    if (gDesktopWidth == 0) {
        // No desktop: the window is the drawing surface, as on the console.
        gWindow = SDL_SetVideoMode(width, height, bitsPerPixel, 0);
        gDrawing = gWindow;
    } else {
        // Within 85% of the desktop, at most 4 times. The drawing surface is
        // separate so that it survives a change of video mode.
        gWindowedScale =
            platformFitScreen(width, height, gDesktopWidth * 85 / 100, gDesktopHeight * 85 / 100, 4)
                .scale;
        if (!setMode(false)) return nullptr;
        const SDL_PixelFormat* f = gWindow->format;
        gDrawing = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, bitsPerPixel, f->Rmask,
                                        f->Gmask, f->Bmask, f->Amask);
    }
    if (gDrawing != nullptr) visibleScreenOpen(width, height);
    return gDrawing;
}

void platformPresent(SDL_Surface* surface, int top, int height) {
    int first = 0;
    int rows = 0;
    platformPresentedRows(surface->h, top, height, &first, &rows);
    if (rows > 0 && surface == gDrawing && visibleScreenOpened()) {
        visibleScreenTake(surface, first, rows);
        if (visibleScreenAside() || !gPainting) {
            // Off screen: the window waits for the end of the run.
        } else if (gWindow == gDrawing) {
            SDL_UpdateRect(gWindow, 0, first, gWidth, rows);
        } else if (gWindow != nullptr) {
            paintRows(first, rows);
        }
    }
    visibleScreenObserve(surface, first, rows);
}

void platformSetPainting(bool on) {
    const bool resumed = on && !gPainting;
    gPainting = on;
    if (!resumed || !visibleScreenOpened()) return;
    if (gWindow == gDrawing) {
        SDL_UpdateRect(gWindow, 0, 0, 0, 0);
    } else if (gWindow != nullptr) {
        paintRows(0, gHeight);
    }
}

void platformToggleFullScreen() {
    if (gWindow == gDrawing || gDesktopWidth == 0) return;
    // A refused full-screen mode leaves the window as it was.
    if (!setMode(!gFullScreen) && !setMode(false)) gWindow = nullptr;
}

bool platformFullScreen() {
    return gFullScreen;
}
