#include "platform/gp2x/runtime.h"

#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <new>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/system_calls.h"

int Sys::errorNumber(long result) {
    const int error = int(-result);
    // The classic numbers, up to ERANGE, are alike in the kernel and newlib.
    switch (error) {
        case Linux::kKernelNoSys:
            return ENOSYS;
        case Linux::kKernelNameTooLong:
            return ENAMETOOLONG;
        case Linux::kKernelLoop:
            return ELOOP;
        default:
            return error;
    }
}

long Sys::result(long result) {
    if (!failed(result)) return result;
    errno = errorNumber(result);
    return -1;
}

namespace {

// ---- the spin lock ------------------------------------------------------------

// swp: ARMv4's one atomic read-and-write of memory.
uint32_t swapWord(volatile uint32_t* word, uint32_t value) {
    uint32_t old;
    asm volatile("swp %0, %1, [%2]" : "=&r"(old) : "r"(value), "r"(word) : "memory");
    return old;
}

// One processor: a thread that finds the lock held lets the holder run.
class SpinLock {
  public:
    void lock() {
        while (swapWord(&word_, 1) != 0) Sys::call<Sys::kSchedYield>();
    }
    void unlock() {
        asm volatile("" ::: "memory");
        word_ = 0;
    }

  private:
    volatile uint32_t word_ = 0;
};

SpinLock gAtomicLock;

// The allocator's lock is taken again by the thread that holds it (realloc
// calls malloc).
SpinLock gAllocatorLock;
volatile int gAllocatorOwner = 0;
int gAllocatorDepth = 0;

// ---- hooks before exec ------------------------------------------------------------

constexpr int kMostHooks = 4;
void (*gReplaceHooks[kMostHooks])();
int gReplaceHookCount = 0;

long translateOpenFlags(int flags) {
    long linux = 0;
    switch (flags & O_ACCMODE) {
        case O_WRONLY:
            linux = Linux::kWriteOnly;
            break;
        case O_RDWR:
            linux = Linux::kReadWrite;
            break;
        default:
            linux = Linux::kReadOnly;
            break;
    }
    if (flags & O_CREAT) linux |= Linux::kCreate;
    if (flags & O_EXCL) linux |= Linux::kExclusive;
    if (flags & O_NOCTTY) linux |= Linux::kNoControllingTty;
    if (flags & O_TRUNC) linux |= Linux::kTruncate;
    if (flags & O_APPEND) linux |= Linux::kAppend;
    if (flags & O_NONBLOCK) linux |= Linux::kNonBlocking;
    if (flags & O_SYNC) linux |= Linux::kSync;
    return linux;
}

char* gBreak = nullptr;

constexpr int kMostThreadStacks = 4;
struct StackRange {
    uintptr_t low, high;
};
StackRange gThreadStacks[kMostThreadStacks];
volatile int gThreadStackCount = 0;

}  // namespace

void runtimeAtReplace(void (*hook)()) {
    if (gReplaceHookCount < kMostHooks) gReplaceHooks[gReplaceHookCount++] = hook;
}

void runtimeNoteThreadStack(const void* low, unsigned long size) {
    if (gThreadStackCount >= kMostThreadStacks) return;
    const auto start = reinterpret_cast<uintptr_t>(low);
    gThreadStacks[gThreadStackCount] = {start, start + size};
    __sync_synchronize();
    gThreadStackCount = gThreadStackCount + 1;
}

int runtimeThread() {
    const uintptr_t sp = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    for (int i = 0; i < gThreadStackCount; ++i) {
        if (sp >= gThreadStacks[i].low && sp < gThreadStacks[i].high) return i + 2;
    }
    return 1;
}

