// second_cpu.h - the stand-in for the console's second processor.
//
// It runs while its clock is on (bit 0 of the clock register) and it is out of
// reset with memory bank 3 (reset register 0x03). On the change to running it
// looks at the image at its address 0 (offset 0 of the simulated memory): our
// code940.bin starts the decoder program on a thread of its own; any other
// image leaves it idle. Stopping the clock or entering reset halts the program
// and waits for its thread to end. Called by the register accessor on every
// write to either register, from whichever thread wrote.
#pragma once

#include <cstddef>
#include <cstdint>

void secondCpuRegistersChanged(uint16_t clockRegister, uint16_t resetRegister);

// Whether the processor runs this program image (size bytes, as at its
// address 0) when released: the one test for both the processor and whoever
// asks beforehand whether a code940.bin can play.
bool secondCpuRunsImage(const uint8_t* image, size_t size);

// Whether the decoder program's thread exists (started and not yet halted).
bool secondCpuProgramRunning();
