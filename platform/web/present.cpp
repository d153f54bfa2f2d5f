// Presenting in the browser. The engine draws into a 16-bit buffer of our
// own; a present copies the band into the visible screen, and the page paints
// that on its canvas once per animation frame, converted to RGBA by the
// page's entry point. Scaling and full screen are the page's: the canvas is
// scaled by a whole factor with sharp pixels.
#include "platform/present.h"

#include <vector>

namespace {

std::vector<uint16_t> gDrawing;

}  // namespace

bool platformStartVideo(std::string*) {
    return true;
}

bool platformOpenScreen(int width, int height, int bitsPerPixel, PlatformScreen* screen,
                        std::string* why) {
    if (bitsPerPixel != 16) {
        *why = "the page's screen has 16 bits a pixel";
        return false;
    }
    gDrawing.assign(size_t(width) * height, 0);
    *screen = PlatformScreen{nullptr, nullptr, gDrawing.data()};
    return true;
}

// The page paints what it asks for after a frame.
void platformShowRows(PlatformSurface*, const uint16_t*, int, int) {}
