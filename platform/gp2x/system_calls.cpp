// The kernel's calls that the program makes itself and newlib leaves out
// (declared in newlib's headers or in include/sys/mman.h), and the kernel's
// error numbers as the C library's.
#include "platform/gp2x/system_calls.h"

#include <errno.h>
#include <stdarg.h>
#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/gp2x/linux_abi.h"

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

extern "C" {

int _execve(const char* path, char* const arguments[], char* const environment[]);

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
        return MAP_FAILED;
    }
    const long result = Sys::call<Sys::kMmap2>(long(address), long(length), protection, flags, fd,
                                               long(bytes >> Linux::kPageShift));
    if (Sys::failed(result)) {
        errno = Sys::errorNumber(result);
        return MAP_FAILED;
    }
    return reinterpret_cast<void*>(result);
}

int munmap(void* address, size_t length) {
    return int(Sys::result(Sys::call<Sys::kMunmap>(long(address), long(length))));
}

int chdir(const char* path) {
    return int(Sys::result(Sys::call<Sys::kChdir>(long(path))));
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

char* getcwd(char* buffer, size_t size) {
    return Sys::result(Sys::call<Sys::kGetcwd>(long(buffer), long(size))) < 0 ? nullptr : buffer;
}

int usleep(useconds_t microseconds) {
    Linux::TimeSpec wait{int32_t(microseconds / 1000000), int32_t(microseconds % 1000000) * 1000};
    return int(Sys::result(Sys::call<Sys::kNanosleep>(long(&wait), 0)));
}

}  // extern "C"
