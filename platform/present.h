// present.h - opens the demo's screen and hands presented bands to the host.
//
// The engine draws into a 320x240 RGB565 surface. On a desktop the window is
// that surface scaled by a whole factor that fits the desktop (1 where the
// desktop size is unknown, as with the headless dummy driver); presenting
// copies the band into the window, scaled. Tests and capture see exactly what
// was presented (never the drawing buffer between presents) through an
// observer.
#pragma once

#include <cstdint>

struct SDL_Surface;

// Opens the window and returns the drawing surface (the window itself when
// the scale is 1), or null with SDL's error set.
SDL_Surface* platformOpenScreen(int width, int height, int bitsPerPixel);

// Sends rows top .. top+height-1 of the drawing surface, full width. A height
// of 0 means the whole screen, as SDL_UpdateRect takes it.
void platformPresent(SDL_Surface* surface, int top, int height);

// Called after every present with the drawing surface's pixels and the band sent.
using PresentObserver = void (*)(void* context, const uint16_t* pixels, int width, int top,
                                 int height);
void platformSetPresentObserver(PresentObserver observer, void* context);
