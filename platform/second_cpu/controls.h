// controls.h - what capture, the benchmarks and the tests choose and read of
// the desktop's second-processor stand-in (second_cpu.cpp), beyond what the
// engine asks of it: which way it runs the program, and what emulation costs.
//
// Two ways to run the image, chosen before the release from reset:
//  - Native (the default): the same decoder compiled for this machine
//    (platform/code940/decoder_program.h), a hundredth of the emulation's
//    cost: the live demo, capture, and the reference that the emulated
//    program must match sample for sample.
//  - Emulated: the ARM program itself in an ARM emulator (arm_emulator.h),
//    over the same memory. Some 40% of a host core at real time, so a busy
//    machine can fall behind the sound device; ONDRIVALE_SECOND_CPU=emulated
//    in the environment makes it the default, to hear the console's program.
#pragma once

#include <cstdint>

enum class SecondCpuKind { Emulated, Native };

void secondCpuSelect(SecondCpuKind kind);
SecondCpuKind secondCpuSelected();

// What the emulated runs cost.
struct ArmEmulatorFigures {
    uint64_t instructions = 0;    // executed, when counted
    uint64_t waits = 0;           // idles that slept
    uint64_t interruptWaits = 0;  // wait-for-interrupts, which the console never ends
    uint64_t cpuNanoseconds = 0;  // the emulating thread's CPU time
};

// Counts the emulated instructions of the runs that start from now on (slow:
// for benchmarks), and what the emulated runs cost so far, summed over the
// runs that have ended.
void secondCpuCountInstructions(bool count);
ArmEmulatorFigures secondCpuEmulationFigures();
