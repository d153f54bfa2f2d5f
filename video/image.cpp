#include "video/image.h"

#include <cstdio>
#include <cstdlib>

#include "platform/messages.h"
#include "platform/picture.h"
#include "video/display.h"

Image::Image(const char* path) {
    Display* display = Display::instance();
    pixels = platformLoadPicture(path, display->format, &width, &height);
    if (pixels == nullptr) exitLoadingFailed(path);
    count = width * height;
}

Image::Image(int w, int h) : count(w * h), pixels(new uint16_t[w * h]()), width(w), height(h) {}

Image::~Image() {
    delete[] pixels;
}

Image* loadPicture(const char* path, int minWidth, int minHeight, bool exactWidth) {
    Image* image = new Image(path);
    const bool wideEnough = exactWidth ? image->width == minWidth : image->width >= minWidth;
    if (!wideEnough || image->height < minHeight) {
        exitLoadingFailed(path);
    }
    return image;
}
