// scripted_music.h - the music clock for the 3D scene tests: driven by hand
// over a synchronisation table the test writes (the generated table and the
// clock come back afterwards), or played at 60 frames a second over the
// generated table.
#pragma once

#include <vector>

#include "fixed/tables.h"
#include "music/pattern_data.h"
#include "tests/scenes/scene_test_support.h"
#include "video/display.h"

namespace scenetest {

// The Display and the sine tables every scene reads.
inline Display* sceneEngine() {
    static const bool built = (buildSineTable(nullptr), buildCosineTable(), true);
    (void)built;
    return Display::instance();
}

class ScriptedMusic {
  public:
    ScriptedMusic() : saved(clock), table(PatternData::kFileSize, 0) {
        sceneEngine();
        clock.data = table.data();
    }
    ~ScriptedMusic() { clock = saved; }

    // Event `code` on a row; channels let several events share one row.
    void event(int position, int row, int code, int channel = 0) {
        table[PatternData::kHeaderSize + (position * 10 + channel) * 128 + row] = code + 1;
    }
    // A frame in which the clock passes rows fromRow .. toRow - 1.
    void frame(int position, int fromRow, int toRow) {
        clock.previousPosition = clock.currentPosition = position;
        clock.previousRow = fromRow;
        clock.currentRow = toRow;
    }

    PatternData& clock = PatternData::instance();

  private:
    PatternData saved;
    std::vector<uint8_t> table;
};

// Updates `scene` every 16 ms of music from ms up to the middle of (position,
// row) on the generated table, leaving ms at the last frame's time.
template <typename Scene>
void playTo(Scene& scene, int& ms, int position, int row) {
    for (const int end = msAt(position, row); ms + 16 <= end;) {
        ms += 16;
        PatternData::instance().update(ms);
        scene.update(ms);
    }
}

}  // namespace scenetest
