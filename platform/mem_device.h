// mem_device.h - the console's physical memory device, as open, mmap, munmap
// and close reach it: 64 KiB of control registers at 0xC0000000 and 0xF80000
// bytes of the second processor's memory at 0x03000000.
//
// On the console (platform/gp2x/) these are the system calls on the real
// "/dev/mem", which opens only once the program has found itself on the
// console's processor. On the desktop (platform/simulated/) a host's own
// "/dev/mem" must never be touched: the calls serve a simulated physical
// memory held by the program, and any other path or address fails, as open
// and mmap would.
#pragma once

#include <sys/types.h>

#include <cstddef>

#include "platform/sound_control_layout.h"

constexpr off_t kRegisterBase = 0xC0000000;
constexpr size_t kRegisterWindowSize = 0x10000;
constexpr off_t kSecondCpuMemoryBase = 0x03000000;
constexpr size_t kSecondCpuMemorySize = kSecondCpuMemoryBytes;

// Like open(2) for "/dev/mem": a descriptor of the simulated device, or -1.
int memDeviceOpen(const char* path, int flags);
// Like mmap(2) on that descriptor: the simulated block at offset, or MAP_FAILED.
void* memDeviceMap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
int memDeviceUnmap(void* address, size_t length);
int memDeviceClose(int fd);
