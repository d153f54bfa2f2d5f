// rand_state.h - the state of the runtime's rand(), saved and put back, so
// that a rerun from a saved moment draws the same numbers.
//
// rand() shares random()'s additive generator. Its state is moved once, on
// first use, into a buffer of ours without changing the sequence (the scenes
// never seed rand, and taking the state over must not either); from then on
// it is copied in and out whole. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for the largest state the runtime knows: 63 words and a header word.
constexpr size_t kRandStateBytes = 256;

// Copies the generator's state as it stands into out.
void randStateSave(uint8_t* out);
// Makes the generator continue exactly as it would have after the save.
void randStateRestore(const uint8_t* saved);
