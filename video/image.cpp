#include "video/image.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/messages.h"
#include "video/display.h"

Image::Image(const char* path) {
    Display* display = Display::instance();
    SDL_Surface* surface = IMG_Load(path);
    if (surface == nullptr) {
        exitLoadingFailed(path);
    }
    SDL_Surface* converted = SDL_ConvertSurface(surface, display->format, 0);
    if (converted == nullptr) {
        SDL_FreeSurface(surface);
        exitLoadingFailed(path);
    }
    width = surface->w;
    height = surface->h;
    count = width * height;
    pixels = new uint16_t[count];
    // Row by row: SDL pads each row of an odd-width 16-bit surface to 4 bytes.
    const auto* source = static_cast<const uint8_t*>(converted->pixels);
    for (int row = 0; row < height; ++row) {
        memcpy(pixels + row * width, source + row * converted->pitch, width * sizeof(uint16_t));
    }
    SDL_FreeSurface(converted);
    SDL_FreeSurface(surface);
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
