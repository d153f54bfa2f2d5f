/* song_decoder.h - the second processor's work: decoding the song in its
 * memory into the control block's two sound blocks.
 *
 * Plain C, built twice: into the desktop's decoder thread and into the second
 * processor's own program (code940.bin), so that both give the same samples.
 *
 * decoderProgramStep does one piece of work and says whether it did any; the
 * caller idles (sleeps, or waits for an interrupt) when it did none. In order:
 * until songLoaded and songReady are both 1 it does nothing; then it opens
 * the Ogg at songOffset, songLength bytes, straight from the memory (a song
 * outside the memory plays as silence). On a seekRequest it has not handled
 * it decodes on from seekSample. While playing is 1 it fills block 0, 1, 0,
 * 1, ..., each only when its `full` flag is 0, with 8192 bytes of 44100 Hz
 * 16-bit little-endian stereo, writes the seekRequest the block follows into
 * blockSeek[], then sets `full` to 1. After the end of the song, and from the
 * first undecodable place on, it fills silence, and says once in songEndedAt
 * where the sound stopped.
 *
 * A damaged stretch of the stream (a page whose checksum fails, bytes that
 * are no page, pages missing) is skipped: decoding goes on at the next good
 * page, and the music stays in time, the samples the damage took being
 * silence up to where that page's stream position says the music goes on.
 * The stretches go into songDamagedFrom, songDamagedTo and songDamages.
 */
#ifndef SONG_DECODER_H
#define SONG_DECODER_H

#include <stddef.h>
#include <stdint.h>

#include "platform/code940/tremor_private.h"
#include "platform/sound_control_layout.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kDecodeChunkSamples = 4096, /* what one ov_read may give, in 16-bit samples */
    kPendingStereoSamples = 2 * kDecodeChunkSamples /* a mono chunk doubled */
};

typedef struct SongStream {
    const uint8_t* bytes;
    uint32_t length;
    uint32_t position;
} SongStream;

typedef struct SongDecoder {
    SongStream stream;
    OggVorbis_File file;
    int open;
    int ended;
    int16_t raw[kDecodeChunkSamples];
    int16_t pending[kPendingStereoSamples];
    uint32_t pendingStart;
    uint32_t pendingCount;
    /* After a hole in the stream, decoded sound is dropped until the stream
     * says again where it stands (positionKnown) and past the first piece
     * after the hole (pastHole); the samples lost from lostFrom on become
     * silenceDue frames of silence before what comes next. */
    int resyncing;
    int pastHole;
    int positionKnown;
    int64_t lostFrom;
    uint32_t silenceDue;
    /* The stretches skipped since the open: how many, the first one's
     * start and the latest one's end, in stereo samples of the song. */
    uint32_t damages;
    uint32_t damagedFrom;
    uint32_t damagedTo;
} SongDecoder;

typedef struct DecoderProgram {
    uint8_t* memory; /* the second processor's memory, kSecondCpuMemoryBytes */
    SongDecoder decoder;
    int songOpened;
    int current; /* the block to fill next */
    uint32_t seekHandled;
    uint32_t nextSample;      /* the stereo sample the next block starts with */
    int endReported;          /* songEndedAt written since the start or the latest seek */
    uint32_t damagesReported; /* the decoder's damages written into the block */
} DecoderProgram;

void decoderProgramInit(DecoderProgram* program, uint8_t* memory);
/* Nonzero when it did some work, 0 when it waits for the main side. */
int decoderProgramStep(DecoderProgram* program);
/* Releases what the decoder holds. */
void decoderProgramEnd(DecoderProgram* program);

/* Whether the decoder finds an Ogg Vorbis stream in these bytes (its headers
 * open), that is whether it would play anything but silence. `scratch` is
 * working space, left closed. */
int songDecoderAccepts(SongDecoder* scratch, const uint8_t* song, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif
