// linux_abi.h - the console kernel's own structures and numbers, as its
// system calls and device requests take them (32-bit ARM). The C library
// beneath the program (newlib) has other values for some of the same names,
// so these carry names of their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Linux {

// open(2)
constexpr long kReadOnly = 0, kWriteOnly = 1, kReadWrite = 2;
constexpr long kCreate = 0100, kExclusive = 0200, kNoControllingTty = 0400, kTruncate = 01000,
               kAppend = 02000, kNonBlocking = 04000, kSync = 010000;

// mmap2(2) takes its offset in pages (its flags: include/sys/mman.h).
constexpr unsigned kPageShift = 12;

// clone(2): a thread that shares memory, files, signal handlers and the
// process's identity.
constexpr long kCloneThread = 0x100 | 0x200 | 0x400 | 0x800 | 0x10000 | 0x40000;

// Signals and rt_sigaction(2).
constexpr int kLastSignal = 64;
constexpr unsigned long kSaRestart = 0x10000000;
// Whether a signal's default action ends the program (with a core dump or
// without) for a reason of its sender's, not the program's own fault: the
// hang-up, the keyboard's and kill's signals, alarms, timers, real-time
// signals; not SIGSEGV, SIGILL, SIGBUS, SIGFPE, SIGABRT, SIGTRAP or SIGSYS.
constexpr bool signalEndsProgram(int signal) {
    switch (signal) {
        case 1:   // SIGHUP
        case 2:   // SIGINT
        case 3:   // SIGQUIT
        case 10:  // SIGUSR1
        case 12:  // SIGUSR2
        case 13:  // SIGPIPE
        case 14:  // SIGALRM
        case 15:  // SIGTERM
        case 16:  // SIGSTKFLT
        case 24:  // SIGXCPU
        case 25:  // SIGXFSZ
        case 26:  // SIGVTALRM
        case 27:  // SIGPROF
        case 29:  // SIGIO
        case 30:  // SIGPWR
            return true;
        default:
            return signal >= 32 && signal <= kLastSignal;
    }
}
struct SignalAction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    uint32_t mask[2];
};

// poll(2).
struct PollFd {
    int32_t fd;
    int16_t events, returnedEvents;
};
constexpr int16_t kPollOut = 4;

struct TimeValue {
    int32_t seconds;
    int32_t microseconds;
};
struct TimeSpec {
    int32_t seconds;
    int32_t nanoseconds;
};

// stat(2) and fstat(2): the old 32-bit layout, alike in both calling
// conventions.
struct Stat {
    uint16_t device, pad1;
    uint32_t inode;
    uint16_t mode, links, user, group, specialDevice, pad2;
    uint32_t size, blockSize, blocks;
    uint32_t times[6];
    uint32_t unused[2];
};
static_assert(sizeof(Stat) == 64);

// The terminal: TCGETS / TCSETS and the flags of raw input.
constexpr unsigned long kTcGets = 0x5401, kTcSets = 0x5402;
struct Termios {
    uint32_t inputFlags, outputFlags, controlFlags, localFlags;
    uint8_t line;
    uint8_t controlChars[19];
};
static_assert(sizeof(Termios) == 36);
constexpr uint32_t kIsig = 0000001, kIcanon = 0000002, kEcho = 0000010, kIexten = 0100000;
constexpr uint32_t kIcrnl = 0000400, kIxon = 0002000;
constexpr int kVtime = 5, kVmin = 6;

// The framebuffer device.
constexpr unsigned long kFbGetVariable = 0x4600, kFbPutVariable = 0x4601, kFbGetFixed = 0x4602;
struct FbBitfield {
    uint32_t offset, length, msbRight;
};
struct FbVariable {
    uint32_t xres, yres, xresVirtual, yresVirtual, xoffset, yoffset, bitsPerPixel, grayscale;
    FbBitfield red, green, blue, transparent;
    uint32_t nonStandard, activate, heightMm, widthMm, accelerationFlags;
    uint32_t timings[11];  // pixel clock, margins, sync lengths, sync, video mode, ...
    uint32_t reserved[4];
};
static_assert(sizeof(FbVariable) == 160);
struct FbFixed {
    char id[16];
    uint32_t memoryStart, memoryLength, type, typeAux, visual;
    uint16_t xpanStep, ypanStep, ywrapStep;
    uint32_t lineLength;
    uint32_t ioStart, ioLength, acceleration;
    uint16_t capabilities, reserved[2];
};
static_assert(sizeof(FbFixed) == 68 && offsetof(FbFixed, lineLength) == 44);

// errno values where the C library's differ from the kernel's.
constexpr int kKernelNoSys = 38, kKernelNameTooLong = 36, kKernelLoop = 40;

}  // namespace Linux
