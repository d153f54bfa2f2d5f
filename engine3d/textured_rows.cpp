#include "engine3d/textured_rows.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kWidth = 320;

}  // namespace

void texturedSpan(const TexturedTarget& target, int y, int xStart, int xEnd, Fixed uStart,
                  Fixed vStart, Fixed uEnd, Fixed vEnd, Fixed zStart, Fixed zEnd) {
    if (xStart < 0 && xEnd < 0) return;
    if (xStart >= kWidth && xEnd >= kWidth) return;
    if (xStart > xEnd) {
        std::swap(xStart, xEnd);
        std::swap(uStart, uEnd);
        std::swap(vStart, vEnd);
        std::swap(zStart, zEnd);
    }
    const int64_t width = int64_t{xEnd} - xStart;
    if (width <= 0) return;
    // Columns left of the first drawn are passed in one step (the sums wrap
    // alike), and a span with no column to draw needs no steps at all.
    const int end = std::min<int>(xEnd, target.right);
    const int x = std::max<int>(xStart, target.left);
    if (x >= end) return;
    // (1 << 32) / (width << 16), at most 65536: each step is a 32 x 32-bit
    // product shifted down, cut to 32 bits.
    const int32_t inv = static_cast<int32_t>(wholeReciprocal(width));
    const Fixed du = static_cast<Fixed>((int64_t{inv} * wrapSub(uEnd, uStart)) >> 16);
    const Fixed dv = static_cast<Fixed>((int64_t{inv} * wrapSub(vEnd, vStart)) >> 16);
    const Fixed dz = static_cast<Fixed>((int64_t{inv} * wrapSub(zEnd, zStart)) >> 16);
    const uint32_t passed = static_cast<uint32_t>(x) - static_cast<uint32_t>(xStart);
    uint32_t u = static_cast<uint32_t>(uStart) + passed * static_cast<uint32_t>(du);
    uint32_t v = static_cast<uint32_t>(vStart) + passed * static_cast<uint32_t>(dv);
    uint32_t z = static_cast<uint32_t>(zStart) + passed * static_cast<uint32_t>(dz);
    target.depthLeft[y] = std::min<int16_t>(target.depthLeft[y], static_cast<int16_t>(x));
    target.depthRight[y] = std::max<int16_t>(target.depthRight[y], static_cast<int16_t>(end));

    // Every pixel keeps its own depth test. The texel index is 16 bits,
    // (row << 8) | column, so a column outside 0..255 spills into the row
    // bits rather than wrapping on its own: its low byte is u's bits 16..23,
    // its high byte v's bits 16..23 or'ed with u's bits 24..31. v is carried
    // shifted up by 8 (it wraps alike), which puts its bits where the index
    // wants them with one mask, and the byte offset takes one shift more.
    int32_t* depthAt = target.depth + y * kWidth + x;
    uint16_t* pixelAt = target.pixels + y * kWidth + x;
    const auto* texture = reinterpret_cast<const unsigned char*>(target.texels);
    uint32_t v8 = v << 8;
    const uint32_t dv8 = static_cast<uint32_t>(dv) << 8;
    auto plot = [&](int k) {
        const Fixed depthHere = static_cast<Fixed>(z);
        if (depthAt[k] > depthHere) {
            depthAt[k] = depthHere;
            const uint32_t offset = ((v8 >> 15) & 0x1FE00) | ((u >> 16) << 1);
            pixelAt[k] = *reinterpret_cast<const uint16_t*>(texture + offset);
        }
        u += static_cast<uint32_t>(du);
        v8 += dv8;
        z += static_cast<uint32_t>(dz);
    };
    int count = end - x;
    for (; count & 3; --count, ++depthAt, ++pixelAt) plot(0);
    for (; count > 0; count -= 4, depthAt += 4, pixelAt += 4) {
        plot(0);
        plot(1);
        plot(2);
        plot(3);
    }
}

void drawTexturedRowsByLines(TexturedRows* job) {
    RowEdge& first = *job->first;
    RowEdge& second = *job->second;
    for (int k = 0; k < job->rows; ++k) {
        texturedSpan(job->target, job->row + k, first.x >> 16, second.x >> 16, first.u, first.v,
                     second.u, second.v, first.z, second.z);
        first.step();
        second.step();
    }
}
