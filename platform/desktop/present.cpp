// The desktop's screen: an SDL 1.2 window showing the visible screen scaled
// by a whole factor, or, without a desktop, the drawing surface itself.
#include "platform/present.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

#include "platform/desktop/controls.h"
#include "platform/desktop/window.h"
#include "platform/screen_layout.h"

namespace {

// The engine's handles are SDL's own surface and pixel format.
SDL_Surface* sdlSurface(PlatformSurface* surface) {
    return reinterpret_cast<SDL_Surface*>(surface);
}

SDL_Surface* gWindow = nullptr;   // the video surface
SDL_Surface* gDrawing = nullptr;  // what the engine draws into; gWindow without a desktop
int gWidth = 0;
int gHeight = 0;
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

// The visible screen as last shown, for a repaint after a change of mode.
const uint16_t* gVisible = nullptr;

// Copies visible rows top .. top+rows-1 into the window, each pixel repeated
// gScale times across and down, from (gOffsetX, gOffsetY).
void paintRows(int top, int rows) {
    if (SDL_MUSTLOCK(gWindow)) SDL_LockSurface(gWindow);
    auto* base = static_cast<uint8_t*>(gWindow->pixels) + gOffsetY * gWindow->pitch + gOffsetX * 2;
    // A 16-bit window's pitch is a whole number of pixels.
    scaleRowsUp(gVisible + top * gWidth, gWidth, rows, gScale,
                reinterpret_cast<uint16_t*>(base + top * gScale * gWindow->pitch),
                size_t(gWindow->pitch) / 2);
    if (SDL_MUSTLOCK(gWindow)) SDL_UnlockSurface(gWindow);
    SDL_UpdateRect(gWindow, gOffsetX, gOffsetY + top * gScale, gWidth * gScale, rows * gScale);
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
    if (gVisible != nullptr) paintRows(0, gHeight);
    return true;
}

// The surface the engine draws into, with the window made for it; null (with
// SDL's error set) if there is none.
SDL_Surface* openDrawingSurface(int width, int height, int bitsPerPixel) {
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
        return gDrawing;
    }
    // Within 85% of the desktop, at most 4 times. The drawing surface is
    // separate so that it survives a change of video mode.
    gWindowedScale =
        platformFitScreen(width, height, gDesktopWidth * 85 / 100, gDesktopHeight * 85 / 100, 4)
            .scale;
    if (!setMode(false)) return nullptr;
    const SDL_PixelFormat* f = gWindow->format;
    gDrawing = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, bitsPerPixel, f->Rmask, f->Gmask,
                                    f->Bmask, f->Amask);
    return gDrawing;
}

}  // namespace

void platformUseHeadlessVideo() {
    // SDL 1.2 chooses its video driver from the environment when video starts.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

bool platformStartVideo(std::string* why) {
    if (SDL_Init(0) < 0) {
        *why = SDL_GetError();
        return false;
    }
    atexit(SDL_Quit);
    return true;
}

bool platformOpenScreen(int width, int height, int bitsPerPixel, PlatformScreen* screen,
                        std::string* why) {
    SDL_Surface* drawing = openDrawingSurface(width, height, bitsPerPixel);
    SDL_ShowCursor(SDL_DISABLE);
    if (drawing == nullptr) {
        *why = SDL_GetError();
        return false;
    }
    *screen = PlatformScreen{reinterpret_cast<PlatformSurface*>(drawing),
                             reinterpret_cast<PlatformPixelFormat*>(drawing->format),
                             static_cast<uint16_t*>(drawing->pixels)};
    return true;
}

// The window shows the visible screen; without a desktop the window is the
// drawing surface, whose rows are the visible ones just presented.
void platformShowRows(PlatformSurface* surface, const uint16_t* visible, int first, int count) {
    if (sdlSurface(surface) != gDrawing || count <= 0) return;
    gVisible = visible;
    if (gWindow == gDrawing) {
        SDL_UpdateRect(gWindow, 0, first, gWidth, count);
    } else if (gWindow != nullptr) {
        paintRows(first, count);
    }
}

void desktopToggleFullScreen() {
    if (gWindow == gDrawing || gDesktopWidth == 0) return;
    // A refused full-screen mode leaves the window as it was.
    if (!setMode(!gFullScreen) && !setMode(false)) gWindow = nullptr;
}
