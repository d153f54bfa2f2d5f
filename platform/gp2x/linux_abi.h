// linux_abi.h - the console kernel's own structures and numbers, as its
// system calls and device requests take them (32-bit ARM). The C library
// beneath the program (newlib) has other values for some of the same names,
// so these carry names of their own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Linux {

// open(2)
constexpr long kReadOnly = 0, kWriteOnly = 1, kReadWrite = 2, kAccessMode = 3;
constexpr long kCreate = 0100, kExclusive = 0200, kNoControllingTty = 0400, kTruncate = 01000,
               kAppend = 02000, kNonBlocking = 04000, kSync = 010000;

// mmap2(2)
constexpr long kProtRead = 1, kProtWrite = 2;
constexpr long kMapShared = 1, kMapPrivate = 2, kMapAnonymous = 0x20;
constexpr unsigned kPageShift = 12;

// clone(2): a thread that shares memory, files, signal handlers and the
// process's identity.
constexpr long kCloneThread = 0x100 | 0x200 | 0x400 | 0x800 | 0x10000 | 0x40000;

// Signals and rt_sigaction(2).
constexpr int kSigInt = 2, kSigTerm = 15;
constexpr unsigned long kSaRestart = 0x10000000;
struct SignalAction {
    void (*handler)(int);
    unsigned long flags;
    void (*restorer)();
    uint32_t mask[2];
};

struct TimeValue {
    int32_t seconds;
    int32_t microseconds;
};
struct TimeSpec {
    int32_t seconds;
    int32_t nanoseconds;
};

// fstat(2): the old 32-bit layout, alike in both calling conventions.
struct Stat {
    uint16_t device, pad1;
    uint32_t inode;
    uint16_t mode, links, user, group, specialDevice, pad2;
    uint32_t size, blockSize, blocks;
    uint32_t times[6];
    uint32_t unused[2];
};
static_assert(sizeof(Stat) == 64);
constexpr uint16_t kTypeMask = 0170000, kRegularFile = 0100000, kCharacterDevice = 0020000;

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
