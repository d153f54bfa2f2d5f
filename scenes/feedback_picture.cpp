#include "scenes/feedback_picture.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "fixed/colour.h"

namespace {

constexpr int kStride = 320;
constexpr int kHeight = 140;
constexpr int kFirst = 322;   // row 1, column 2
constexpr int kLast = 44479;  // row 138, column 319

// A pixel's channels spread apart so that four pixels can be summed in one
// 32-bit word: red and blue in place, green moved to bits 21..26. Each sum
// has room above its field.
inline uint32_t spread(uint32_t c) {
    return (c & 0xF81F) | ((c & 0x07E0) << 16);
}

// The blurred pixel of four spread neighbours' sum, itself spread. Red and
// blue: the sums >> 2 (at most 31). Green: its sum >> 3 (at most 31) in the
// upper five bits of its field, which spread puts at bits 22..26: the sum's
// bits 24..28, so the same shift by 2 serves all three. Spreading the
// gathered pixel gives the same word back.
inline uint32_t blurredSpread(uint32_t sum) {
    return (sum >> 2) & 0x07C0F81F;
}

// A spread pixel back in RGB565.
inline uint16_t gathered(uint32_t s) {
    return static_cast<uint16_t>(s | (s >> 16));
}

// Zoom steps: 60000/65536 source pixels per destination pixel, starting at
// 13.5 columns and 5.9 rows in, so the picture grows about (160, 70).
constexpr int32_t kZoomStep = 60000;
constexpr int32_t kZoomStartX = 885760;
constexpr int32_t kZoomStartY = 387520;

// 64 destination columns of the zoom from column Base on, every column's
// source column a constant: a straight run of loads and stores, with no table
// to read and no loop to count (in blocks of 64, which every compiler
// unfolds), two columns to a 32-bit store (the first in the low half: rows
// start on a word): half the writes to memory.
typedef uint32_t PixelPair __attribute__((may_alias));
template <int32_t X>
constexpr int32_t zoomSource() {
    return (kZoomStartX + kZoomStep * X) >> 16;
}
template <int32_t Base, size_t... P>
inline void zoomColumns(const uint16_t* source, PixelPair* pairs, std::index_sequence<P...>) {
    ((pairs[Base / 2 + P] = source[zoomSource<Base + 2 * int32_t(P)>()] |
                            uint32_t{source[zoomSource<Base + 2 * int32_t(P) + 1>()]} << 16),
     ...);
}

inline void zoomRow(const uint16_t* source, uint16_t* row) {
    static_assert(kStride == 5 * 64);
    constexpr auto block = std::make_index_sequence<32>();
    auto* pairs = reinterpret_cast<PixelPair*>(row);
    zoomColumns<0>(source, pairs, block);
    zoomColumns<64>(source, pairs, block);
    zoomColumns<128>(source, pairs, block);
    zoomColumns<192>(source, pairs, block);
    zoomColumns<256>(source, pairs, block);
}

}  // namespace

void blurFeedbackPicture(uint16_t* p) {
#if DEMO_ARMV4T_ROUTINES
    blurFeedbackPictureArmv4t(p, nullptr);
    return;
#else
    if (!kVectorRegisters) {
        blurFeedbackPictureByRows(p);
        return;
    }
    // Row by row: the right, upper and lower neighbours of a row are summed
    // first (none of them is changed by the row's own pass), then the left
    // neighbour, the pixel just written, is added in order.
    uint32_t partial[kStride];
    uint32_t left = spread(p[kFirst - 1]);
    for (int y = 1; y <= 138; ++y) {
        uint16_t* row = p + y * kStride;
        for (int x = 0; x < kStride; ++x) {
            partial[x] = spread(row[x + 1]) + spread(row[x - kStride]) + spread(row[x + kStride]);
        }
        for (int x = y == 1 ? 2 : 0; x < kStride; ++x) {
            const uint32_t sum = partial[x] + left;
            left = blurredSpread(sum);
            row[x] = gathered(left);
        }
    }
#endif
}

// With V_j the spread pixel j as it stands (blurred once the pass is past
// it) and O_j as it was, pixel i's sum is V_(i-1) + O_(i+320) + V_(i-320) +
// O_(i+1). Both halves have one form, Q_j = V_j + O_(j+321): the sum is
// Q_(i-1) + Q_(i-320). So each pixel takes the Q of the pixel before it
// and the one a row back, and leaves its own Q (its blurred value plus the
// pixel 321 on, not yet reached) in a ring of one row: one add, one mask,
// one store of the pixel and one spread a pixel.
void blurFeedbackPictureByRows(uint16_t* p) {
    uint32_t ring[kStride];  // Q_j in slot j % 320 for the last 320 pixels
    for (int j = kFirst - kStride; j < kFirst; ++j)
        ring[j % kStride] = spread(p[j]) + spread(p[j + 321]);
    uint32_t before = ring[(kFirst - 1) % kStride];
    for (int i = kFirst; i < kLast; ++i) {
        uint32_t& slot = ring[i % kStride];
        const uint32_t blurred = blurredSpread(slot + before);
        p[i] = gathered(blurred);
        before = slot = blurred + spread(p[i + 321]);
    }
    p[kLast] = gathered(blurredSpread(ring[kLast % kStride] + before));  // no pixel 321 on
}

void blurAndZoomFeedbackPicture(uint16_t* picture, FeedbackZoom* zoom) {
#if DEMO_ARMV4T_ROUTINES
    blurFeedbackPictureArmv4t(picture, zoom);
#else
    blurFeedbackPicture(picture);
    zoomFeedbackRows(zoom, kHeight - 1);
#endif
}

void zoomFeedbackRows(FeedbackZoom* zoom, int lastSourceRow) {
#if DEMO_ARMV4T_ROUTINES
    zoomFeedbackRowsArmv4t(zoom, lastSourceRow);
#else
    zoomFeedbackRowsByRows(zoom, lastSourceRow);
#endif
}

void zoomFeedbackRowsByRows(FeedbackZoom* zoom, int lastSourceRow) {
    for (; zoom->row < kHeight; ++zoom->row) {
        const int sourceRow = (kZoomStartY + kZoomStep * zoom->row) >> 16;
        if (sourceRow > lastSourceRow) break;
        uint16_t* row = zoom->to + zoom->row * kStride;
        zoomRow(zoom->from + sourceRow * kStride, row);
        memcpy(zoom->screen + zoom->row * kStride, row, kStride * sizeof(uint16_t));
    }
}
