/* sys/mman.h - memory mapping on the console, which the C library beneath
 * the program (newlib, built for no operating system) leaves out: the
 * kernel's own values, and mmap/munmap from platform/gp2x/runtime.cpp. */
#ifndef GP2X_SYS_MMAN_H
#define GP2X_SYS_MMAN_H

#include <stddef.h>
#include <sys/types.h>

#define PROT_NONE 0
#define PROT_READ 1
#define PROT_WRITE 2
#define MAP_SHARED 1
#define MAP_PRIVATE 2
#define MAP_ANONYMOUS 0x20
#define MAP_FAILED ((void*)-1)

#ifdef __cplusplus
extern "C" {
#endif
void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
int munmap(void* address, size_t length);
#ifdef __cplusplus
}
#endif

#endif
