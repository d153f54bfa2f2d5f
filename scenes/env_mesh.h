// env_mesh.h - the opening logo over the particle trails, and later the
// chrome creature that leaps toward the viewer on every beat.
//
// Runs under the particle field's bit: the particle field is updated and drawn
// first, this scene after it, over its picture. The music position picks the
// mode in every call:
// - intro (positions 0-3): the group logo is blended through its coverage map
//   into a band that opens from the middle of the screen during position 0;
//   events 11 and 254 switch a whole-row jitter of the logo on and off.
// - mesh (positions 4 and later, in practice 20-23): "data/spid", mapped with
//   "data/env.png", turns in front of the camera between dark bands and jumps
//   nearer on every beat (event 1).
// All motion is per frame; the scene keeps no clock of its own.
#pragma once

#include <cstdint>
#include <memory>

#include "engine3d/mesh.h"
#include "video/covered_picture.h"
#include "video/image.h"

class EnvMeshScene {
  public:
    // Loads the environment map, the logo with its coverage map and the mesh;
    // a missing or too small file ends the process with "error loading <path>".
    EnvMeshScene();

    // elapsedMs is unused: every call advances one frame.
    void update(int elapsedMs);
    void render();

    // What update and render change, listed for saving and putting back
    // (core/engine_state.h).
    template <class State>
    void state(State& s) {
        s(beatNow, beatBefore, beatStarted, pulse, glitch, orbitAngle);
        mesh->state(s);
    }

    std::unique_ptr<Image> envImage;
    std::unique_ptr<Image> logoImage;  // 320 x 240, addressed by screen pixel index
    std::unique_ptr<Image> logoMask;   // coverage in the green field, same layout
    // The logo band is drawn from runs made of logoImage and logoMask when
    // they load: after changing their pixels, this makes them again.
    void logoChanged();
    std::unique_ptr<Mesh> mesh;
    uint8_t beatNow = 0;      // event 1 passed in the latest mesh-mode update
    uint8_t beatBefore = 0;   // beatNow of the mesh-mode update before
    uint8_t beatStarted = 0;  // a beat began in this update
    int32_t pulse = 0;        // 16.16 zoom toward the viewer: 30000 at a beat, -10000 a frame
    uint8_t glitch = 0;       // row jitter of the intro logo
    int32_t orbitAngle = 0;   // camera orbit, 65536 a turn; stays 0

  private:
    void followBeat();
    void placeCameraAndMesh();
    void drawMeshFrame();
    void blendLogoBand(int margin);
    std::unique_ptr<CoveredPicture> logoRuns;
};
