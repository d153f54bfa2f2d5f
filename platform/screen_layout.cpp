#include "platform/screen_layout.h"

#include <algorithm>

ScreenLayout platformFitScreen(int width, int height, int areaWidth, int areaHeight, int maxScale) {
    int scale = maxScale;
    while (scale > 1 && (width * scale > areaWidth || height * scale > areaHeight)) --scale;
    return {scale, std::max((areaWidth - width * scale) / 2, 0),
            std::max((areaHeight - height * scale) / 2, 0)};
}

// Each row is widened once, then copied for the rows below it.
void scaleRowsUp(const uint16_t* in, int width, int rows, int scale, uint16_t* out,
                 size_t outPitch) {
    const size_t scaledWidth = size_t(width) * scale;
    for (int y = 0; y < rows; ++y) {
        uint16_t* row = out + size_t(y) * scale * outPitch;
        for (int x = 0; x < width; ++x) std::fill_n(row + x * scale, scale, in[y * width + x]);
        for (int k = 1; k < scale; ++k) std::copy_n(row, scaledWidth, row + size_t(k) * outPitch);
    }
}