extern "C" {

// ---- files ---------------------------------------------------------------------

int _open(const char* path, int flags, int mode) {
    return int(Sys::result(Sys::call<Sys::kOpen>(long(path), translateOpenFlags(flags), mode)));
}

int _close(int fd) {
    return int(Sys::result(Sys::call<Sys::kClose>(fd)));
}

int _read(int fd, void* buffer, size_t size) {
    return int(Sys::result(Sys::call<Sys::kRead>(fd, long(buffer), long(size))));
}

int _write(int fd, const void* data, size_t size) {
    return int(Sys::result(Sys::call<Sys::kWrite>(fd, long(data), long(size))));
}

off_t _lseek(int fd, off_t offset, int whence) {
    return off_t(Sys::result(Sys::call<Sys::kLseek>(fd, long(offset), whence)));
}

// What the C library asks of a file: its type and size (fseek to the end
// and buffering read them) and its block size.
int _fstat(int fd, struct stat* status) {
    Linux::Stat kernel;
    const long result = Sys::result(Sys::call<Sys::kFstat>(fd, long(&kernel)));
    if (result < 0) return -1;
    memset(status, 0, sizeof *status);
    status->st_dev = kernel.device;
    status->st_ino = kernel.inode;
    status->st_mode = kernel.mode;
    status->st_nlink = kernel.links;
    status->st_uid = kernel.user;
    status->st_gid = kernel.group;
    status->st_rdev = kernel.specialDevice;
    status->st_size = off_t(kernel.size);
    status->st_blksize = blksize_t(kernel.blockSize);
    status->st_blocks = blkcnt_t(kernel.blocks);
    return 0;
}

int _isatty(int fd) {
    Linux::Termios settings;
    const long result = Sys::call<Sys::kIoctl>(fd, long(Linux::kTcGets), long(&settings));
    if (Sys::failed(result)) {
        errno = Sys::errorNumber(result);
        return 0;
    }
    return 1;
}

int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return int(Sys::result(Sys::call<Sys::kIoctl>(fd, long(request), long(argument))));
}

// The offset in whole pages, as mmap2 takes it: the console's devices are
// mapped at page-aligned physical addresses above 2 GiB (0xC0000000), which
// a signed 32-bit byte offset cannot carry.
void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    const auto bytes = static_cast<uint32_t>(offset);
    if (bytes & ((1u << Linux::kPageShift) - 1)) {
        errno = EINVAL;
        return reinterpret_cast<void*>(-1);
    }
    const long result = Sys::call<Sys::kMmap2>(long(address), long(length), protection, flags, fd,
                                               long(bytes >> Linux::kPageShift));
    if (Sys::failed(result)) {
        errno = Sys::errorNumber(result);
        return reinterpret_cast<void*>(-1);
    }
    return reinterpret_cast<void*>(result);
}

int munmap(void* address, size_t length) {
    return int(Sys::result(Sys::call<Sys::kMunmap>(long(address), long(length))));
}

// ---- the process -----------------------------------------------------------------

int chdir(const char* path) {
    return int(Sys::result(Sys::call<Sys::kChdir>(long(path))));
}

int _execve(const char* path, char* const arguments[], char* const environment[]) {
    for (int i = 0; i < gReplaceHookCount; ++i) gReplaceHooks[i]();
    return int(
        Sys::result(Sys::call<Sys::kExecve>(long(path), long(arguments), long(environment))));
}

int execl(const char* path, const char* argument, ...) {
    constexpr int kMostArguments = 16;
    const char* arguments[kMostArguments + 1];
    int count = 0;
    va_list list;
    va_start(list, argument);
    for (const char* a = argument; a != nullptr && count < kMostArguments;
         a = va_arg(list, const char*)) {
        arguments[count++] = a;
    }
    va_end(list);
    arguments[count] = nullptr;
    return _execve(path, const_cast<char* const*>(arguments), environ);
}

// A kernel without exit_group (2.4) ends the calling thread alone, which is
// the whole process once the audio thread has ended.
void _exit(int status) {
    Sys::call<Sys::kExitGroup>(status);
    for (;;) Sys::call<Sys::kExit>(status);
}

int _getpid() {
    return int(Sys::call<Sys::kGetpid>());
}

int _kill(int pid, int signal) {
    return int(Sys::result(Sys::call<Sys::kKill>(pid, signal)));
}

