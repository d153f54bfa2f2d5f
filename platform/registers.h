// registers.h - reads and writes of the console's 16-bit control registers.
//
// Every access to the register window goes through here, so that the
// simulated second processor sees its clock and reset registers change. A null
// or failed window (the register mapping did not succeed) reads as 0 and
// ignores writes. Offsets are in bytes from the start of the window.
#pragma once

#include <cstdint>

constexpr uint32_t kRegSecondCpuClock = 0x0904;  // bit 0: clock on
constexpr uint32_t kRegSecondCpuReset = 0x3B48;  // bit 7: held in reset; low bits: memory bank
constexpr uint32_t kRegInterruptEnable0 = 0x3B40;
constexpr uint32_t kRegInterruptEnable1 = 0x3B42;
constexpr uint32_t kRegInterruptPending0 = 0x3B44;
constexpr uint32_t kRegInterruptPending1 = 0x3B46;

constexpr uint16_t kSecondCpuHeldInReset = 0x83;  // bank 3, in reset
constexpr uint16_t kSecondCpuReleased = 0x03;     // bank 3, running

// Whether a register window was mapped: null or MAP_FAILED ((void*)-1) is not.
inline bool registerWindowUsable(volatile uint16_t* window) {
    return window != nullptr && window != reinterpret_cast<volatile uint16_t*>(intptr_t(-1));
}

uint16_t registerRead(volatile uint16_t* window, uint32_t offset);
void registerWrite(volatile uint16_t* window, uint32_t offset, uint16_t value);
