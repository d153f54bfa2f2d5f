// present.h - hands a presented band of the screen to the host.
//
// The demo sends it to SDL; tests and capture also see exactly what was
// presented (never the drawing buffer between presents) through an observer.
#pragma once

#include <cstdint>

struct SDL_Surface;

// Sends rows top .. top+height-1 of the surface, full width. A height of 0
// means the whole screen, as SDL_UpdateRect takes it.
void platformPresent(SDL_Surface* surface, int top, int height);

// Called after every present with the surface's pixels and the band sent.
using PresentObserver = void (*)(void* context, const uint16_t* pixels, int width, int top,
                                 int height);
void platformSetPresentObserver(PresentObserver observer, void* context);
