// decoder_program.h - the program our code940.bin stands for: it decodes the
// song in the second processor's memory into the control block's two sound
// blocks.
//
// It waits until songLoaded and songReady are both 1, then, while playing is 1,
// fills block 0, 1, 0, 1, ..., each only when its `full` flag is 0, with 8192
// bytes of 44100 Hz 16-bit little-endian stereo, and then sets `full` to 1. It
// reads the Ogg from the memory itself (songOffset, songLength), never from a
// file. After the end of the song, and from the first damaged or undecodable
// place on, it fills silence. A song outside the memory plays as silence.
// On a new seekRequest it decodes on from seekSample, and tags each block with
// the request it follows (sound_control_block.h). Returns soon after *halt
// becomes true.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

void decoderProgramMain(uint8_t* memory, const std::atomic<bool>& halt);

// Whether the program finds an Ogg Vorbis stream in these song bytes (its
// headers open), that is whether it will play anything but silence.
bool decoderAcceptsSong(const uint8_t* song, size_t length);
