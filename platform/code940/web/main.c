/* main.c - the second processor's program as the web page runs it: the
 * decoder loop (platform/code940/song_decoder.h) in a WebAssembly module of
 * its own, driven by the page's Web Worker (web/page/sound-decoder.js) beside
 * the page's main thread, as the console's second processor runs beside the
 * first.
 *
 * The program keeps its memory and control block as on the console. The
 * engine's orders reach it as the main side's order words (sound_pump.h),
 * and the worker plays the audio thread's part beside it with the same pump:
 * it takes the filled blocks in turn, dropping those that follow an older
 * seek. Every call answers at once; nothing here waits.
 *
 *   decoderSongArea(length)   where the worker copies a song of that many
 *                             bytes, then calls decoderSongLoaded; 0 if it
 *                             does not fit the song area
 *   decoderOrdersArea()       where the worker writes the engine's
 *                             kSoundOrderWords order words, then calls
 *   decoderOrdersWritten()    which writes them into the control block and
 *                             answers the seek the sound now follows
 *   decoderNextBlock()        runs the program until the pump has taken a
 *                             block of the latest seek: its samples (16-bit,
 *                             left and right interleaved, decoderBlockFrames()
 *                             frames), or 0 while the program waits
 *   decoderBlockSeek(), decoderBlockSample()
 *                             the seek that block follows and its first
 *                             stereo sample
 *   decoderReport()           the program's report (kSoundReportWords words:
 *                             songEndedAt .. songDamages) as it stood when
 *                             that block was taken; decoderReportWords() of them
 */
#include <emscripten.h>
#include <stdint.h>
#include <string.h>

#include "platform/code940/song_decoder.h"
#include "platform/sound_pump.h"

#define EXPORTED EMSCRIPTEN_KEEPALIVE

enum { kBlockFrames = kSoundBlockBytes / 4 };

static uint8_t gMemory[kSecondCpuMemoryBytes] __attribute__((aligned(8)));
static DecoderProgram gProgram;
static SoundPump gPump;
static int gStarted;
static uint32_t gOrders[kSoundOrderWords];
static uint32_t gNextSample; /* the first sample of the next block taken */

/* The block taken last. */
static uint8_t gSamples[kSoundBlockBytes] __attribute__((aligned(4)));
static uint32_t gBlockSeek;
static uint32_t gBlockSample;
static uint32_t gReport[kSoundReportWords];

static SoundControlBlock* control(void) {
    return (SoundControlBlock*)(gMemory + kControlBlockOffset);
}

static void start(void) {
    if (gStarted) return;
    decoderProgramInit(&gProgram, gMemory);
    __atomic_store_n(&control()->songOffset, kSongOffset, __ATOMIC_RELEASE);
    gStarted = 1;
}

EXPORTED uint8_t* decoderSongArea(uint32_t length) {
    start();
    if (length > kSongCapacity) return 0;
    __atomic_store_n(&control()->songLoaded, 0, __ATOMIC_RELEASE);
    return gMemory + kSongOffset;
}

EXPORTED void decoderSongLoaded(uint32_t length) {
    soundSongPublished(control(), length);
}

EXPORTED uint32_t* decoderOrdersArea(void) {
    return gOrders;
}

EXPORTED uint32_t decoderOrdersWritten(void) {
    SoundControlBlock* block = control();
    start();
    const uint32_t seek = block->seekRequest;
    soundOrdersWrite(block, gOrders);
    if (block->seekRequest != seek) gNextSample = block->seekSample;
    return block->seekRequest;
}

static void keep(void* context, const uint8_t* samples, uint32_t seek) {
    (void)context;
    memcpy(gSamples, samples, kSoundBlockBytes);
    memcpy(gReport, soundReportWords(control()), sizeof gReport);
    gBlockSeek = seek;
    gBlockSample = gNextSample;
    gNextSample += kBlockFrames;
}

EXPORTED const uint8_t* decoderNextBlock(void) {
    start();
    for (;;) {
        const enum SoundPumpTaken taken = soundPumpTake(&gPump, control(), keep, 0);
        if (taken == kSoundPumpPlayed) return gSamples;
        if (taken == kSoundPumpWaits && !decoderProgramStep(&gProgram)) return 0;
    }
}

EXPORTED uint32_t decoderBlockFrames(void) {
    return kBlockFrames;
}

EXPORTED uint32_t decoderBlockSeek(void) {
    return gBlockSeek;
}

EXPORTED uint32_t decoderBlockSample(void) {
    return gBlockSample;
}

EXPORTED const uint32_t* decoderReport(void) {
    return gReport;
}

EXPORTED uint32_t decoderReportWords(void) {
    return kSoundReportWords;
}
