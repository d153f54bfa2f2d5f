#include "core/engine_state.h"

#include "core/rand_state.h"
#include "core/scenes.h"
#include "core/state_copy.h"
#include "core/timeline.h"
#include "engine3d/camera.h"
#include "music/pattern_data.h"
#include "platform/present.h"
#include "video/display.h"

namespace {

void visitEngine(StateCopy& s, uint8_t* randState) {
    s(SceneMask, previousSceneMask, noiseLevel);
    PatternData& music = PatternData::instance();
    s(music.currentRow, music.currentPosition, music.previousRow, music.previousPosition);

    Display* display = Display::instance();
    s.buffer(display->pixels, size_t(display->pixelCount));
    // The depth buffer carries nothing from one frame to the next: every scene
    // that reads it clears it first in the same frame, so it is not saved
    // (a third of each state).
    s(display->updateTop, display->updateHeight, display->fullUpdate, sharedCamera());
    if (uint16_t* visible = platformVisibleScreenBuffer()) {
        s.buffer(visible, size_t(display->pixelCount));
    }
    s.buffer(randState, kRandStateBytes);

    copySceneStates(s);
}

}  // namespace

void EngineState::save() {
    uint8_t randState[kRandStateBytes];
    randStateSave(randState);
    StateCopy s(bytes_, true);
    visitEngine(s, randState);
    bytes_.shrink_to_fit();  // many are kept
}

void EngineState::restore() {
    if (bytes_.empty()) return;
    uint8_t randState[kRandStateBytes];
    StateCopy s(bytes_, false);
    visitEngine(s, randState);
    randStateRestore(randState);
}
