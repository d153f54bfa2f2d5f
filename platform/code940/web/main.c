/* main.c - the second processor's program as the web page runs it: the
 * decoder loop (platform/code940/song_decoder.h) in a WebAssembly module of
 * its own, driven by the page's Web Worker (web/page/sound-decoder.js) beside
 * the page's main thread, as the console's second processor runs beside the
 * first.
 *
 * The program keeps its memory and control block as on the console; this
 * file plays the main side's part in it for the worker: it writes the song
 * and the orders into the control block, and takes the filled blocks,
 * dropping those that follow an older seek, as the audio thread does.
 *
 *   decoderSongArea(length)   where the worker copies a song of that many
 *                             bytes, then calls decoderSongLoaded; 0 if it
 *                             does not fit the song area
 *   decoderOrders(playing, seekRequest, seekSample)
 *                             the main side's orders as its control block
 *                             holds them: a new seekRequest is a seek
 *   decoderNextBlock()        runs the program until it has filled a block;
 *                             that block's record, or 0 while it waits
 * A block's record: seekRequest it follows, its first stereo sample, its
 * frames, the program's report as its control block holds it (songEndedAt:
 * 1 + the sample where the sound stopped since that seek, 0 while it goes
 * on; songDamagedFrom, songDamagedTo and songDamages: the damaged stretches
 * it skipped), then the samples, 16-bit interleaved left and right; each a
 * little-endian 32-bit word before the samples.
 */
#include <emscripten.h>
#include <stdint.h>
#include <string.h>

#include "platform/code940/song_decoder.h"

#define EXPORTED EMSCRIPTEN_KEEPALIVE

enum { kBlockFrames = kSoundBlockBytes / 4 };

typedef struct BlockRecord {
    uint32_t seekRequest;
    uint32_t sample;
    uint32_t frames;
    uint32_t songEndedAt;
    uint32_t songDamagedFrom;
    uint32_t songDamagedTo;
    uint32_t songDamages;
    uint8_t samples[kSoundBlockBytes];
} BlockRecord;

static uint8_t gMemory[kSecondCpuMemoryBytes] __attribute__((aligned(8)));
static DecoderProgram gProgram;
static BlockRecord gRecord;
static int gStarted;
static int gCurrent;         /* the block to take next, 0, 1, 0, 1, ... */
static uint32_t gNextSample; /* the first sample of the next block taken */

static SoundControlBlock* control(void) {
    return (SoundControlBlock*)(gMemory + kControlBlockOffset);
}

static uint32_t load(const uint32_t* word) {
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

static void store(uint32_t* word, uint32_t value) {
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}

static void start(void) {
    if (gStarted) return;
    decoderProgramInit(&gProgram, gMemory);
    store(&control()->songOffset, kSongOffset);
    gStarted = 1;
}

EXPORTED uint8_t* decoderSongArea(uint32_t length) {
    start();
    if (length > kSongCapacity) return 0;
    store(&control()->songLoaded, 0);
    return gMemory + kSongOffset;
}

EXPORTED void decoderSongLoaded(uint32_t length) {
    store(&control()->songLoaded, 1);
    store(&control()->songLength, length);
    store(&control()->songReady, 1);
}

EXPORTED void decoderOrders(uint32_t playing, uint32_t seekRequest, uint32_t seekSample) {
    SoundControlBlock* block = control();
    start();
    if (seekRequest != load(&block->seekRequest)) {
        store(&block->seekSample, seekSample);
        store(&block->seekRequest, seekRequest);
        gNextSample = seekSample;
    }
    store(&block->playing, playing ? 1 : 0);
}

EXPORTED const BlockRecord* decoderNextBlock(void) {
    SoundControlBlock* block = control();
    start();
    for (;;) {
        SoundBlock* sound = &block->blocks[gCurrent];
        if (load(&sound->full)) {
            const uint32_t seek = load(&block->seekRequest);
            const int current = load(&block->blockSeek[gCurrent]) == seek;
            if (current) {
                gRecord.seekRequest = seek;
                gRecord.sample = gNextSample;
                gRecord.frames = kBlockFrames;
                gRecord.songDamages = load(&block->songDamages);
                gRecord.songDamagedFrom = load(&block->songDamagedFrom);
                gRecord.songDamagedTo = load(&block->songDamagedTo);
                gRecord.songEndedAt = load(&block->songEndedAt);
                memcpy(gRecord.samples, sound->samples, kSoundBlockBytes);
                gNextSample += kBlockFrames;
            }
            store(&sound->full, 0);
            gCurrent = 1 - gCurrent;
            if (current) return &gRecord;
            continue;
        }
        if (!decoderProgramStep(&gProgram)) return 0;
    }
}
