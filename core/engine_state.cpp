#include "core/engine_state.h"

#include <cstring>
#include <type_traits>

#include "core/scenes.h"
#include "core/timeline.h"
#include "engine3d/camera.h"
#include "fixed/random.h"
#include "music/pattern_data.h"
#include "platform/present.h"
#include "scenes/credits.h"
#include "scenes/env_mesh.h"
#include "scenes/flare.h"
#include "scenes/flower.h"
#include "scenes/greets_cube.h"
#include "scenes/logo_overlay.h"
#include "scenes/particle_field.h"
#include "scenes/title.h"
#include "video/display.h"

namespace {

// Visits state fields in one fixed order, copying each into the saved bytes
// or back out of them. Fields are plain values; a buffer is a pointer and a
// count.
class StateCopy {
  public:
    StateCopy(std::vector<uint8_t>& bytes, bool saving) : bytes_(bytes), saving_(saving) {
        if (saving_) bytes_.clear();
    }

    template <class... Field>
    void operator()(Field&... fields) {
        (copy(&fields, sizeof fields), ...);
        static_assert((std::is_trivially_copyable_v<Field> && ...));
    }

    template <class T>
    void buffer(T* data, size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        copy(data, count * sizeof(T));
    }

  private:
    void copy(void* data, size_t size) {
        if (size == 0) return;
        if (saving_) {
            const auto* from = static_cast<const uint8_t*>(data);
            bytes_.insert(bytes_.end(), from, from + size);
        } else if (at_ + size <= bytes_.size()) {
            memcpy(data, bytes_.data() + at_, size);
        }
        at_ += size;
    }

    std::vector<uint8_t>& bytes_;
    bool saving_;
    size_t at_ = 0;
};

template <class Scene>
void visitScene(StateCopy& s, Scene* scene) {
    if (scene != nullptr) scene->state(s);
}

void visitEngine(StateCopy& s) {
    s(SceneMask, previousSceneMask, noiseLevel);
    PatternData& music = PatternData::instance();
    s(music.currentRow, music.currentPosition, music.previousRow, music.previousPosition);

    Display* display = Display::instance();
    s.buffer(display->pixels, size_t(display->pixelCount));
    // The depth buffer carries nothing from one frame to the next: every scene
    // that reads it clears it first in the same frame, so it is not saved
    // (a third of each state).
    s(display->updateTop, display->updateHeight, display->fullUpdate, *display->camera);
    if (uint16_t* visible = platformVisibleScreenBuffer()) {
        s.buffer(visible, size_t(display->pixelCount));
    }
    s(gRand);

    visitScene(s, gTitleScene);
    visitScene(s, gEnvMeshScene);
    visitScene(s, gFlowerScene);
    visitScene(s, gGreetsCubeScene);
    visitScene(s, gParticleFieldScene);
    visitScene(s, gLogoOverlayScene);
    visitScene(s, gFlareScene);
    visitScene(s, gCreditsScene);
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
