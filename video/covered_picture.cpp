#include "video/covered_picture.h"

#include <cstring>

#include "video/image.h"

CoveredPicture::CoveredPicture(const Image& picture, const Image& alpha, int top, int end, int left,
                               int right)
    : top_(top) {
    for (int row = top; row < end; ++row) {
        rowRuns_.push_back(static_cast<uint32_t>(runs_.size()));
        const uint16_t* mask = alpha.pixels + row * alpha.width;
        const uint16_t* pixels = picture.pixels + row * picture.width;
        for (int x = left; x < right;) {
            const int a = coverageOf(mask[x]);
            if (a == 0) {
                ++x;
                continue;
            }
            // The longest run of the same kind, opaque or not, from here.
            const bool opaque = a == 63;
            Run run{static_cast<uint16_t>(x), 0, static_cast<uint32_t>(pixels_.size()), opaque};
            for (; x < right; ++x) {
                const int c = coverageOf(mask[x]);
                if (c == 0 || (c == 63) != opaque) break;
                pixels_.push_back(pixels[x]);
                coverage_.push_back(static_cast<uint8_t>(c));
                ++run.count;
            }
            runs_.push_back(run);
        }
    }
    rowRuns_.push_back(static_cast<uint32_t>(runs_.size()));
}

void CoveredPicture::blendRow(uint16_t* target, int row) const {
    const uint32_t last = rowRuns_[row - top_ + 1];
    for (uint32_t r = rowRuns_[row - top_]; r < last; ++r) {
        const Run& run = runs_[r];
        uint16_t* out = target + run.column;
        const uint16_t* in = pixels_.data() + run.at;
        if (run.opaque) {
            memcpy(out, in, run.count * sizeof(uint16_t));
            continue;
        }
        const uint8_t* a = coverage_.data() + run.at;
        for (int k = 0; k < run.count; ++k) out[k] = blendCoverage(out[k], in[k], a[k]);
    }
}
