// simulated_memory.h - the storage behind the simulated memory device.
//
// The register block (32768 16-bit registers) and the second processor's
// memory (0xF80000 bytes) exist once per process, zeroed at start, and keep
// their contents whether or not they are mapped, as physical memory does. The
// register accessor and the second-processor stand-in reach them here.
#pragma once

#include <cstdint>

uint16_t* simulatedRegisterBlock();
uint8_t* simulatedSecondCpuMemory();
