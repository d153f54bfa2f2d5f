// Serves the console's "/dev/mem" from two static blocks. No system call is
// made: the descriptor is a token that only these functions understand, so no
// path can ever reach the host's own physical memory.
#include "platform/mem_device.h"

#include <sys/mman.h>

#include <atomic>
#include <cstring>

#include "platform/simulated/simulated_memory.h"

namespace {

// Not a real descriptor of this process; far above what the kernel hands out.
constexpr int kDeviceToken = 0x4D454D00;

alignas(4096) uint16_t gRegisters[kRegisterWindowSize / 2];
alignas(4096) uint8_t gSecondCpuMemory[kSecondCpuMemorySize];

std::atomic<int> gOpenCount{0};

}  // namespace

uint16_t* simulatedRegisterBlock() {
    return gRegisters;
}
uint8_t* simulatedSecondCpuMemory() {
    return gSecondCpuMemory;
}

int memDeviceOpen(const char* path, int flags) {
    (void)flags;
    if (path == nullptr || strcmp(path, "/dev/mem") != 0) return -1;
    gOpenCount.fetch_add(1);
    return kDeviceToken;
}

void* memDeviceMap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    (void)address;
    (void)protection;
    (void)flags;
    if (fd != kDeviceToken || gOpenCount.load() <= 0 || length == 0) return MAP_FAILED;
    if (offset == kRegisterBase && length <= kRegisterWindowSize) return gRegisters;
    if (offset == kSecondCpuMemoryBase && length <= kSecondCpuMemorySize) return gSecondCpuMemory;
    return MAP_FAILED;
}

int memDeviceUnmap(void* address, size_t length) {
    if (address == gRegisters && length <= kRegisterWindowSize && length > 0) return 0;
    if (address == gSecondCpuMemory && length <= kSecondCpuMemorySize && length > 0) return 0;
    return -1;
}

int memDeviceClose(int fd) {
    if (fd != kDeviceToken) return -1;
    int open = gOpenCount.load();
    while (open > 0 && !gOpenCount.compare_exchange_weak(open, open - 1)) {
    }
    return open > 0 ? 0 : -1;
}
