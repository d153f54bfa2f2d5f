#include "platform/code940/song_decoder.h"

#include <stdio.h>
#include <string.h>

/* The `full` flags carry the sample bytes across: a flag is read with acquire
 * and set with release, like every shared word. */
static uint32_t sharedWordLoad(const uint32_t* word) {
    return __atomic_load_n(word, __ATOMIC_ACQUIRE);
}

static void sharedWordStore(uint32_t* word, uint32_t value) {
    __atomic_store_n(word, value, __ATOMIC_RELEASE);
}

/* ---- the song bytes as a stream ---------------------------------------------
 * Playing from the start opens it forward-only, so that a cut or damaged file
 * is decoded up to the damage instead of being rejected whole (a seekable open
 * first reads the file's end). A seek opens it again seekable: Tremor finds a
 * sample by bisecting the file. */

static size_t streamRead(void* destination, size_t size, size_t count, void* source) {
    SongStream* stream = (SongStream*)source;
    if (size == 0) return 0;
    size_t wanted = (stream->length - stream->position) / size;
    if (count < wanted) wanted = count;
    memcpy(destination, stream->bytes + stream->position, wanted * size);
    stream->position += (uint32_t)(wanted * size);
    return wanted;
}

static int streamSeek(void* source, ogg_int64_t offset, int whence) {
    SongStream* stream = (SongStream*)source;
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) base = stream->position;
    if (whence == SEEK_END) base = stream->length;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return -1;
    if (offset < -base || offset > (ogg_int64_t)stream->length - base) return -1;
    stream->position = (uint32_t)(base + offset);
    return 0;
}

static int noSeek(void* source, ogg_int64_t offset, int whence) {
    (void)source;
    (void)offset;
    (void)whence;
    return -1;
}

static long streamTell(void* source) {
    return (long)((SongStream*)source)->position;
}

/* ---- the decoder -------------------------------------------------------------- */

static void decoderClose(SongDecoder* decoder) {
    if (decoder->open) tremor_ov_clear(&decoder->file);
    decoder->open = 0;
}

static int decoderReopen(SongDecoder* decoder, int seekable) {
    ov_callbacks callbacks;
    decoderClose(decoder);
    decoder->stream.position = 0;
    decoder->ended = 0;
    decoder->resyncing = 0;
    decoder->silenceDue = 0;
    decoder->damages = 0;
    callbacks.read_func = streamRead;
    callbacks.seek_func = seekable ? streamSeek : noSeek;
    callbacks.close_func = NULL;
    callbacks.tell_func = streamTell;
    decoder->open =
        tremor_ov_open_callbacks(&decoder->stream, &decoder->file, NULL, 0, callbacks) == 0;
    return decoder->open;
}

static void decoderOpen(SongDecoder* decoder, const uint8_t* memory, uint32_t offset,
                        uint32_t length) {
    const int inside = offset <= kSecondCpuMemoryBytes && length <= kSecondCpuMemoryBytes - offset;
    if (!inside || length == 0) return;
    decoder->stream.bytes = memory + offset;
    decoder->stream.length = length;
    decoderReopen(decoder, 0);
}

int songDecoderAccepts(SongDecoder* scratch, const uint8_t* song, uint32_t length) {
    int accepted;
    memset(scratch, 0, sizeof *scratch);
    scratch->stream.bytes = song;
    scratch->stream.length = length;
    accepted = length > 0 && decoderReopen(scratch, 0);
    decoderClose(scratch);
    return accepted;
}

/* Goes on from the given stereo sample; past the end of the song, in a song
 * Tremor cannot seek in, or without a song, with silence. */
static void decoderSeek(SongDecoder* decoder, uint32_t sample) {
    decoder->pendingStart = decoder->pendingCount = 0;
    if (decoder->stream.bytes == NULL) return;
    decoder->ended =
        !(decoderReopen(decoder, 1) && tremor_ov_pcm_seek(&decoder->file, sample) == 0);
}

/* Where Tremor stands: the stream sample its next decoded sample has
 * (ov_pcm_tell's answer, read from its record: the decoder calls only the
 * few functions whose names it keeps private). */
static int64_t streamPosition(const SongDecoder* decoder) {
    return decoder->file.pcm_offset;
}

/* The longest stretch dropped while waiting for the stream to say where it
 * stands after a hole (ten seconds): a page says it at its end, and a page
 * holds a second of sound or so. */
enum { kLongestResyncFrames = 10 * 44100 };

/* A hole: packets lost between the sound decoded so far and the next good
 * page (a second hole before the music went on again only widens it). */
static void noteHole(SongDecoder* decoder, int64_t position) {
    if (!decoder->resyncing) decoder->lostFrom = position;
    decoder->resyncing = 1;
    decoder->pastHole = 0;
    decoder->positionKnown = 0;
}

/* After a hole, whether the piece just decoded, `frames` long, is where the
 * music goes on. Tremor counts on from before the hole until the first page
 * after it that states its position, and then corrects its count; the
 * first piece after the hole is mixed with the sound before it (each piece
 * overlaps the one before). Both are dropped; then the music goes on, the
 * samples in between being silence. */
static int resynchronised(SongDecoder* decoder, int64_t before, uint32_t frames) {
    const int64_t first = streamPosition(decoder) - frames;
    if (first != before) decoder->positionKnown = 1;
    if (!decoder->pastHole) {
        decoder->pastHole = 1;
        return 0;
    }
    if (!decoder->positionKnown && first - decoder->lostFrom < kLongestResyncFrames) return 0;
    decoder->resyncing = 0;
    decoder->silenceDue = first > decoder->lostFrom ? (uint32_t)(first - decoder->lostFrom) : 0;
    if (decoder->damages == 0) decoder->damagedFrom = (uint32_t)decoder->lostFrom;
    decoder->damagedTo = (uint32_t)(first > decoder->lostFrom ? first : decoder->lostFrom);
    ++decoder->damages;
    return 1;
}

