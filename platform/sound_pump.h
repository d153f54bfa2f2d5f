/* sound_pump.h - the main side's half of the sound hand-over, written once in
 * plain C for every host that plays the second processor's blocks: the audio
 * thread of the desktop and of the console, and the page's worker, which
 * plays the main side's part beside a second processor of its own.
 *
 * The pump takes the blocks in the order 0, 1, 0, 1, ...: a block only once
 * the second processor has marked it full, and hands it back (full := 0) once
 * played. A block whose sound follows an older seek than the latest the main
 * side asked for is handed back unplayed, so that sound queued before a seek
 * is never heard after it; it still counts as taken, and the two sides keep
 * their running block indexes in step. The block's `full` is read with
 * acquire and handed back with release (the 8192 sample bytes cross with
 * it); the pump rings no doorbell: a host whose second processor sleeps
 * until the main side writes (the emulated one) rings it after a block was
 * taken.
 *
 * The orders: the words the main side writes while the song plays. A second
 * processor that does not share the main side's memory (the page's worker) is
 * sent them, packed by soundOrdersRead, as they change; soundOrdersWrite
 * writes them into its own control block, the seek's sample before its
 * number, as AudioBridge::seek does.
 *
 * The report: the words the second processor writes about the song
 * (songEndedAt, songDamagedFrom, songDamagedTo, songDamages), in the
 * layout's order; a host whose second processor lives apart copies them
 * back into the main side's block.
 */
#ifndef SOUND_PUMP_H
#define SOUND_PUMP_H

#include <stdint.h>

#include "platform/sound_control_layout.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SoundPump {
    int current;       /* the block to take next */
    uint32_t seekSeen; /* the latest seekRequest soundPumpNewSeek saw */
} SoundPump;

enum SoundPumpTaken {
    kSoundPumpWaits = 0,   /* the block due next is not full yet */
    kSoundPumpPlayed = 1,  /* it was played and handed back */
    kSoundPumpDropped = 2, /* it followed an older seek: handed back unplayed */
};

/* Plays one block's 8192 bytes; `seek` is the seekRequest its sound follows. */
typedef void (*SoundPumpPlay)(void* context, const uint8_t* samples, uint32_t seek);

/* Nonzero once for each change of seekRequest: what a sound device still
 * holds of the sound before it is then dropped. */
int soundPumpNewSeek(SoundPump* pump, const SoundControlBlock* control);

/* Takes the block due next, if the second processor has filled it: plays it
 * with play(context, ...) unless its sound follows an older seek, hands it
 * back and moves on to the other block. */
enum SoundPumpTaken soundPumpTake(SoundPump* pump, SoundControlBlock* control, SoundPumpPlay play,
                                  void* context);

enum {
    kSoundOrderWords = 3,  /* playing, seekRequest, seekSample */
    kSoundReportWords = 4, /* songEndedAt .. songDamages */
};

/* The words' names, in their order: "playing", "seekRequest", "seekSample". */
extern const char* const kSoundOrderNames[kSoundOrderWords];

void soundOrdersRead(const SoundControlBlock* control, uint32_t words[kSoundOrderWords]);
void soundOrdersWrite(SoundControlBlock* control, const uint32_t words[kSoundOrderWords]);

/* The report's words, in place in the block. */
uint32_t* soundReportWords(SoundControlBlock* control);

/* The song is in place at songOffset, `length` bytes: songLoaded, songLength
 * and songReady, in this order, the last with release. The caller set
 * songLoaded to 0 before it began to copy. */
void soundSongPublished(SoundControlBlock* control, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif
