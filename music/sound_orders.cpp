#include "music/sound_orders.h"

#include "music/music_files.h"
#include "platform/sound_control_block.h"
#include "platform/sound_device.h"

namespace AudioBridge {

namespace {

SoundControlBlock* gControl = nullptr;

}  // namespace

void useControlBlock(SoundControlBlock* control) {
    gControl = control;
}

void play() {
    if (gControl != nullptr) sharedStore(gControl->playing, 1);
}

void stop() {
    if (gControl != nullptr) sharedStore(gControl->playing, 0);
}

void seek(uint32_t sample) {
    if (gControl == nullptr) return;
    sharedStore(gControl->seekSample, sample);
    sharedStore(gControl->seekRequest, sharedLoad(gControl->seekRequest) + 1);
}

uint64_t musicStoppedAt() {
    if (gControl == nullptr) return UINT64_MAX;
    const uint32_t endedAt = sharedLoad(gControl->songEndedAt);
    return endedAt == 0 ? UINT64_MAX : endedAt - 1;
}

std::string musicStopProblem(uint64_t stoppedSample, uint32_t demoMs) {
    if (stoppedSample >= soundFrameAtMs(demoMs)) return "";
    return "the music stops at " + secondsText(stoppedSample) + " s: " + kSongFile +
           " is damaged there";
}

SongDamage songDamage() {
    SongDamage damage;
    if (gControl == nullptr) return damage;
    // The count first: the second processor writes it after the stretch.
    damage.count = sharedLoad(gControl->songDamages);
    if (damage.count == 0) return damage;
    damage.from = sharedLoad(gControl->songDamagedFrom);
    damage.to = sharedLoad(gControl->songDamagedTo);
    return damage;
}

std::string songDamageLine(const SongDamage& damage) {
    const std::string song = kSongFile;
    if (damage.count == 1) {
        return song + " is damaged at " + secondsText(damage.from) + " s: the music is silent to " +
               secondsText(damage.to) + " s and goes on";
    }
    return song + " is damaged in " + std::to_string(damage.count) + " places from " +
           secondsText(damage.from) + " s to " + secondsText(damage.to) +
           " s: the music is silent there and goes on";
}

}  // namespace AudioBridge
