// The pictures the generator wrote into the run folder, loaded as the scenes
// load them: sizes the scenes read, coverage only where a scene keeps it,
// a glow sprite whose every lit pixel is drawn, a greets text the cube wall
// can show, a background that tiles, and a flower texture under every
// triangle of the flower; and the drawing kit's levels as the loader reads them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../engine3d/engine_test_support.h"
#include "common/asset_files.h"
#include "pictures/art.h"
#include "video/image.h"

namespace {

std::unique_ptr<Image> load(const std::string& name) {
    return std::make_unique<Image>((std::string(DEMO_RUN_DIR) + "/data/" + name).c_str());
}

int red(uint16_t p) {
    return p >> 11;
}
int green(uint16_t p) {
    return (p >> 5) & 63;
}
int blue(uint16_t p) {
    return p & 31;
}

const char* const kCreditMembers[] = {"mervo", "tallik", "sunbo", "yorrel"};

}  // namespace

TEST(Pictures, EachHasTheSizeItsSceneReadsAndNoneHoldsTheColourKey) {
    struct Expected {
        std::string name;
        int width, height;
    };
    std::vector<Expected> expected = {
        {"seinae.png", 256, 256},
        {"title.png", 320, 240},
        {"title-alpha.png", 320, 240},
        {"logo-overlay.png", 320, 240},
        {"logo-overlay-alpha.png", 320, 240},
        {"velmira.png", 320, 811},
        {"flarealpha16.png", 16, 16},
        {"env.png", 256, 256},
        {"brisklo-logo-png.png", 320, 240},
        {"brisklo-logo-png-alpha.png", 320, 240},
        {"greets.png", 512, 15},
        {"flower.png", 256, 256},
        {"kukkatausta.png", 640, 240},
    };
    for (const char* member : kCreditMembers) {
        expected.push_back({std::string("credits-") + member + ".png", 320, 240});
        expected.push_back({std::string("credits-") + member + "-alpha.png", 320, 240});
    }
    for (const Expected& e : expected) {
        const auto image = load(e.name);
        EXPECT_EQ(image->width, e.width) << e.name;
        EXPECT_EQ(image->height, e.height) << e.name;
        int keyed = 0;
        for (int i = 0; i < image->count; ++i) keyed += image->pixels[i] == kColourKey;
        EXPECT_EQ(keyed, 0) << e.name << " holds the colour key";
    }
}

// Coverage is zero wherever the scene does not draw the picture, or would
// blend it again onto its own last frame; inside, a solid core of full
// coverage is ringed by soft edges.
TEST(Pictures, AlphaMapsCoverOnlyWhatTheirSceneKeepsWithSolidCoresAndSoftEdges) {
    struct Region {
        std::string name;
        int left, top, right, bottom;  // inclusive
    };
    std::vector<Region> regions = {
        {"title-alpha.png", 30, 45, 284, 194},
        {"logo-overlay-alpha.png", 0, 51, 159, 189},
        {"brisklo-logo-png-alpha.png", 15, 51, 309, 188},
    };
    // A shrinking credit shows the whole picture: its border stays clear.
    for (const char* member : kCreditMembers)
        regions.push_back({std::string("credits-") + member + "-alpha.png", 1, 1, 318, 237});

    for (const Region& r : regions) {
        const auto alpha = load(r.name);
        ASSERT_EQ(alpha->width, 320);
        auto at = [&](int x, int y) { return coverageOf(alpha->pixels[y * 320 + x]); };
        int outside = 0, core = 0, soft = 0;
        for (int y = 0; y < alpha->height; ++y)
            for (int x = 0; x < 320; ++x) {
                const int a = at(x, y);
                if (x < r.left || x > r.right || y < r.top || y > r.bottom) {
                    outside += a != 0;
                    continue;
                }
                soft += a > 0 && a < 63;
                if (a == 63 && x > 0 && y > 0 && x < 319 && y < alpha->height - 1) {
                    bool solid = true;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx) solid &= at(x + dx, y + dy) == 63;
                    core += solid;
                }
            }
        EXPECT_EQ(outside, 0) << r.name << ": coverage outside the drawn region";
        EXPECT_GT(core, 1000) << r.name << ": no solid interior";
        EXPECT_GT(soft, 1000) << r.name << ": no soft edges";
    }
}

