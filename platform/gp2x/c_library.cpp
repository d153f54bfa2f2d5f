// What newlib, built for no operating system, asks of the system: its files,
// the process, the clock, the heap and the allocator's lock, each a kernel
// call or two; and the texts of its error numbers, worded as the desktop's C
// library words them, so that every line the program prints reads as the
// desktop's would.
#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/runtime.h"
#include "platform/gp2x/spin_lock.h"
#include "platform/gp2x/system_calls.h"

namespace {

constexpr int kMostHooks = 4;
void (*gReplaceHooks[kMostHooks])();
int gReplaceHookCount = 0;

char* gBreak = nullptr;

SpinLock gAllocatorLock;

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

// The desktop's (glibc's) words for the error numbers a system call of this
// program can meet; newlib's own differ ("Not owner", "Not a character
// device", ...).
struct ErrorText {
    int error;
    const char* text;
};
constexpr ErrorText kErrorTexts[] = {
    {EPERM, "Operation not permitted"},
    {ENOENT, "No such file or directory"},
    {ESRCH, "No such process"},
    {EINTR, "Interrupted system call"},
    {EIO, "Input/output error"},
    {ENXIO, "No such device or address"},
    {E2BIG, "Argument list too long"},
    {ENOEXEC, "Exec format error"},
    {EBADF, "Bad file descriptor"},
    {ECHILD, "No child processes"},
    {EAGAIN, "Resource temporarily unavailable"},
    {ENOMEM, "Cannot allocate memory"},
    {EACCES, "Permission denied"},
    {EFAULT, "Bad address"},
    {EBUSY, "Device or resource busy"},
    {EEXIST, "File exists"},
    {EXDEV, "Invalid cross-device link"},
    {ENODEV, "No such device"},
    {ENOTDIR, "Not a directory"},
    {EISDIR, "Is a directory"},
    {EINVAL, "Invalid argument"},
    {ENFILE, "Too many open files in system"},
    {EMFILE, "Too many open files"},
    {ENOTTY, "Inappropriate ioctl for device"},
    {ETXTBSY, "Text file busy"},
    {EFBIG, "File too large"},
    {ENOSPC, "No space left on device"},
    {ESPIPE, "Illegal seek"},
    {EROFS, "Read-only file system"},
    {EMLINK, "Too many links"},
    {EPIPE, "Broken pipe"},
    {EDOM, "Numerical argument out of domain"},
    {ERANGE, "Numerical result out of range"},
    {ENOSYS, "Function not implemented"},
    {ENAMETOOLONG, "File name too long"},
    {ELOOP, "Too many levels of symbolic links"},
};

const char* errorText(int error) {
    for (const ErrorText& known : kErrorTexts) {
        if (known.error == error) return known.text;
    }
    return nullptr;
}

}  // namespace

void runtimeAtReplace(void (*hook)()) {
    if (gReplaceHookCount < kMostHooks) gReplaceHooks[gReplaceHookCount++] = hook;
}

extern "C" {

// ---- files -------------------------------------------------------------------------

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

}  // extern "C"

namespace {

// What the C library asks of a file: its type and size (fseek to the end
// and buffering read them) and its block size.
int fileStatus(long result, const Linux::Stat& kernel, struct stat* status) {
    if (Sys::result(result) < 0) return -1;
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

}  // namespace

extern "C" {

int _fstat(int fd, struct stat* status) {
    Linux::Stat kernel;
    return fileStatus(Sys::call<Sys::kFstat>(fd, long(&kernel)), kernel, status);
}

int _stat(const char* path, struct stat* status) {
    Linux::Stat kernel;
    return fileStatus(Sys::call<Sys::kStat>(long(path), long(&kernel)), kernel, status);
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

// ---- the process ---------------------------------------------------------------------

int _execve(const char* path, char* const arguments[], char* const environment[]) {
    for (int i = 0; i < gReplaceHookCount; ++i) gReplaceHooks[i]();
    return int(
        Sys::result(Sys::call<Sys::kExecve>(long(path), long(arguments), long(environment))));
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

// ---- memory ----------------------------------------------------------------------------

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

struct _reent;

void __malloc_lock(struct _reent*) {
    gAllocatorLock.lock();
}

void __malloc_unlock(struct _reent*) {
    gAllocatorLock.unlock();
}

// ---- error texts -------------------------------------------------------------------------

// Both of newlib's entry points, so that its own table is never linked.
char* _strerror_r(struct _reent*, int error, int, int* unknown) {
    static char text[32];
    const char* known = errorText(error);
    if (unknown != nullptr) *unknown = known == nullptr;
    if (known != nullptr) return const_cast<char*>(known);
    snprintf(text, sizeof text, "Unknown error %d", error);
    return text;
}

char* strerror(int error) {
    return _strerror_r(nullptr, error, 0, nullptr);
}

// ---- what a start-up without the compiler's start files needs ---------------------

void _init() {}
void _fini() {}
void* __dso_handle = &__dso_handle;

}  // extern "C"
