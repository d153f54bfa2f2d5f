// pixel_loops_check.cpp - platform/armv4t's pixel loops against the C++ they
// stand in for, under qemu-arm (pixel_loops_test.sh): the same pixels,
// depths, noted columns and edges after thousands of random jobs, and the
// edge cases each routine's arithmetic turns on.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine3d/textured_rows.h"
#include "scenes/feedback_picture.h"
#include "scenes/glow_sprite.h"
#include "scenes/magnified_rows.h"

namespace {

int failures = 0;

uint32_t state = 2463534242u;
uint32_t next() {  // xorshift32
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}
int32_t between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(next() % static_cast<uint32_t>(high - low + 1));
}

void failed(const char* what, int round) {
    if (++failures <= 10) printf("%s differs in round %d\n", what, round);
}

// A screen, depth buffer and noted columns, one copy for each side.
struct Surface {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(320 * 240);
    std::vector<int32_t> depth = std::vector<int32_t>(320 * 240);
    std::vector<int16_t> left = std::vector<int16_t>(240);
    std::vector<int16_t> right = std::vector<int16_t>(240);
    bool operator==(const Surface& o) const {
        return pixels == o.pixels && depth == o.depth && left == o.left && right == o.right;
    }
};

// An edge's x near the screen mostly, at the far ends of +-16383 pixels now
// and then; u, v of any size (the index spills), steps small or wild.
RowEdge randomEdge(int kind) {
    RowEdge e;
    const int32_t far = 16383 << 16;
    e.x = kind == 0 ? between(-40 << 16, 360 << 16) : between(-far, far);
    e.dx = kind == 0 ? between(-8 << 16, 8 << 16) : between(-(far / 240), far / 240);
    e.u = static_cast<Fixed>(next());
    e.v = static_cast<Fixed>(next());
    e.du = next() & 1 ? between(-0x30000, 0x30000) : static_cast<Fixed>(next());
    e.dv = next() & 1 ? between(-0x30000, 0x30000) : static_cast<Fixed>(next());
    e.z = between(-0x40000, 0x280000);
    e.dz = between(-0x8000, 0x8000);
    return e;
}

void checkTexturedRows() {
    std::vector<uint16_t> texels(256 * 256);
    for (uint16_t& t : texels) t = static_cast<uint16_t>(next());
    Surface ours, theirs;
    for (int round = 0; round < 20000; ++round) {
        // Depths around the spans' own, so that some tests pass, some fail
        // and some tie; noted columns anywhere, as a frame leaves them.
        if (round % 50 == 0) {
            for (int32_t& d : ours.depth) d = between(-0x10000, 0x300000);
            for (int32_t& d : ours.depth)
                if (next() % 8 == 0) d = 0x1E0000;
            for (uint16_t& p : ours.pixels) p = static_cast<uint16_t>(next());
            for (int y = 0; y < 240; ++y) {
                ours.left[y] = static_cast<int16_t>(between(0, 320));
                ours.right[y] = static_cast<int16_t>(between(0, 320));
            }
            theirs = ours;
        }
        const int kind = round % 7 == 0 ? 1 : 0;
        RowEdge a[2] = {randomEdge(kind), randomEdge(kind)};
        if (round % 11 == 0) a[1].x = a[0].x;                     // edges that meet
        if (round % 13 == 0) a[1].dx = a[0].dx + 0x8000;          // and cross
        if (round % 17 == 0) a[1].z = a[0].z, a[1].dz = a[0].dz;  // depths that tie
        RowEdge b[2] = {a[0], a[1]};
        const int row = between(0, 239);
        const int rows = between(1, 240 - row);
        const int32_t clipLeft = next() % 4 == 0 ? between(0, 330) : 0;
        const int32_t clipRight = next() % 4 == 0 ? between(-10, 320) : 320;
        auto target = [&](Surface& s) {
            return TexturedTarget{s.pixels.data(), s.depth.data(), texels.data(), s.left.data(),
                                  s.right.data(),  clipLeft,       clipRight};
        };
        TexturedRows mine{target(ours), &a[0], &a[1], row, rows};
        TexturedRows reference{target(theirs), &b[0], &b[1], row, rows};
        drawTexturedRowsArmv4t(&mine);
        drawTexturedRowsByLines(&reference);
        if (!(ours == theirs)) {
            failed("textured rows: the screen", round);
            theirs = ours;
        }
        if (memcmp(a, b, sizeof a) != 0) failed("textured rows: the edges", round);
    }
}