int _gettimeofday(struct timeval* time, void*) {
    Linux::TimeValue kernel;
    if (Sys::result(Sys::call<Sys::kGettimeofday>(long(&kernel), 0)) < 0) return -1;
    if (time != nullptr) {
        time->tv_sec = kernel.seconds;
        time->tv_usec = kernel.microseconds;
    }
    return 0;
}

int usleep(useconds_t microseconds) {
    Linux::TimeSpec wait{int32_t(microseconds / 1000000), int32_t(microseconds % 1000000) * 1000};
    return int(Sys::result(Sys::call<Sys::kNanosleep>(long(&wait), 0)));
}

// The heap grows from the end of the program's data with brk(2).
void* _sbrk(ptrdiff_t increment) {
    if (gBreak == nullptr) gBreak = reinterpret_cast<char*>(Sys::call<Sys::kBrk>(0));
    char* wanted = gBreak + increment;
    char* now = reinterpret_cast<char*>(Sys::call<Sys::kBrk>(long(wanted)));
    if (now != wanted) {
        errno = ENOMEM;
        return reinterpret_cast<void*>(-1);
    }
    char* previous = gBreak;
    gBreak = now;
    return previous;
}

// ---- the allocator's lock -------------------------------------------------------

struct _reent;

void __malloc_lock(struct _reent*) {
    const int self = runtimeThread();
    if (gAllocatorOwner != self) {
        gAllocatorLock.lock();
        gAllocatorOwner = self;
    }
    ++gAllocatorDepth;
}

void __malloc_unlock(struct _reent*) {
    if (--gAllocatorDepth > 0) return;
    gAllocatorOwner = 0;
    gAllocatorLock.unlock();
}

// ---- what a start-up without the compiler's start files needs -------------------

void _init() {}
void _fini() {}
void* __dso_handle = &__dso_handle;

// ---- atomics ------------------------------------------------------------------------

// On one processor with in-order memory, a call the compiler cannot see
// through is all the ordering the two threads need. The second processor
// sees the sound control block through uncached memory.
void __sync_synchronize() {
    asm volatile("" ::: "memory");
}

}  // extern "C"

// Read-modify-write operations under the one spin lock, as libatomic's
// entry points for 1, 2 and 4 bytes.
namespace {

template <typename Word, typename Change>
Word update(volatile void* address, Change change, bool returnNew) {
    auto* word = static_cast<volatile Word*>(address);
    gAtomicLock.lock();
    const Word old = *word;
    const Word changed = change(old);
    *word = changed;
    gAtomicLock.unlock();
    return returnNew ? changed : old;
}

template <typename Word>
bool compareExchange(volatile void* address, void* expected, Word desired) {
    auto* word = static_cast<volatile Word*>(address);
    auto* hoped = static_cast<Word*>(expected);
    gAtomicLock.lock();
    const Word old = *word;
    const bool same = old == *hoped;
    if (same) *word = desired;
    gAtomicLock.unlock();
    if (!same) *hoped = old;
    return same;
}

}  // namespace

#define ATOMIC_ENTRY_POINTS(N, Word)                                                               \
    extern "C" Word atomicExchange##N(volatile void* a, Word v, int) asm("__atomic_exchange_" #N); \
    Word atomicExchange##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word) { return v; }, false);                                                    \
    }                                                                                              \
    extern "C" bool atomicCompareExchange##N(volatile void* a, void* e, Word d, bool, int,         \
                                             int) asm("__atomic_compare_exchange_" #N);            \
    bool atomicCompareExchange##N(volatile void* a, void* e, Word d, bool, int, int) {             \
        return compareExchange<Word>(a, e, d);                                                     \
    }                                                                                              \
    extern "C" Word atomicFetchAdd##N(volatile void* a, Word v,                                    \
                                      int) asm("__atomic_fetch_add_" #N);                          \
    Word atomicFetchAdd##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w + v); }, false);                                        \
    }                                                                                              \
    extern "C" Word atomicFetchSub##N(volatile void* a, Word v,                                    \
                                      int) asm("__atomic_fetch_sub_" #N);                          \
    Word atomicFetchSub##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w - v); }, false);                                        \
    }                                                                                              \
    extern "C" Word atomicFetchOr##N(volatile void* a, Word v, int) asm("__atomic_fetch_or_" #N);  \
    Word atomicFetchOr##N(volatile void* a, Word v, int) {                                         \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w | v); }, false);                                        \
    }                                                                                              \
    extern "C" Word atomicFetchAnd##N(volatile void* a, Word v,                                    \
                                      int) asm("__atomic_fetch_and_" #N);                          \
    Word atomicFetchAnd##N(volatile void* a, Word v, int) {                                        \
        return update<Word>(                                                                       \
            a, [v](Word w) { return Word(w & v); }, false);                                        \
    }

