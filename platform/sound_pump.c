#include "platform/sound_pump.h"

#include <stddef.h>

_Static_assert(offsetof(SoundControlBlock, songDamages) -
                       offsetof(SoundControlBlock, songEndedAt) ==
                   (kSoundReportWords - 1) * sizeof(uint32_t),
               "the report's words follow one another");

static uint32_t load(const uint32_t* word) {
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

static void store(uint32_t* word, uint32_t value) {
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}

int soundPumpNewSeek(SoundPump* pump, const SoundControlBlock* control) {
    const uint32_t seek = load(&control->seekRequest);
    if (seek == pump->seekSeen) return 0;
    pump->seekSeen = seek;
    return 1;
}

enum SoundPumpTaken soundPumpTake(SoundPump* pump, SoundControlBlock* control, SoundPumpPlay play,
                                  void* context) {
    SoundBlock* block = &control->blocks[pump->current];
    if (load(&block->full) == 0) return kSoundPumpWaits;
    /* Read after `full`: the second processor read the request its block
     * follows before it set the flag, so no newer block meets an older
     * request here. blockSeek[] was written before `full`, which the acquire
     * above makes visible. */
    const uint32_t seek = load(&control->seekRequest);
    const int current =
        __atomic_load_n(&control->blockSeek[pump->current], __ATOMIC_RELAXED) == seek;
    if (current) play(context, block->samples, seek);
    store(&block->full, 0);
    pump->current = 1 - pump->current;
    return current ? kSoundPumpPlayed : kSoundPumpDropped;
}

const char* const kSoundOrderNames[kSoundOrderWords] = {"playing", "seekRequest", "seekSample"};

void soundOrdersRead(const SoundControlBlock* control, uint32_t words[kSoundOrderWords]) {
    words[0] = load(&control->playing);
    words[1] = load(&control->seekRequest);
    words[2] = load(&control->seekSample);
}

void soundOrdersWrite(SoundControlBlock* control, const uint32_t words[kSoundOrderWords]) {
    if (words[1] != load(&control->seekRequest)) {
        store(&control->seekSample, words[2]);
        store(&control->seekRequest, words[1]);
    }
    store(&control->playing, words[0]);
}

uint32_t* soundReportWords(SoundControlBlock* control) {
    return &control->songEndedAt;
}

void soundSongPublished(SoundControlBlock* control, uint32_t length) {
    store(&control->songLoaded, 1);
    store(&control->songLength, length);
    store(&control->songReady, 1);
}
