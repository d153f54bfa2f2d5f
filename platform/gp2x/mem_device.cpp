// The console's "/dev/mem" itself: the machine's physical memory, opened and
// mapped as the kernel offers it. It opens only once the interlock has found
// the console's processor (machine.h): nowhere else may the program write
// the registers it writes.
#include "platform/mem_device.h"

#include <errno.h>
#include <sys/mman.h>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/machine.h"
#include "platform/gp2x/system_calls.h"

int memDeviceOpen(const char* path, int flags) {
    if (!machineChecked()) {
        errno = EPERM;
        return -1;
    }
    (void)flags;  // read-write, the one way the program opens it
    return int(Sys::result(Sys::call<Sys::kOpen>(long(path), Linux::kReadWrite)));
}

void* memDeviceMap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    return mmap(address, length, protection, flags, fd, offset);
}

int memDeviceUnmap(void* address, size_t length) {
    return munmap(address, length);
}

int memDeviceClose(int fd) {
    return int(Sys::result(Sys::call<Sys::kClose>(fd)));
}
