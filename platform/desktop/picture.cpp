// Pictures on the desktop: SDL_image decodes, SDL converts to the screen.
#include "platform/picture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>

uint16_t* platformLoadPicture(const char* path, const PlatformPixelFormat* screenFormat, int* width,
                              int* height) {
    SDL_Surface* surface = IMG_Load(path);
    if (surface == nullptr) return nullptr;
    // The screen's format is SDL's own (platform/desktop/present.cpp).
    auto* format =
        const_cast<SDL_PixelFormat*>(reinterpret_cast<const SDL_PixelFormat*>(screenFormat));
    SDL_Surface* converted = SDL_ConvertSurface(surface, format, 0);
    if (converted == nullptr) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    *width = surface->w;
    *height = surface->h;
    auto* pixels = new uint16_t[size_t(*width) * *height];
    // Row by row: SDL pads each row of an odd-width 16-bit surface to 4 bytes.
    const auto* source = static_cast<const uint8_t*>(converted->pixels);
    for (int row = 0; row < *height; ++row) {
        memcpy(pixels + row * *width, source + row * converted->pitch, *width * sizeof(uint16_t));
    }
    SDL_FreeSurface(converted);
    SDL_FreeSurface(surface);
    return pixels;
}