ATOMIC_ENTRY_POINTS(1, uint8_t)
ATOMIC_ENTRY_POINTS(2, uint16_t)
ATOMIC_ENTRY_POINTS(4, uint32_t)

// ---- C++ without exceptions ------------------------------------------------------
//
// The program throws nothing, but the C++ library beneath it was built to
// throw: left alone, its throwing paths bring in the unwinder, whose
// register save and restore includes the floating-point and vector
// instructions that the ARM920T lacks. Here each of those paths is one line
// and the end of the process, and the unwinder's entry points, which no
// throw will ever reach, end it too.

namespace {

[[noreturn]] void fatal(const char* what) {
    static const char kPrefix[] = "ondrivale: ";
    _write(2, kPrefix, sizeof kPrefix - 1);
    _write(2, what, strlen(what));
    _write(2, "\n", 1);
    _exit(1);
}

void* allocate(size_t size) {
    void* memory = malloc(size == 0 ? 1 : size);
    if (memory == nullptr) fatal("out of memory");
    return memory;
}

// Function-local statics are made under one lock that the making thread may
// take again (one static's constructor may make another).
SpinLock gStaticsLock;
volatile int gStaticsOwner = 0;
int gStaticsDepth = 0;

void lockStatics() {
    const int self = runtimeThread();
    if (gStaticsOwner != self) {
        gStaticsLock.lock();
        gStaticsOwner = self;
    }
    ++gStaticsDepth;
}

void unlockStatics() {
    if (--gStaticsDepth > 0) return;
    gStaticsOwner = 0;
    gStaticsLock.unlock();
}

}  // namespace

void* operator new(size_t size) {
    return allocate(size);
}
void* operator new[](size_t size) {
    return allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept {
    free(memory);
}
void operator delete[](void* memory) noexcept {
    free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
    free(memory);
}

namespace std {
void __throw_bad_alloc() {
    fatal("out of memory");
}
void __throw_bad_array_new_length() {
    fatal("out of memory: an array too long");
}
void __throw_length_error(const char* what) {
    fatal(what);
}
void __throw_logic_error(const char* what) {
    fatal(what);
}
void __throw_invalid_argument(const char* what) {
    fatal(what);
}
void __throw_out_of_range(const char* what) {
    fatal(what);
}
void __throw_out_of_range_fmt(const char* what, ...) {
    fatal(what);
}
void __throw_bad_function_call() {
    fatal("a call through an empty function");
}
}  // namespace std

extern "C" {

// The ARM EABI's guard: a word whose bit 0 says the static is made.
int __cxa_guard_acquire(volatile uint32_t* guard) {
    if (*guard & 1) return 0;
    lockStatics();
    if (*guard & 1) {
        unlockStatics();
        return 0;
    }
    return 1;
}

void __cxa_guard_release(volatile uint32_t* guard) {
    *guard = 1;
    unlockStatics();
}

void __cxa_guard_abort(volatile uint32_t*) {
    unlockStatics();
}

void __cxa_pure_virtual() {
    fatal("a pure virtual call");
}

void __aeabi_unwind_cpp_pr0() {
    fatal("an exception");
}
void __aeabi_unwind_cpp_pr1() {
    fatal("an exception");
}
void __aeabi_unwind_cpp_pr2() {
    fatal("an exception");
}

}  // extern "C"
