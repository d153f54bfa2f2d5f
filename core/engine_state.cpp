#include "core/engine_state.h"

#include "core/scenes.h"
#include "core/state_copy.h"
#include "core/timeline.h"
#include "engine3d/camera.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "video/display.h"
#include "video/visible_screen.h"

namespace {

void visitEngine(StateCopy& s) {
    s(SceneMask, previousSceneMask, noiseLevel);
    PatternData& music = PatternData::instance();
    s(music.currentRow, music.currentPosition, music.previousRow, music.previousPosition);

    Display* display = Display::instance();
    s.buffer(display->pixels, size_t(display->pixelCount));
    // The depth buffer carries nothing from one frame to the next: every scene
    // that reads it clears it first in the same frame, so it is not saved
    // (a third of each state).
    s(display->updateTop, display->updateHeight, display->fullUpdate, sharedCamera());
    if (uint16_t* visible = visibleScreenBuffer()) {
        s.buffer(visible, size_t(display->pixelCount));
    }
    s(gRand);

    copySceneStates(s);
}

}  // namespace

void EngineState::save() {
    StateCopy s(bytes_, true);
    visitEngine(s);
    bytes_.shrink_to_fit();  // many are kept
}

void EngineState::restore() {
    if (bytes_.empty()) return;
    StateCopy s(bytes_, false);
    visitEngine(s);
}
