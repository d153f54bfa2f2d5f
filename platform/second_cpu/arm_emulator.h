// arm_emulator.h - the second processor as an ARM core in emulation (Debian's
// Unicorn, its ARM946 model: the ARM940T's sibling, with the same CP15
// protection-region, cache and wait-for-interrupt registers), running
// whatever image lies at address 0 of its memory. The core keeps what the
// program writes there but enforces no region and models no cache: a
// program runs alike with its caches on or off (tools/armcount/count940
// models what they do on the device).
//
// armEmulatorMain runs the core from address 0 in supervisor mode over the
// memory, mapped whole at address 0, until *halt becomes true and
// armEmulatorStop is called, or until the program faults: an undefined instruction
// or an access outside the memory prints one line naming the fault and its
// address and ends the run; the caller stays idle. When the program enters
// the idle routine its header names (code940_layout.h), the routine returns at
// once and the calling thread sleeps until armEmulatorWake is called (from any
// thread), then the program goes on: the main side's writes to the control
// block wake it. A wait for an interrupt sleeps the same way, but is counted
// apart: on the console nothing raises one, so there it would never end. Counting instructions slows the emulation; only the
// benchmark asks for it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/second_cpu.h"  // ArmEmulatorFigures

// True when the run ended on a fault (or the core could not be made), false
// when it was halted.
bool armEmulatorMain(uint8_t* memory, size_t size, const std::atomic<bool>& halt,
                     bool countInstructions, ArmEmulatorFigures* figures);

// Something the program may be waiting for has changed.
void armEmulatorWake();
// Whether the running program sleeps in a wait-for-interrupt now.
bool armEmulatorSleeping();
// Stops the running core soon, wherever it is; a core about to start may
// miss it, so the halting side calls it until the run has ended.
void armEmulatorStop();
