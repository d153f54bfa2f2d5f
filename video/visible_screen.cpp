#include "video/visible_screen.h"

#include <algorithm>
#include <vector>

#include "platform/present.h"

namespace {

std::vector<uint16_t> gVisible;
PlatformSurface* gSurface = nullptr;
int gWidth = 0;
int gHeight = 0;
Presenting gPresenting = Presenting::Shown;
PresentObserver gObserver = nullptr;
void* gObserverContext = nullptr;

}  // namespace

void setPresenting(Presenting presenting) {
    const bool backOnScreen =
        presenting == Presenting::Shown && gPresenting == Presenting::OffScreen;
    gPresenting = presenting;
    if (backOnScreen && !gVisible.empty()) platformShowRows(gSurface, gVisible.data(), 0, gHeight);
}

void presentedRows(int screenHeight, int top, int height, int* first, int* count) {
    const int rows = height == 0 ? screenHeight : height;
    *first = 0;
    *count = 0;
    if (rows <= 0 || top > screenHeight - rows) return;
    // Rows above the screen do not exist; SDL leaves them to the display to clip.
    *first = std::max(top, 0);
    *count = std::max(top + rows - *first, 0);
}

void visibleScreenOpen(PlatformSurface* surface, int width, int height) {
    gSurface = surface;
    gWidth = width;
    gHeight = height;
    gVisible.assign(size_t(width) * height, 0);
}

void visibleScreenPresent(const uint16_t* pixels, int top, int height) {
    int first = 0;
    int count = 0;
    presentedRows(gHeight, top, height, &first, &count);
    std::copy_n(pixels + size_t(first) * gWidth, size_t(count) * gWidth,
                gVisible.data() + size_t(first) * gWidth);
    if (gPresenting == Presenting::Aside) return;
    if (gPresenting == Presenting::Shown && count > 0) {
        platformShowRows(gSurface, gVisible.data(), first, count);
    }
    if (gObserver != nullptr) gObserver(gObserverContext, pixels, gWidth, first, count);
}

const uint16_t* visibleScreen() {
    return gVisible.empty() ? nullptr : gVisible.data();
}

uint16_t* visibleScreenBuffer() {
    return gVisible.empty() ? nullptr : gVisible.data();
}

void setPresentObserver(PresentObserver observer, void* context) {
    gObserver = observer;
    gObserverContext = context;
}
