#include "scenes/greets_cube.h"

#include <cstring>

#include "engine3d/camera.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "video/display.h"

namespace {

constexpr int kAngleSpread = 12000;
constexpr Fixed kCubeFocal = 0xC80000;  // 200.0: the cubes sit nearer than loaded meshes
constexpr int32_t kStartOrbit = 0xC000;
constexpr Fixed kOrbitRadius = 0x20000;  // 2.0
constexpr int kLeavingPosition = 11;
constexpr int kLastRowBeforeLeaving = 64;
constexpr int32_t kFlyStep = 10;
constexpr int kDrawnLower = 6;  // cells are drawn 6 rows below gridY + dropY

// The scroll column: bits 16..31 of the scroll, as a signed 16-bit value.
int scrollColumn(int32_t scroll) {
    return static_cast<int16_t>(scroll >> 16);
}

}  // namespace

GreetsCubeScene::GreetsCubeScene() {
    blankTexture = std::make_unique<Image>(1, 1);
    greetsImage.reset(loadPicture("data/greets.png", kGreetsWidth, kRows, true));
    for (int i = 0; i < kMeshes; ++i) {
        cubes[i] =
            std::make_unique<Mesh>("data/cube", blankTexture.get(), blankTexture.get(), 8, 12, 12);
        Mesh& cube = *cubes[i];
        cube.rotX = i * 2500;
        cube.rotY = demoRand() % kAngleSpread;
        cube.rotZ = demoRand() % kAngleSpread;
        cube.focal = kCubeFocal;
        frontFaces[i].reserve(static_cast<size_t>(cube.faceCount));  // no allocation in a frame
    }
    for (int i = 0; i < kCells; ++i) {
        gridX[i] = (i % kColumns) * 13 - 135;
        gridY[i] = (i / kColumns) * 14 - 100;
        cubeColour[i] = 0;
        flyX[i] = 0;
        dropY[i] = -6750 + 20 * i;
    }
}

void GreetsCubeScene::update(int elapsedMs) {
    const PatternData& patterns = PatternData::instance();
    if (started == 0) {
        started = 1;
        placeCamera();
        startTime = elapsedMs;
    }
    for (auto& cube : cubes) {
        cube->rotX += 100;
        cube->rotY += 500;
        cube->rotZ += 320;
        cube->transform();
    }
    moveCells(patterns.position() == kLeavingPosition && patterns.row() > kLastRowBeforeLeaving);

    // The colours follow the scroll of the frame before.
    const int column = scrollColumn(textScroll);
    if (column != scrollColumn(textScrollBefore)) loadColours(column);
    textScrollBefore = textScroll;
    textScroll = static_cast<int32_t>(static_cast<uint32_t>(elapsedMs - startTime) * 1000u);
}

// Once, at the first update: the camera faces the wall from 2.0 away and is
// not touched again by this scene. -16384 - 0xC000 is one full turn.
void GreetsCubeScene::placeCamera() {
    Camera& camera = sharedCamera();
    orbitAngle = kStartOrbit;
    camera.placeOnOrbit(orbitAngle, kOrbitRadius);
    orbitAngle &= 0xFFFF;
    camera.update();
}

// The drop closes a fifth of the remaining distance a frame (truncating), so
// a cell comes to rest once less than 5 remains: every start value used ends
// at -4. While leaving, the drop stands still and the wall moves left.
void GreetsCubeScene::moveCells(bool leaving) {
    if (leaving) {
        for (int i = 0; i < kCells; ++i) flyX[i] -= kFlyStep;
        return;
    }
    for (int i = 0; i < kCells; ++i) {
        if (dropY[i] < 0) dropY[i] += -dropY[i] / 5;
    }
}

void GreetsCubeScene::loadColours(int column) {
    const uint16_t* greets = greetsImage->pixels;
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            cubeColour[r * kColumns + c] =
                greets[r * kGreetsWidth + ((column + c) & (kGreetsWidth - 1))];
        }
    }
}

void GreetsCubeScene::render() {
    Display* display = Display::instance();
    memset(display->pixels, 0, Display::kPixelCount * sizeof(uint16_t));
    display->setBand(Display::kWholeScreen);
    // Each cube's faces are set up once and drawn at each of its cells.
    for (int k = 0; k < kMeshes; ++k) cubes[k]->flatFaces(&frontFaces[k]);
    for (int i = 0; i < kCells; ++i) {
        cubes[i & (kMeshes - 1)]->drawFlat(frontFaces[i & (kMeshes - 1)],
                                           static_cast<uint16_t>(cubeColour[i]), gridX[i] + flyX[i],
                                           gridY[i] + dropY[i] + kDrawnLower);
    }
}
