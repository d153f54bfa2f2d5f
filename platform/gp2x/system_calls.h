// system_calls.h - the console's kernel, called directly: Linux 2.4 on ARM,
// in its old convention (OABI), where the call's number is the immediate of
// the software interrupt, swi 0x900000 + n, and its arguments are r0 to r5.
// A result from -4095 to -1 is the negated error number.
//
// Only calls that a 2.4 kernel has: open rather than openat, mmap2, no
// futex, no exit_group (callers fall back to exit).
#pragma once

#include <cstdint>

namespace Sys {

enum Number : unsigned {
    kExit = 1,
    kRead = 3,
    kWrite = 4,
    kOpen = 5,
    kClose = 6,
    kExecve = 11,
    kChdir = 12,
    kLseek = 19,
    kGetpid = 20,
    kKill = 37,
    kBrk = 45,
    kIoctl = 54,
    kGettimeofday = 78,
    kMunmap = 91,
    kStat = 106,
    kFstat = 108,
    kClone = 120,
    kSchedYield = 158,
    kNanosleep = 162,
    kPoll = 168,
    kGetcwd = 183,
    kRtSigaction = 174,
    kMmap2 = 192,
    kExitGroup = 248,
};

template <Number n>
inline long call(long a = 0, long b = 0, long c = 0, long d = 0, long e = 0, long f = 0) {
    register long r0 asm("r0") = a;
    register long r1 asm("r1") = b;
    register long r2 asm("r2") = c;
    register long r3 asm("r3") = d;
    register long r4 asm("r4") = e;
    register long r5 asm("r5") = f;
    asm volatile("swi %[number]"
                 : "+r"(r0)
                 : [number] "i"(0x900000 + n), "r"(r1), "r"(r2), "r"(r3), "r"(r4), "r"(r5)
                 : "memory");
    return r0;
}

inline bool failed(long result) {
    return static_cast<unsigned long>(result) >= static_cast<unsigned long>(-4095);
}

// The kernel's error number of a failed call as the C library's errno value.
int errorNumber(long result);
// errno := errorNumber(result) and -1 if the call failed, else the result.
long result(long result);

}  // namespace Sys
