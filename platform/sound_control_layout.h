/* sound_control_layout.h - the second processor's memory and the sound control
 * block, as plain C layout for both processors.
 *
 * The main side's C++ and the second processor's own freestanding C program
 * include this one file, so the two agree on every offset. It holds only
 * layout: how each side reaches the words (with what ordering) is that side's
 * business. Every word is 32-bit little-endian; the second processor sees
 * offset x of its memory at its own address x.
 */
#ifndef SOUND_CONTROL_LAYOUT_H
#define SOUND_CONTROL_LAYOUT_H

#include <stdint.h>

enum {
    kSecondCpuMemoryBytes = 0xF80000,
    kControlBlockOffset = 0x200000, /* the program image ends before it */
    kSongOffset = 0x700000,
    kSongCapacity = 0x880000, /* from kSongOffset to the end of the memory */
    kSoundBlockBytes = 8192   /* 2048 frames of 16-bit stereo at 44100 Hz */
};

typedef struct SoundBlock {
    uint32_t full;
    uint8_t samples[kSoundBlockBytes];
} SoundBlock;

/* Seeking, the song's end and its damage are additions to the console's protocol, in
 * words after the two blocks (sound_control_block.h tells how they go). */
typedef struct SoundControlBlock {
    uint32_t reserved;
    uint32_t playing;
    uint32_t songReady;
    uint32_t songLoaded;
    uint32_t songOffset;
    uint32_t songLength;
    SoundBlock blocks[2];
    /* Written by the main processor: */
    uint32_t seekRequest; /* how many seeks have been asked for */
    uint32_t seekSample;  /* where the latest one starts */
    /* Written by the second processor: the seekRequest each block follows, */
    uint32_t blockSeek[2];
    /* and 1 + the stereo sample at which the song's sound stopped (its end,
     * a hole or damage) since the start or the latest seek; 0 while it goes on. */
    uint32_t songEndedAt;
    /* and the damaged stretches of the song it skipped since the start or
     * the latest seek, going on at the next good page in time, the
     * stretch silent: the first one's first sample, the latest one's end
     * (the sample where the music went on), and how many (0: none; written
     * last). */
    uint32_t songDamagedFrom;
    uint32_t songDamagedTo;
    uint32_t songDamages;
} SoundControlBlock;

#endif