TEST(Pictures, GlowSpriteIsRoundAndEveryLitPixelIsDrawn) {
    const auto glow = load("flarealpha16.png");
    ASSERT_EQ(glow->count, 256);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint16_t p = glow->pixels[y * 16 + x];
            // The scenes skip pixels whose low byte is 0.
            if (green(p) > 0) {
                EXPECT_NE(p & 0xFF, 0) << x << "," << y;
            }
            if (std::hypot(x - 7.5, y - 7.5) > 8) {
                EXPECT_EQ(green(p), 0) << x << "," << y;
            }
        }
    EXPECT_GE(green(glow->pixels[7 * 16 + 7]), 56);
    // Falling off outward from the centre, without rings.
    for (int x = 7; x > 0; --x)
        EXPECT_LE(green(glow->pixels[7 * 16 + x - 1]), green(glow->pixels[7 * 16 + x]));
    for (int x = 8; x < 15; ++x)
        EXPECT_LE(green(glow->pixels[7 * 16 + x + 1]), green(glow->pixels[7 * 16 + x]));
}

// Each pixel is a cube: black for none, otherwise a colour bright enough to
// survive the flat shading. The letters fit the wall's 15 rows at most 13
// tall, with strokes one cube wide, and lie in the columns that pass through
// the wall before it flies out (about 300 of the 512).
TEST(Pictures, GreetsSpellsThinBrightLettersOnBlack) {
    const auto greets = load("greets.png");
    ASSERT_EQ(greets->width, 512);
    ASSERT_EQ(greets->height, 15);
    auto ink = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < 512 && y < 15 && greets->pixels[y * 512 + x] != 0;
    };
    int inkCount = 0, lastInkColumn = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 512; ++x) {
            if (!ink(x, y)) continue;
            const uint16_t p = greets->pixels[y * 512 + x];
            const float brightest = std::max({red(p) / 31.0f, green(p) / 63.0f, blue(p) / 31.0f});
            EXPECT_GE(brightest, 0.75f) << x << "," << y;
            // Two-by-two clumps occur where strokes cross; a stroke two
            // wide along three pixels is a bold letter.
            auto block = [&](int w, int h) {
                bool all = true;
                for (int dy = 0; dy < h; ++dy)
                    for (int dx = 0; dx < w; ++dx) all &= ink(x + dx, y + dy);
                return all;
            };
            EXPECT_FALSE(block(2, 3) || block(3, 2))
                << "stroke wider than a pixel at " << x << "," << y;
            ++inkCount;
            lastInkColumn = std::max(lastInkColumn, x);
        }
    EXPECT_GT(inkCount, 500);
    EXPECT_LT(lastInkColumn, 306);

    // Letters: 8-connected groups of ink, each at most 13 rows tall.
    std::vector<int> group(512 * 15, -1);
    int groups = 0;
    for (int start = 0; start < 512 * 15; ++start) {
        if (group[start] >= 0 || !ink(start % 512, start / 512)) continue;
        int top = 15, bottom = -1;
        std::vector<int> stack = {start};
        group[start] = groups;
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            top = std::min(top, i / 512);
            bottom = std::max(bottom, i / 512);
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = i % 512 + dx, y = i / 512 + dy;
                    if (ink(x, y) && group[y * 512 + x] < 0) {
                        group[y * 512 + x] = groups;
                        stack.push_back(y * 512 + x);
                    }
                }
        }
        EXPECT_LE(bottom - top + 1, 13) << "letter at column " << start % 512;
        ++groups;
    }
    EXPECT_GE(groups, 12 * 4) << "too few letters for a dozen names";
}

// The title scene wraps the pattern in both directions: the step across the
// wrap is no larger than a typical step between neighbours inside.
TEST(Pictures, TitlePatternTilesSeamlessly) {
    const auto pattern = load("seinae.png");
    ASSERT_EQ(pattern->width, 256);
    ASSERT_EQ(pattern->height, 256);
    auto step = [&](int x0, int y0, int x1, int y1) {
        const uint16_t a = pattern->pixels[y0 * 256 + x0], b = pattern->pixels[y1 * 256 + x1];
        return std::abs(red(a) - red(b)) + std::abs(green(a) - green(b)) +
               std::abs(blue(a) - blue(b));
    };
    double insideX = 0, insideY = 0, acrossX = 0, acrossY = 0;
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 255; ++j) {
            insideX += step(j, i, j + 1, i);
            insideY += step(i, j, i, j + 1);
        }
        acrossX += step(255, i, 0, i);
        acrossY += step(i, 255, i, 0);
    }
    insideX /= 255 * 256;
    insideY /= 255 * 256;
    acrossX /= 256;
    acrossY /= 256;
    EXPECT_LE(acrossX, 1.5 * insideX + 0.5);
    EXPECT_LE(acrossY, 1.5 * insideY + 0.5);
}

