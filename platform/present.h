// present.h - opens the demo's screen and hands presented bands to the host.
//
// The engine draws into a 320x240 RGB565 surface; presenting copies a band of
// it to the visible screen, which is all a viewer ever sees: rows a present
// does not send keep what was last sent. On a desktop the window shows the
// visible screen scaled by a whole factor that fits the desktop (Alt+Enter
// switches to full screen: the largest whole factor, centred on black). With
// no desktop (the headless dummy driver) the window is the drawing surface
// itself, at scale 1. Capture reads the visible screen; tests also see every
// present through an observer.
#pragma once

#include <cstdint>

struct SDL_Surface;

// Before the screen is opened: no window, whatever the desktop (capture).
void platformUseHeadlessVideo();
// Opens the window and returns the drawing surface, or null with SDL's error set.
SDL_Surface* platformOpenScreen(int width, int height, int bitsPerPixel);

// Sends rows top .. top+height-1 of the drawing surface, full width, as
// SDL_UpdateRect takes a rectangle: a height of 0 means the whole height, and
// a band reaching below the screen is not sent at all.
void platformPresent(SDL_Surface* surface, int top, int height);

// The rows a present of (top, height) sends on a screen of screenHeight rows:
// *first and *count, 0 rows when nothing is sent.
void platformPresentedRows(int screenHeight, int top, int height, int* first, int* count);

// What the viewer sees: width x height RGB565 pixels, row after row, as of the
// latest present (null before the screen is open).
const uint16_t* platformVisibleScreen();
// The same pixels, writable, for a host that puts back a visible screen it
// saved earlier (a seek); the window shows them once painting is switched on.
uint16_t* platformVisibleScreenBuffer();

// While painting is off, presents still update the visible screen (and the
// observer sees them) but the window is left as it is: frames computed off
// screen. Switching it back on paints the whole visible screen once.
void platformSetPainting(bool on);

// For frames of a copy of the engine that runs ahead of the one shown: while
// set aside, presents update the visible screen (which that copy's saved
// states hold) and nothing else. The window is not painted, the observer not
// told, and nothing is repainted after: the caller puts back the visible
// screen it kept.
void platformSetPresentsAside(bool on);

// Where a width x height picture goes in an area: the largest whole factor up
// to maxScale (at least 1) that fits, centred.
struct ScreenLayout {
    int scale;
    int x;
    int y;
};
ScreenLayout platformFitScreen(int width, int height, int areaWidth, int areaHeight, int maxScale);

// Between a scaled window and full screen; nothing without a desktop.
void platformToggleFullScreen();
bool platformFullScreen();

// Called after every present with the drawing surface's pixels and the rows sent.
using PresentObserver = void (*)(void* context, const uint16_t* pixels, int width, int top,
                                 int height);
void platformSetPresentObserver(PresentObserver observer, void* context);
