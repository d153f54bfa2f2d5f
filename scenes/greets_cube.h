// greets_cube.h - a wall of 22 x 15 spinning cubes spelling the greetings.
//
// Each cube is one pixel of "data/greets.png" (512 x 15, each pixel the
// colour of a cube, black for none) as the picture scrolls sideways through
// the wall, one picture column per step, wrapping at 512. The rows drop in
// from above at the start and settle; from row 65 of position 11 the whole
// wall flies out to the left. Only 16 cube meshes exist: cell i is drawn with
// mesh i & 15, stamped at its grid place in its own flat colour.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/mesh.h"
#include "video/image.h"

class GreetsCubeScene {
  public:
    static constexpr int kColumns = 22;
    static constexpr int kRows = 15;
    static constexpr int kCells = kColumns * kRows;
    static constexpr int kMeshes = 16;
    static constexpr int kGreetsWidth = 512;

    // Loads the greets picture and the 16 cubes (two demoRand() calls a cube for
    // its starting angles); a missing or too small file ends the process with
    // "error loading <path>".
    GreetsCubeScene();

    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(cubeColour, flyX, dropY, orbitAngle, textScroll, textScrollBefore, started, startTime);
        for (auto& cube : cubes) cube->state(s);
    }

    std::unique_ptr<Mesh> cubes[kMeshes];
    std::vector<FlatFace> frontFaces[kMeshes];  // each cube's, made again every frame
    int32_t cubeColour[kCells];                 // RGB565 in the low 16 bits
    int32_t gridX[kCells];                      // screen offset of the cell's place
    int32_t gridY[kCells];
    int32_t flyX[kCells];   // 0, then 10 less a frame while the wall leaves
    int32_t dropY[kCells];  // -6750 + 20 i at start, closing in on -4
    std::unique_ptr<Image> blankTexture;
    std::unique_ptr<Image> greetsImage;
    int32_t orbitAngle = 0;
    int32_t textScroll = 0;         // (elapsedMs - startTime) * 1000; upper 16 bits the column
    int32_t textScrollBefore = -1;  // so that the first update loads the colours
    int32_t started = 0;
    int32_t startTime = 0;

  private:
    void placeCamera();
    void moveCells(bool leaving);
    void loadColours(int column);
};
