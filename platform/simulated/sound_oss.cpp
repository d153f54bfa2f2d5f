// The real OSS device: plain open, ioctl, write and close.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/sound_backends.h"

int ossSoundOpen(const char* path) {
    return open(path, O_WRONLY | O_CLOEXEC);
}

int ossSoundIoctl(int fd, unsigned long request, int* value) {
    return ioctl(fd, request, value);
}

long ossSoundWrite(int fd, const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    return done == 0 && size > 0 ? -1 : long(done);
}

void ossSoundClose(int fd) {
    close(fd);
}