// Random pictures and pictures of one colour (white saturates every sum):
// the blur alone; then with the zoom, against the blur and then the zoom;
// and the zoom alone, a few rows at a time.
void checkBlurAndZoom() {
    std::vector<uint16_t> ours(44800), theirs, to(44800), screen(44800), theirTo(44800),
        theirScreen(44800);
    for (int round = 0; round < 40; ++round) {
        for (uint16_t& p : ours) p = static_cast<uint16_t>(round < 2 ? 0xFFFF * round : next());
        theirs = ours;
        if (round % 2 == 0) {
            blurFeedbackPictureArmv4t(ours.data(), nullptr);
            blurFeedbackPictureByRows(theirs.data());
            if (ours != theirs) failed("the feedback blur", round);
            continue;
        }
        FeedbackZoom zoom{ours.data(), to.data(), screen.data(), 0};
        FeedbackZoom theirZoom{theirs.data(), theirTo.data(), theirScreen.data(), 0};
        blurFeedbackPictureArmv4t(ours.data(), &zoom);
        blurFeedbackPictureByRows(theirs.data());
        zoomFeedbackRowsByRows(&theirZoom, 139);
        if (ours != theirs || to != theirTo || screen != theirScreen || zoom.row != 140)
            failed("the feedback blur with the zoom", round);
        zoom.row = theirZoom.row = 0;
        for (int last = 0; last < 140; last += between(1, 30)) {
            zoomFeedbackRowsArmv4t(&zoom, last);
            zoomFeedbackRowsByRows(&theirZoom, last);
            if (zoom.row != theirZoom.row) failed("the feedback zoom's rows", round);
        }
        zoomFeedbackRowsArmv4t(&zoom, 139);
        zoomFeedbackRowsByRows(&theirZoom, 139);
        if (to != theirTo || screen != theirScreen) failed("the feedback zoom", round);
    }
}

// Random light (saturating often, white now and then) over random screens,
// rows of every run of words, at both phases.
void checkGlowWords() {
    std::vector<uint16_t> ours(320 * 240), theirs;
    TintedGlow glow{};
    for (int round = 0; round < 3000; ++round) {
        for (uint16_t& p : ours) p = static_cast<uint16_t>(next());
        theirs = ours;
        for (auto& phase : glow.words)
            for (auto& row : phase)
                for (uint32_t& w : row) w = round % 10 == 0 ? 0xFFFFFFFF : next();
        for (int phase = 0; phase < 2; ++phase) {
            for (int j = 0; j < 16; ++j) {
                glow.firstWord[phase][j] = static_cast<uint8_t>(between(0, 9));
                glow.wordCount[phase][j] =
                    static_cast<uint8_t>(between(0, 9 - glow.firstWord[phase][j]));
            }
        }
        glow.firstRow = static_cast<uint8_t>(between(0, 16));
        glow.endRow = static_cast<uint8_t>(between(glow.firstRow, 16));
        const int phase = round & 1;
        const int at = between(0, 200) * 320 + between(0, 150) * 2;
        addGlowWordsArmv4t(reinterpret_cast<uint32_t*>(ours.data() + at), &glow, phase);
        addGlowWords(reinterpret_cast<uint32_t*>(theirs.data() + at), glow, phase);
        if (ours != theirs) failed("the glow's words", round);
    }
}

// Runs of every length a magnified row has, over screens of the band's
// colour, black and random light, coverage 0, 63 and between.
void checkMagnifiedRows() {
    std::vector<uint16_t> ours(320 * 240), theirs, mask(320), picture(320);
    uint16_t runFrom[321];
    for (int round = 0; round < 3000; ++round) {
        for (uint16_t& p : ours) {
            const uint32_t kind = next() % 4;
            p = kind < 2 ? 0x3028 : kind == 2 ? 0 : static_cast<uint16_t>(next());
        }
        theirs = ours;
        const int first = between(0, 40);
        int k = first, runs = 0;
        while (k < 320 && runs < 320) {
            runFrom[runs++] = static_cast<uint16_t>(k);
            k = std::min(320, k + between(1, round % 5 == 0 ? 40 : 6));
        }
        runFrom[runs] = static_cast<uint16_t>(k);
        for (int j = 0; j < runs; ++j) {
            const int kind = between(0, 3);
            const int a = kind == 0 ? 0 : kind == 1 ? 63 : between(1, 62);
            mask[j] = static_cast<uint16_t>((a << 5) | (next() & 0xF81F));
            picture[j] = static_cast<uint16_t>(next());
        }
        const int j0 = between(0, runs - 1), j1 = between(j0, runs);
        const int top = between(0, 200);
        const int rows = between(1, 239 - top);
        const MagnifiedRows ourJob{
            ours.data() + top * 320, rows, mask.data(), picture.data(), runFrom, j0, j1};
        MagnifiedRows theirJob = ourJob;
        theirJob.row = theirs.data() + top * 320;
        drawMagnifiedRowsArmv4t(&ourJob);
        drawMagnifiedRowsByRuns(&theirJob);
        if (ours != theirs) failed("the magnified rows", round);
    }
}

}  // namespace

int main() {
    checkTexturedRows();
    checkBlurAndZoom();
    checkGlowWords();
    checkMagnifiedRows();
    if (failures) {
        printf("%d failures\n", failures);
        return 1;
    }
    printf("pixel loops: the same as their C++\n");
    return 0;
}
