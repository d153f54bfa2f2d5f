// sound_control_block.h - the block through which the second processor hands
// decoded sound to the main processor: the one description of the hand-over
// between the main side and any second processor (its layout:
// sound_control_layout.h; the main side's taking of the blocks and its
// orders as words: sound_pump.h).
//
// It lives in the second processor's memory at kControlBlockOffset; every word
// is 32-bit little-endian. The main side's C++ reaches the words only through
// sharedLoad and sharedStore, its C pump and the second processor's program
// through the same atomic built-ins: the two processors (here two threads)
// run at once, and the `full` flags carry the 8192 sample bytes across, so
// setting a flag releases and reading it acquires.
//
// Seeking (an addition to the console's protocol, in three words after the
// two blocks, which the console's own program never reads): the main
// processor asks for a seek by writing the stereo sample to start from into
// seekSample, then adding 1 to seekRequest. The second processor, when it sees
// a seekRequest it has not handled, restarts its decoding at seekSample (and
// keeps filling blocks only while `playing` is 1, as always). Before it sets a
// block's `full` flag it writes into blockSeek[] the seekRequest that the
// block's sound follows. The main side's pump drops, unplayed, every full
// block whose blockSeek[] is not the current seekRequest: sound queued before a
// seek is never heard after it. Each side keeps its own running block index,
// so a dropped block still counts as played and the two stay in step.
//
// The song's end (a further word, songEndedAt): when the second processor's
// decoding stops (the end of the stream, a hole or damage) it writes 1 + the
// stereo sample where the sound stopped, before it sets the `full` flag of
// the block in which that happens, and it writes 0 when it handles a seek.
//
// The song's damage (three more words): where the second processor skipped
// a damaged stretch of the stream and went on at the next good page, it
// writes the first stretch's start, the latest one's end and then their
// count, before it sets the `full` flag of the block in which the latest
// one starts; it writes a count of 0 when it handles a seek. The stretch is
// silence in the blocks, as long as the music it took.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/sound_control_layout.h"

static_assert(std::endian::native == std::endian::little, "the shared words are little-endian");

static_assert(offsetof(SoundControlBlock, songLength) == 0x14);
static_assert(offsetof(SoundControlBlock, blocks) == 0x18);
static_assert(offsetof(SoundControlBlock, blocks) + sizeof(SoundBlock) == 0x201C);
static_assert(offsetof(SoundControlBlock, seekRequest) == 0x4020);
static_assert(sizeof(SoundControlBlock) == 0x4040);

// The main side wrote to the block: a second processor that sleeps until it
// does (the desktop's emulated one) looks again. Every host defines it: the
// console's processor polls the block, and the page sends its worker the
// main side's orders after each call into the engine, so there it does
// nothing.
void secondCpuDoorbell();

// The compiler's atomic built-ins rather than std::atomic_ref, which the web
// page's C++ library lacks; std::memory_order's values are the built-ins'.
inline uint32_t sharedLoad(const uint32_t& word,
                           std::memory_order order = std::memory_order_acquire) {
    return __atomic_load_n(&word, static_cast<int>(order));
}

// A store also rings the second processor's doorbell: a program that waits
// for an interrupt looks again.
inline void sharedStore(uint32_t& word, uint32_t value,
                        std::memory_order order = std::memory_order_release) {
    __atomic_store_n(&word, value, static_cast<int>(order));
    secondCpuDoorbell();
}
