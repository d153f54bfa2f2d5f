#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine_test_support.h"

namespace {

using enginetest::face;
using enginetest::fillScreen;
using enginetest::pixelAt;
using enginetest::screenMesh;

constexpr uint16_t kBackground = 0xABCD;
constexpr Fixed kFar = 0x1E0000;  // 30.0, the scenes' far limit

class DrawTextured : public testing::Test {
  protected:
    void SetUp() override {
        texture = enginetest::indexTexture();
        fillScreen(kBackground);
        enginetest::engine()->clearDepth(kFar);
    }
    std::unique_ptr<Mesh> mesh(const std::vector<enginetest::ScreenVertex>& points,
                               const std::vector<Face>& faces) {
        auto m = screenMesh(points, faces);
        m->texture = texture.get();
        m->envTexture = texture.get();
        return m;
    }
    int drawn() const {
        int n = 0;
        for (int i = 0; i < Display::kPixelCount; ++i) {
            n += enginetest::engine()->pixels[i] != kBackground;
        }
        return n;
    }
    // Columns [first, end) drawn on each row from `top` up to `bottom`
    // (exclusive), {0, 0} for an empty row; each row must be one run.
    std::vector<std::pair<int, int>> spans(int top, int bottom) const {
        std::vector<std::pair<int, int>> rows;
        for (int y = top; y < bottom; ++y) {
            int first = 0, end = 0;
            for (int x = 0; x < 320; ++x) {
                if (pixelAt(x, y) == kBackground) continue;
                if (end == 0) first = x;
                EXPECT_TRUE(end == 0 || end == x) << "row " << y << " has a gap at " << x;
                end = x + 1;
            }
            rows.emplace_back(first, end);
        }
        return rows;
    }
    std::unique_ptr<Image> texture;
};

TEST_F(DrawTextured, CoversTheSameRowsAndColumnsAsTheFlatFill) {
    auto m = mesh({{0, 0, 0x10000}, {0, 10, 0x10000}, {10, 0, 0x10000}}, {face(0, 1, 2)});
    m->drawTextured();
    EXPECT_EQ(drawn(), 55);
    for (int k = 0; k < 10; ++k) {
        EXPECT_NE(pixelAt(9 - k, k), kBackground) << k;
        EXPECT_EQ(pixelAt(10 - k, k), kBackground) << k;
    }
    EXPECT_EQ(enginetest::engine()->depth[0], 0x10000);
    EXPECT_EQ(enginetest::engine()->depth[10], kFar);
}

TEST_F(DrawTextured, MapsTexelsAffinelyWithTruncatedReciprocals) {
    // 64 rows make the edge reciprocal exact: one texel row per screen row.
    auto m = mesh({{0, 0, 0x10000}, {0, 64, 0x10000}, {64, 0, 0x10000}}, {face(0, 1, 2)});
    m->texVerts[0] = {10 << 16, 20 << 16};
    m->texVerts[1] = {10 << 16, 84 << 16};
    m->texVerts[2] = {74 << 16, 20 << 16};
    m->drawTextured();
    EXPECT_EQ(pixelAt(0, 0), (20 << 8) | 10);
    EXPECT_EQ(pixelAt(32, 0), (20 << 8) | 42);  // a 64-wide span steps exactly
    // Row 3 is 61 wide: the span reciprocal 65536 / 61 truncates to 1074, so
    // u steps by 1074 * 61 = 65514 and five steps reach 4.998 texels.
    EXPECT_EQ(pixelAt(5, 3), (23 << 8) | 14);
    EXPECT_EQ(pixelAt(0, 63), (83 << 8) | 10);
    EXPECT_EQ(pixelAt(0, 64), kBackground);
}

TEST_F(DrawTextured, TheLowerEdgeStepsXThroughItsTruncatedReciprocal) {
    // Middle (90, 205) to bottom (93, 208): 3 rows, reciprocal 21845, so x
    // steps by 65535 and stays a pixel left of 91 and 92 on rows 206 and 207.
    auto m = mesh({{92, 203, 0x10000}, {90, 205, 0x10000}, {93, 208, 0x10000}}, {face(0, 1, 2)});
    m->drawTextured();
    using Runs = std::vector<std::pair<int, int>>;
    EXPECT_EQ(spans(203, 209), (Runs{{0, 0}, {91, 92}, {90, 92}, {90, 92}, {91, 92}, {0, 0}}));
    EXPECT_EQ(drawn(), 6);
}

TEST_F(DrawTextured, TheLongEdgeStepsXThroughItsReciprocalAndTheUpperEdgeDivides) {
    // Long edge (10, 0) to (22, 6): reciprocal 10922, x step 12 * 10922 =
    // 131064, so it ends each row a pixel short of 10 + 2k. The upper edge to
    // (13, 3) divides directly and stays on 10 + k; the lower edge to (22, 6)
    // steps 9 * 21845 = 196605 and lands a pixel short from row 4 on.
    auto m = mesh({{10, 0, 0x10000}, {13, 3, 0x10000}, {22, 6, 0x10000}}, {face(0, 1, 2)});
    m->drawTextured();
    using Runs = std::vector<std::pair<int, int>>;
    EXPECT_EQ(spans(0, 7), (Runs{{0, 0}, {0, 0}, {12, 13}, {13, 15}, {15, 17}, {18, 19}, {0, 0}}));
}

TEST_F(DrawTextured, EnvironmentMappingSamplesTheCentreForANormalFacingTheViewer) {
    auto m = mesh({{0, 0, 0x10000}, {0, 10, 0x10000}, {10, 0, 0x10000}},
                  {face(0, 1, 2, kEnvironmentMaterial)});
    for (int i = 0; i < 3; ++i) m->vertices[i].viewNormal = {0, 0, -0x10000};
    m->texVerts[0] = {5 << 16, 5 << 16};  // ignored by environment mapping
    m->drawTextured();
    EXPECT_EQ(pixelAt(0, 0), 0x8080);
    EXPECT_EQ(pixelAt(3, 3), 0x8080);
    // A normal along +x reaches the disc's right edge, 256 - 256 spill aside.
    auto side = mesh({{20, 0, 0x10000}, {20, 10, 0x10000}, {30, 0, 0x10000}},
                     {face(0, 1, 2, kEnvironmentMaterial)});
    for (int i = 0; i < 3; ++i) side->vertices[i].viewNormal = {0x8000, -0x8000, 0};
    side->drawTextured();
    EXPECT_EQ(pixelAt(20, 0), (64 << 8) | 192);
}

TEST_F(DrawTextured, SkipsAFaceWithAnyVertexBehindTheViewer) {
    auto m = mesh({{0, 0, 0x10000}, {0, 10, -1}, {10, 0, 0x10000}}, {face(0, 1, 2)});
    m->drawTextured();
    EXPECT_EQ(drawn(), 0);
    m->screenZ[1] = 0;  // depth 0 is in front
    m->drawTextured();
    EXPECT_EQ(drawn(), 55);
}

TEST_F(DrawTextured, TheFirstOfTwoFacesAtEqualDepthStays) {
    auto m = mesh({{0, 0, 0x20000}, {0, 10, 0x20000}, {10, 0, 0x20000}},
                  {face(0, 1, 2), face(0, 1, 2, kEnvironmentMaterial)});
    m->texVerts[0] = m->texVerts[1] = m->texVerts[2] = {3 << 16, 4 << 16};
    m->drawTextured();
    EXPECT_EQ(pixelAt(1, 1), (4 << 8) | 3);
    // A nearer face does replace it.
    m->screenZ[0] = m->screenZ[1] = m->screenZ[2] = 0x1FFFF;
    m->faceCount = 2;
    m->faces[0].materialId = kEnvironmentMaterial;
    m->drawTextured();
    EXPECT_EQ(pixelAt(1, 1), 0x8080);
}

TEST_F(DrawTextured, NothingAtOrBeyondTheFarLimitIsDrawn) {
    auto m = mesh({{0, 0, kFar}, {0, 10, kFar}, {10, 0, kFar}}, {face(0, 1, 2)});
    m->drawTextured();
    EXPECT_EQ(drawn(), 0);
    m->screenZ[0] = m->screenZ[1] = m->screenZ[2] = kFar - 1;
    m->drawTextured();
    EXPECT_EQ(drawn(), 55);
}

TEST_F(DrawTextured, RejectsFacesWhollyLeftOrRightButNotAbove) {
    auto left = mesh({{0, 0, 0x10000}, {-5, 50, 0x10000}, {0, 40, 0x10000}}, {face(0, 2, 1)});
    left->drawTextured();
    auto right = mesh({{321, 0, 0x10000}, {321, 10, 0x10000}, {400, 0, 0x10000}}, {face(0, 1, 2)});
    right->drawTextured();
    EXPECT_EQ(drawn(), 0);
    // Its top rows above the screen, this one still draws its lower rows.
    auto tall = mesh({{0, -20, 0x10000}, {0, 10, 0x10000}, {30, -20, 0x10000}}, {face(0, 1, 2)});
    tall->drawTextured();
    for (int y = 0; y < 10; ++y) {
        EXPECT_NE(pixelAt(9 - y, y), kBackground) << y;
        EXPECT_EQ(pixelAt(10 - y, y), kBackground) << y;
    }
}

TEST_F(DrawTextured, HonoursTheRowClip) {
    auto m = mesh({{0, 0, 0x10000}, {0, 10, 0x10000}, {10, 0, 0x10000}}, {face(0, 1, 2)});
    m->clipTop = 3 << 16;
    m->clipBottom = 6 << 16;
    m->drawTextured();
    EXPECT_EQ(drawn(), 7 + 6 + 5);
    EXPECT_EQ(pixelAt(0, 2), kBackground);
    EXPECT_NE(pixelAt(0, 3), kBackground);
    EXPECT_EQ(pixelAt(0, 6), kBackground);
}

TEST_F(DrawTextured, AFaceFarOffTheScreenFinishesAndFillsEveryPixel) {
    auto m = mesh({{-30000, -30000, 0x10000}, {-30000, 31000, 0x10000}, {31000, -30000, 0x10000}},
                  {face(0, 1, 2)});
    m->drawTextured();
    EXPECT_EQ(drawn(), Display::kPixelCount);
}

TEST_F(DrawTextured, SkipsFacesWhoseTextureIsMissingOrTooSmall) {
    auto m = mesh({{0, 0, 0x10000}, {0, 10, 0x10000}, {10, 0, 0x10000}}, {face(0, 1, 2)});
    Image small(16, 16);
    m->texture = &small;
    m->drawTextured();
    m->texture = nullptr;
    m->drawTextured();
    EXPECT_EQ(drawn(), 0);
}

TEST_F(DrawTextured, AMeshWithFacesButNoVerticesOrTextureVerticesReadsNothingOutside) {
    // Zeroed face slots name vertex 0 and texture vertex 0; without them the
    // faces are not drawn (the sanitizer run proves nothing is read).
    auto noTexVerts = mesh({{0, 0, 0x10000}, {0, 10, 0x10000}, {10, 0, 0x10000}}, {face(0, 1, 2)});
    delete[] noTexVerts->texVerts;
    noTexVerts->texVerts = nullptr;
    noTexVerts->texVertCount = 0;
    noTexVerts->drawTextured();
    EXPECT_EQ(drawn(), 0);
    noTexVerts->faces[0].materialId = kEnvironmentMaterial;
    noTexVerts->drawTextured();
    EXPECT_EQ(drawn(), 55);

    auto empty = enginetest::loadText("*MESH_FACE 0: A: 0 B: 0 C: 0\n", 0, 3, 0, texture.get());
    empty->drawTextured();
    empty->drawFlat(0xFFFF, 0, 0);
    EXPECT_EQ(drawn(), 55);
}

class DrawSpan : public DrawTextured {
  protected:
    std::unique_ptr<Mesh> row = mesh({{0, 0, 0}}, {});
    void SetUp() override {
        DrawTextured::SetUp();
        row->texels = texture->pixels;
    }
};

TEST_F(DrawSpan, IsLeftInclusiveRightExclusiveInEitherOrder) {
    row->drawSpan(10, 14, 5, 0, 0, 4 << 16, 0, 0x10000, 0x10000);
    EXPECT_EQ(pixelAt(9, 5), kBackground);
    EXPECT_EQ(pixelAt(10, 5), 0);
    EXPECT_EQ(pixelAt(13, 5), 3);
    EXPECT_EQ(pixelAt(14, 5), kBackground);
    row->drawSpan(24, 20, 6, 4 << 16, 0, 0, 0, 0x10000, 0x10000);
    EXPECT_EQ(pixelAt(20, 6), 0);
    EXPECT_EQ(pixelAt(23, 6), 3);
    EXPECT_EQ(pixelAt(24, 6), kBackground);
    row->drawSpan(30, 30, 7, 0, 0, 0, 0, 0, 0);  // empty
    EXPECT_EQ(drawn(), 8);
}

TEST_F(DrawSpan, AColumnOutside0To255SpillsIntoTheRowBits) {
    row->drawSpan(0, 1, 0, 300 << 16, 2 << 16, 300 << 16, 2 << 16, 0, 0);
    EXPECT_EQ(pixelAt(0, 0), ((2 << 8) | 300) & 0xFFFF);
    row->drawSpan(1, 2, 0, -0x10000, 2 << 16, -0x10000, 2 << 16, 0, 0);
    EXPECT_EQ(pixelAt(1, 0), 0xFFFF);  // column -1 sets every bit
    row->drawSpan(2, 3, 0, 5 << 16, 257 << 16, 5 << 16, 257 << 16, 0, 0);
    EXPECT_EQ(pixelAt(2, 0), (1 << 8) | 5);  // row 257 keeps its low 8 bits
}

TEST_F(DrawSpan, TestsEachPixelsDepthStrictlyAndKeepsSteppingPastHiddenOnes) {
    Display* d = enginetest::engine();
    d->depth[5 * 320 + 12] = 0x10000;  // equal: kept
    d->depth[5 * 320 + 13] = 0xFFFF;   // nearer: kept
    row->drawSpan(10, 18, 5, 0, 0, 8 << 16, 0, 0x10000, 0x10000);
    EXPECT_EQ(pixelAt(11, 5), 1);
    EXPECT_EQ(pixelAt(12, 5), kBackground);
    EXPECT_EQ(pixelAt(13, 5), kBackground);
    EXPECT_EQ(pixelAt(14, 5), 4);  // u kept stepping under the hidden pixels
    EXPECT_EQ(d->depth[5 * 320 + 14], 0x10000);
    EXPECT_EQ(d->depth[5 * 320 + 13], 0xFFFF);
}

TEST_F(DrawSpan, ClipsColumnsPerPixelWithoutLosingTheTexelStep) {
    row->clipLeft = 12;
    row->clipRight = 15;
    row->drawSpan(10, 18, 5, 0, 0, 8 << 16, 0, 0, 0);
    EXPECT_EQ(pixelAt(11, 5), kBackground);
    EXPECT_EQ(pixelAt(12, 5), 2);
    EXPECT_EQ(pixelAt(14, 5), 4);
    EXPECT_EQ(pixelAt(15, 5), kBackground);
    EXPECT_EQ(drawn(), 3);
}

TEST_F(DrawSpan, StaysOnItsRowAtTheScreenEdges) {
    row->clipLeft = -100;  // even a clip wider than the screen
    row->clipRight = 500;
    row->drawSpan(-4, 4, 5, 0, 0, 8 << 16, 0, 0, 0);
    EXPECT_EQ(pixelAt(319, 4), kBackground);
    EXPECT_EQ(pixelAt(0, 5), 4);  // columns -4..-1 were stepped, not drawn
    row->drawSpan(318, 326, 6, 0, 0, 8 << 16, 0, 0, 0);
    EXPECT_EQ(pixelAt(319, 6), 1);
    EXPECT_EQ(pixelAt(0, 7), kBackground);
    row->drawSpan(-9, -2, 8, 0, 0, 0, 0, 0, 0);
    row->drawSpan(320, 330, 8, 0, 0, 0, 0, 0, 0);
    row->drawSpan(0, 10, -1, 0, 0, 0, 0, 0, 0);
    row->drawSpan(0, 10, 240, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(drawn(), 4 + 2);
}

TEST_F(DrawSpan, WidthsOneToTwelveCoverExactly) {
    // Every remainder of the four-pixel steps, at an odd start.
    for (int w = 1; w <= 12; ++w) {
        row->drawSpan(101, 101 + w, w, 0x10000, 0x10000, 0x10000, 0x10000, 0, 0);
        for (int x = 100; x < 115; ++x) {
            const bool inside = x >= 101 && x < 101 + w;
            ASSERT_EQ(pixelAt(x, w), inside ? 0x101 : kBackground) << w << " " << x;
        }
    }
}

}  // namespace
