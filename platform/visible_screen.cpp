// What every host's presenting shares: the visible screen, the observer, and
// the arithmetic of which rows a present sends and where a scaled picture goes.
#include "platform/visible_screen.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/present.h"

namespace {

std::vector<uint16_t> gVisible;
int gWidth = 0;
PresentObserver gObserver = nullptr;
void* gObserverContext = nullptr;
bool gAside = false;

}  // namespace

void visibleScreenOpen(int width, int height) {
    gWidth = width;
    gVisible.assign(size_t(width) * height, 0);
}

bool visibleScreenOpened() {
    return !gVisible.empty();
}

void visibleScreenTake(const SDL_Surface* surface, int first, int count) {
    const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
    for (int y = first; y < first + count; ++y) {
        std::copy_n(reinterpret_cast<const uint16_t*>(pixels + y * surface->pitch), gWidth,
                    gVisible.data() + y * gWidth);
    }
}

void visibleScreenObserve(const SDL_Surface* surface, int first, int count) {
    if (gObserver && !gAside) {
        gObserver(gObserverContext, static_cast<const uint16_t*>(surface->pixels), surface->w,
                  first, count);
    }
}

const uint16_t* platformVisibleScreen() {
    return gVisible.empty() ? nullptr : gVisible.data();
}

uint16_t* platformVisibleScreenBuffer() {
    return gVisible.empty() ? nullptr : gVisible.data();
}

void platformSetPresentsAside(bool on) {
    gAside = on;
}

bool visibleScreenAside() {
    return gAside;
}

void platformSetPresentObserver(PresentObserver observer, void* context) {
    gObserver = observer;
    gObserverContext = context;
}

ScreenLayout platformFitScreen(int width, int height, int areaWidth, int areaHeight, int maxScale) {
    int scale = maxScale;
    while (scale > 1 && (width * scale > areaWidth || height * scale > areaHeight)) --scale;
    // An area smaller than the picture shows its top left corner.
    return {scale, std::max((areaWidth - width * scale) / 2, 0),
            std::max((areaHeight - height * scale) / 2, 0)};
}

void platformPresentedRows(int screenHeight, int top, int height, int* first, int* count) {
    const int rows = height == 0 ? screenHeight : height;
    *first = 0;
    *count = 0;
    if (rows <= 0 || top > screenHeight - rows) return;
    // Rows above the screen do not exist; SDL leaves them to the display to clip.
    *first = std::max(top, 0);
    *count = std::max(top + rows - *first, 0);
}
