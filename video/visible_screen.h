// visible_screen.h - what the viewer was shown: the rows that presents have
// sent, kept apart from the drawing screen that the next frame overwrites.
//
// Display::present copies its band into the visible screen, then asks the
// host to show those rows (platform/present.h), and an observer (tests, the
// benchmarks) sees every present. Offline capture and the tests read the
// visible screen, never the drawing buffer. While the player computes frames
// that are not for the viewer (a jump's frames on the way, the copy of the
// engine that runs ahead), the visible screen still follows them, and the
// saved engine states keep it.
#pragma once

#include <cstdint>

struct PlatformSurface;

// Who hears of a present besides the visible screen.
enum class Presenting {
    Shown,      // the host shows the rows and the observer sees them
    OffScreen,  // the observer sees them, the host does not; back to Shown,
                // the host shows the whole visible screen once
    Aside,      // nobody: the visible screen alone changes, and its caller
                // puts back the one it kept
};
void setPresenting(Presenting presenting);

// The rows a present of (top, height) sends on a screen of screenHeight rows,
// as SDL_UpdateRect takes a rectangle: a height of 0 means the whole height,
// and a band reaching below the screen sends nothing (*count 0).
void presentedRows(int screenHeight, int top, int height, int* first, int* count);

// The visible screen of the display's `surface`, width x height pixels, black.
void visibleScreenOpen(PlatformSurface* surface, int width, int height);
// A present: rows top .. top+height-1 of the drawing screen `pixels` (width
// pixels a row), as presentedRows counts them.
void visibleScreenPresent(const uint16_t* pixels, int top, int height);

// What the viewer sees: width x height RGB565 pixels, row after row, as of
// the latest present (null before the screen is open).
const uint16_t* visibleScreen();
// The same pixels, writable, for a saved engine state that puts back what
// the viewer was shown.
uint16_t* visibleScreenBuffer();

// Called after every present that is not set aside, with the drawing
// screen's pixels and the rows sent.
using PresentObserver = void (*)(void* context, const uint16_t* pixels, int width, int top,
                                 int height);
void setPresentObserver(PresentObserver observer, void* context);
