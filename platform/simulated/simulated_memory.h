// simulated_memory.h - the storage behind the simulated memory device, and
// the processor its registers start and stop.
//
// The register block (32768 16-bit registers) and the second processor's
// memory (0xF80000 bytes) exist once per process, zeroed at start, and keep
// their contents whether or not they are mapped, as physical memory does. The
// register accessor and the second-processor stand-in reach them here.
#pragma once

#include <cstdint>

uint16_t* simulatedRegisterBlock();
uint8_t* simulatedSecondCpuMemory();

// The second processor runs while its clock is on (bit 0 of the clock
// register) and it is out of reset with memory bank 3 (reset register 0x03):
// the register accessor says so on every write to either register, from
// whichever thread wrote. On the change to running the stand-in
// (platform/second_cpu/) looks at the image at its address 0: an image that
// code940ImageRecognised accepts (our code940.bin) runs on a thread of its
// own; anything else leaves it idle. Stopping the clock or entering reset
// halts the program and waits for its thread to end.
void secondCpuSetRunning(bool running);
