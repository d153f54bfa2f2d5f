#include "platform/present.h"

#include <SDL.h>

namespace {
PresentObserver gObserver = nullptr;
void* gObserverContext = nullptr;
}  // namespace

void platformPresent(SDL_Surface* surface, int top, int height) {
    SDL_UpdateRect(surface, 0, top, surface->w, height);
    if (gObserver) {
        const int rows = height == 0 ? surface->h : height;
        gObserver(gObserverContext, static_cast<const uint16_t*>(surface->pixels), surface->w, top,
                  rows);
    }
}

void platformSetPresentObserver(PresentObserver observer, void* context) {
    gObserver = observer;
    gObserverContext = context;
}
