// present.h - the host's screen: opening it, and showing the rows that the
// engine presents.
//
// The engine draws into a 320x240 RGB565 buffer that the host gives it and
// presents bands of it (video/display.h); the rows a present sends go to the
// visible screen (video/visible_screen.h), which the host shows. On a desktop
// (platform/desktop/) the window shows the visible screen scaled by a whole
// factor that fits the desktop (Alt+Enter: full screen, the largest whole
// factor, centred on black); with no desktop (the headless dummy driver) the
// window is the drawing buffer itself, at scale 1. The console
// (platform/gp2x/) copies the rows into its framebuffer; the web page
// (platform/web/) paints its canvas from the visible screen itself.
#pragma once

#include <cstdint>
#include <string>

// The host's own handles for its screen and the screen's pixel format, opaque
// to the engine.
struct PlatformSurface;
struct PlatformPixelFormat;

// Starts the host's video; false with the host's reason.
bool platformStartVideo(std::string* why);

struct PlatformScreen {
    PlatformSurface* surface = nullptr;
    PlatformPixelFormat* format = nullptr;  // what pictures are converted to
    uint16_t* pixels = nullptr;             // width x height, rows width pixels apart
};
// Opens a screen of width x height pixels of bitsPerPixel bits and hides the
// pointer over it; false with the host's reason if it cannot be opened.
bool platformOpenScreen(int width, int height, int bitsPerPixel, PlatformScreen* screen,
                        std::string* why);

// Shows rows first .. first+count-1 of the visible screen (`visible`, the
// screen's width a row) to the viewer.
void platformShowRows(PlatformSurface* surface, const uint16_t* visible, int first, int count);
