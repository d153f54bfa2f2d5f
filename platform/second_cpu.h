// second_cpu.h - the stand-in for the console's second processor.
//
// It runs while its clock is on (bit 0 of the clock register) and it is out of
// reset with memory bank 3 (reset register 0x03): the register accessor
// (registers.h) says so on every write to either register, from whichever
// thread wrote. On the change to running it looks at the image at its address
// 0 (offset 0 of the simulated memory): an image that code940ImageRecognised
// accepts (our code940.bin) runs on a thread of its own; anything else leaves
// it idle. Stopping the clock or entering reset halts the program and waits for
// its thread to end.
//
// Two ways to run the image, chosen before the release from reset:
//  - Native (the default): the same decoder compiled for this machine
//    (decoder_program.h), a hundredth of the emulation's cost: the live demo,
//    capture, and the reference that the emulated program must match sample
//    for sample.
//  - Emulated: the ARM program itself in an ARM emulator (arm_emulator.h),
//    over the same memory. Some 40% of a host core at real time, so a busy
//    machine can fall behind the sound device; ONDRIVALE_SECOND_CPU=emulated
//    in the environment makes it the default, to hear the console's program.
#pragma once

#include <cstdint>

// What the emulated runs cost (platform/second_cpu/arm_emulator.h).
struct ArmEmulatorFigures {
    uint64_t instructions = 0;    // executed, when counted
    uint64_t waits = 0;           // idles that slept
    uint64_t interruptWaits = 0;  // wait-for-interrupts, which the console never ends
    uint64_t cpuNanoseconds = 0;  // the emulating thread's CPU time
};

enum class SecondCpuKind { Emulated, Native };

void secondCpuSelect(SecondCpuKind kind);
SecondCpuKind secondCpuSelected();

void secondCpuSetRunning(bool running);

// Whether the program's thread exists (started and not yet halted).
bool secondCpuProgramRunning();
// Whether the emulated program of the latest release stopped on a fault
// (after its one line); the processor then stays idle until reset.
bool secondCpuProgramFaulted();

// The processor time the running program's thread has used since it was
// started (native or emulated); 0 when no program runs.
uint64_t secondCpuWorkNanoseconds();

// The main side wrote to the control block: an emulated program that waits
// for an interrupt goes on. Cheap when nothing waits.
void secondCpuDoorbell();

// Counts the emulated instructions of the runs that start from now on (slow:
// for benchmarks), and what the emulated runs cost so far, summed over the
// runs that have ended.
void secondCpuCountInstructions(bool count);
ArmEmulatorFigures secondCpuEmulationFigures();
