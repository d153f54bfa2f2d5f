// decoder_program.h - the second processor's program (song_decoder.h) as a
// thread of the desktop: the fast way to run it, and the reference that the
// emulated ARM program must match sample for sample.
//
// Runs decoderProgramStep over the memory, sleeping a millisecond whenever
// there is nothing to do, and returns soon after *halt becomes true.
// decoderAcceptsSong asks the same decoder about a song before it is loaded,
// songSamples how long the song says it is.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

void decoderProgramMain(uint8_t* memory, const std::atomic<bool>& halt);

// Whether the program finds an Ogg Vorbis stream in these song bytes (its
// headers open), that is whether it will play anything but silence.
bool decoderAcceptsSong(const uint8_t* song, size_t length);

// The song's length in stereo samples as its Ogg stream states it: the
// granule position of the last whole page (its checksum right) that ends a
// packet. A file cut short thus gives the samples up to the cut; 0 without
// any such page.
uint64_t songSamples(const uint8_t* song, size_t length);