// Loaded as the flower scene loads them, every triangle of "data/flow" maps
// onto painted texels: petals warm, stem and leaves green.
TEST(Pictures, FlowerTextureLiesUnderEveryTriangleOfTheFlower) {
    enginetest::engine();
    auto flower = load("flower.png");
    Mesh mesh((std::string(DEMO_RUN_DIR) + "/data/flow").c_str(), flower.get(), flower.get(), 60,
              116, 70);
    // The corner is far from both of the mesh's charts.
    const uint16_t unreached = flower->pixels[0];
    constexpr Fixed kStemTop = 37 * 65536 / 50;     // model z, 37 file units
    constexpr Fixed kPetalReach = 10 * 65536 / 50;  // off the axis, 10 file units
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Face& face = mesh.faces[f];
        const Face& tex = mesh.texFaces[f];
        const int u =
            (mesh.texVerts[tex.a].u + mesh.texVerts[tex.b].u + mesh.texVerts[tex.c].u) / 3 >> 16;
        const int v =
            (mesh.texVerts[tex.a].v + mesh.texVerts[tex.b].v + mesh.texVerts[tex.c].v) / 3 >> 16;
        ASSERT_TRUE(u >= 0 && u < 256 && v >= 0 && v < 256) << "face " << f;
        const uint16_t texel = flower->pixels[v * 256 + u];
        EXPECT_NE(texel, unreached) << "face " << f << " maps onto unpainted texels";
        bool stem = true, petal = false;
        for (int i : {face.a, face.b, face.c}) {
            const Vector3 p = mesh.vertices[i].position;
            stem &= p.z < kStemTop;
            petal |= std::hypot(double(p.x), double(p.y)) > kPetalReach;
        }
        if (stem) {
            EXPECT_GT(green(texel) / 2, red(texel)) << "stem face " << f;
            EXPECT_GT(green(texel) / 2, blue(texel)) << "stem face " << f;
        } else if (petal) {
            EXPECT_GT(red(texel), blue(texel)) << "petal face " << f;
        }
    }
}

// The drawing kit's output, through the demo's own loader: every channel
// lands on the level it was drawn at, pure magenta never becomes the colour
// key, and coverage reaches exactly 0 and 63.
TEST(DrawingKit, ColoursAndCoverageLandOnTheLoadersLevels) {
    art::Canvas canvas(4, 1);
    canvas.set(0, 0, {1, 0, 1}, 1);  // the key's colour
    canvas.set(1, 0, {0.5f, 0.5f, 0.5f}, 0.5f);
    canvas.set(2, 0, {1, 1, 1}, 1);
    canvas.set(3, 0, {0.2f, 0.9f, 0.0f}, 0);
    char picturePath[] = "/tmp/artkitXXXXXX.png";
    char alphaPath[] = "/tmp/artkitalphaXXXXXX.png";
    close(mkstemps(picturePath, 4));
    close(mkstemps(alphaPath, 4));
    ASSERT_TRUE(writePng(picturePath, art::toPicture(canvas, false)));
    ASSERT_TRUE(writePng(alphaPath, art::toAlphaMap(canvas)));
    Image picture(picturePath);
    Image alpha(alphaPath);
    unlink(picturePath);
    unlink(alphaPath);
    EXPECT_EQ(picture.pixels[0], 0xF83F);  // green raised by one level
    EXPECT_EQ(picture.pixels[1], (16 << 11) | (32 << 5) | 16);
    EXPECT_EQ(picture.pixels[2], 0xFFFF);
    EXPECT_EQ(picture.pixels[3], 0);  // nothing drawn: black
    EXPECT_EQ(coverageOf(alpha.pixels[0]), 63);
    EXPECT_EQ(coverageOf(alpha.pixels[1]), 32);
    EXPECT_EQ(coverageOf(alpha.pixels[3]), 0);
}
