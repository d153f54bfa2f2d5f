// covered_picture.h - a picture laid over the screen through its alpha map,
// reduced once, at load time, to what it covers.
//
// Within a rectangle of the picture, each row's runs of pixels with nonzero
// coverage, each run either wholly opaque (coverage 63: a plain copy) or not
// (every pixel blended by its own coverage, blendCoverage). The coverages and
// the pixels of the runs are packed in drawing order, so that a frame reads
// nothing it does not draw, and reads it in the order memory holds it: the
// console's 16 KB data cache sees three short streams instead of the whole
// picture and its map.
#pragma once

#include <cstdint>
#include <vector>

class Image;

class CoveredPicture {
  public:
    // The rectangle's rows top .. end-1 and columns left .. right-1 of
    // `picture` seen through `alpha` (both at least that big, alike in width).
    CoveredPicture(const Image& picture, const Image& alpha, int top, int end, int left, int right);

    // Every run of picture row `row` (top .. end-1) onto `target`, where the
    // picture's column 0 of that row lands: each pixel p of the run at column x
    // becomes target[x] = blendCoverage(target[x], p, coverage), and the
    // pixels of coverage 0 stay as they are.
    void blendRow(uint16_t* target, int row) const;

  private:
    struct Run {
        uint16_t column;
        uint16_t count;
        uint32_t at;  // the first pixel's place in pixels and coverage
        bool opaque;
    };
    int top_;
    std::vector<uint32_t>
        rowRuns_;  // runs of row r: rowRuns_[r - top] .. rowRuns_[r - top + 1] - 1
    std::vector<Run> runs_;
    std::vector<uint16_t> pixels_;
    std::vector<uint8_t> coverage_;
};