/* Decodes the next piece into pending as stereo frames; 0 at the end of the
 * song or at the first undecodable place. */
static int decoderDecodeMore(SongDecoder* decoder) {
    int link = 0;
    long bytes;
    const vorbis_info* info;
    uint32_t frames, i;
    int channels;
    if (!decoder->open || decoder->ended) return 0;
    for (;;) {
        const int64_t before = streamPosition(decoder);
        bytes = tremor_ov_read(&decoder->file, (char*)decoder->raw, sizeof decoder->raw, &link);
        if (bytes == OV_HOLE) {
            noteHole(decoder, before);
            continue;
        }
        info = tremor_ov_info(&decoder->file, -1);
        if (bytes <= 0 || info == NULL || info->channels < 1) {
            decoder->ended = 1;
            return 0;
        }
        channels = info->channels;
        frames = (uint32_t)(bytes / 2 / channels);
        if (!decoder->resyncing || resynchronised(decoder, before, frames)) break;
    }
    for (i = 0; i < frames; ++i) {
        const int16_t* frame = decoder->raw + i * channels;
        decoder->pending[i * 2] = frame[0];
        decoder->pending[i * 2 + 1] = channels > 1 ? frame[1] : frame[0];
    }
    decoder->pendingStart = 0;
    decoder->pendingCount = frames * 2;
    return 1;
}

/* Fills `frames` stereo frames as little-endian bytes: the silence a hole
 * left first, then the sound decoded; silence once the song has ended.
 * Returns how many frames came from the song. */
static uint32_t decoderFill(SongDecoder* decoder, uint8_t* out, uint32_t frames) {
    uint32_t done = 0;
    while (done < frames) {
        uint32_t available, take;
        if (decoder->silenceDue > 0) {
            take = frames - done < decoder->silenceDue ? frames - done : decoder->silenceDue;
            memset(out + done * 4, 0, take * 4);
            decoder->silenceDue -= take;
            done += take;
            continue;
        }
        if (decoder->pendingStart == decoder->pendingCount) {
            /* A piece after a hole comes with its silence, which goes first. */
            if (!decoderDecodeMore(decoder)) break;
            continue;
        }
        available = (decoder->pendingCount - decoder->pendingStart) / 2;
        take = frames - done < available ? frames - done : available;
        memcpy(out + done * 4, decoder->pending + decoder->pendingStart, take * 4);
        decoder->pendingStart += take * 2;
        done += take;
    }
    memset(out + done * 4, 0, (frames - done) * 4);
    return done;
}

/* ---- the program -------------------------------------------------------------- */

static SoundControlBlock* controlOf(DecoderProgram* program) {
    return (SoundControlBlock*)(program->memory + kControlBlockOffset);
}

void decoderProgramInit(DecoderProgram* program, uint8_t* memory) {
    memset(program, 0, sizeof *program);
    program->memory = memory;
}

/* The stretches skipped so far, before the block in which they fall is
 * handed over; the count last, so that a reader who sees it sees the rest. */
static void reportDamage(DecoderProgram* program, SoundControlBlock* control) {
    const SongDecoder* decoder = &program->decoder;
    if (decoder->damages == program->damagesReported) return;
    sharedWordStore(&control->songDamagedFrom, decoder->damagedFrom);
    sharedWordStore(&control->songDamagedTo, decoder->damagedTo);
    sharedWordStore(&control->songDamages, decoder->damages);
    program->damagesReported = decoder->damages;
}

int decoderProgramStep(DecoderProgram* program) {
    SoundControlBlock* control = controlOf(program);
    SoundBlock* block;
    uint32_t seek, filled;
    if (!program->songOpened) {
        if (sharedWordLoad(&control->songLoaded) != 1 || sharedWordLoad(&control->songReady) != 1) {
            return 0;
        }
        decoderOpen(&program->decoder, program->memory, sharedWordLoad(&control->songOffset),
                    sharedWordLoad(&control->songLength));
        program->songOpened = 1;
        return 1;
    }
    seek = sharedWordLoad(&control->seekRequest);
    if (seek != program->seekHandled) {
        program->nextSample = sharedWordLoad(&control->seekSample);
        program->endReported = 0;
        program->damagesReported = 0;
        sharedWordStore(&control->songEndedAt, 0);
        sharedWordStore(&control->songDamages, 0);
        decoderSeek(&program->decoder, program->nextSample);
        program->seekHandled = seek;
        return 1;
    }
    block = &control->blocks[program->current];
    if (sharedWordLoad(&control->playing) != 1 || sharedWordLoad(&block->full) != 0) return 0;
    filled = decoderFill(&program->decoder, block->samples, kSoundBlockBytes / 4);
    if (filled < kSoundBlockBytes / 4 && !program->endReported) {
        sharedWordStore(&control->songEndedAt, program->nextSample + filled + 1);
        program->endReported = 1;
    }
    reportDamage(program, control);
    program->nextSample += kSoundBlockBytes / 4;
    __atomic_store_n(&control->blockSeek[program->current], program->seekHandled, __ATOMIC_RELAXED);
    sharedWordStore(&block->full, 1);
    program->current = 1 - program->current;
    return 1;
}

void decoderProgramEnd(DecoderProgram* program) {
    decoderClose(&program->decoder);
}
