// The arithmetic of presenting that every host shares: which rows a present
// sends, and where a scaled picture goes.
#include <algorithm>

#include "platform/present.h"

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
