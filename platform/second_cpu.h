// second_cpu.h - what the main side can learn of its second processor beyond
// the control block: for the bring-up's watch over one that runs but hands
// over no sound (music/audio_bridge.h).
//
// The desktop's stand-in (platform/second_cpu/) runs the program on a thread
// of its own, native or in an ARM emulator, and knows whether it runs,
// whether it stopped on a fault and how much processor time it has used. The
// console's second processor is real: it starts and stops by the registers
// alone, and nothing tells the main side any of it; there every answer is
// "not known" (false, 0) and the watch stays off.
#pragma once

#include <cstdint>

// Whether the program runs (started from a recognised image and not halted).
bool secondCpuProgramRunning();
// Whether the program of the latest release stopped on a fault (after its one
// line); the processor then stays idle until reset.
bool secondCpuProgramFaulted();
// The processor time the running program has used since it was started; 0
// when no program runs, or where it cannot be told.
uint64_t secondCpuWorkNanoseconds();
