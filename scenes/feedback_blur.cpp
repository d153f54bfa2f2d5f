#include "scenes/feedback_blur.h"

#include "fixed/colour.h"

namespace {

constexpr int kStride = 320;
constexpr int kFirst = 322;  // row 1, column 2
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

}  // namespace

void blurFeedbackPicture(uint16_t* p) {
#if DEMO_ARMV4T_ROUTINES
    blurFeedbackPictureArmv4t(p);
    return;
#endif
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
    for (int j = kFirst - kStride; j < kFirst; ++j) ring[j % kStride] = spread(p[j]) + spread(p[j + 321]);
    uint32_t before = ring[(kFirst - 1) % kStride];
    for (int i = kFirst; i < kLast; ++i) {
        uint32_t& slot = ring[i % kStride];
        const uint32_t blurred = blurredSpread(slot + before);
        p[i] = gathered(blurred);
        before = slot = blurred + spread(p[i + 321]);
    }
    p[kLast] = gathered(blurredSpread(ring[kLast % kStride] + before));  // no pixel 321 on
}
