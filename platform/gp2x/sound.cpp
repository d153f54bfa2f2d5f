// The console's sound: the OSS device itself, opened write-only, set with its
// requests (their results are the caller's to ignore) and written with
// blocking writes, which pace the audio thread. There is nothing else to fall
// back on: without the device the demo plays silently.
#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/system_calls.h"
#include "platform/sound_device.h"

namespace {

constexpr int kInterrupted = 4;  // EINTR

int gDevice = -1;

bool isOpen(int device) {
    return device > 0 && device == gDevice;
}

}  // namespace

int soundDeviceOpen(const char* path) {
    if (gDevice > 0) return -1;
    const long fd = Sys::call<Sys::kOpen>(long(path), Linux::kWriteOnly);
    if (Sys::failed(fd)) return -1;
    gDevice = int(fd);
    return gDevice;
}

int soundDeviceIoctl(int device, unsigned long request, int* value) {
    if (!isOpen(device)) return -1;
    return Sys::failed(Sys::call<Sys::kIoctl>(device, long(request), long(value))) ? -1 : 0;
}

long soundDeviceWrite(int device, const void* data, size_t size) {
    if (!isOpen(device)) return -1;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const long n = Sys::call<Sys::kWrite>(device, long(bytes + done), long(size - done));
        if (n == -kInterrupted) continue;
        if (Sys::failed(n) || n == 0) break;
        done += size_t(n);
    }
    return done == 0 && size > 0 ? -1 : long(done);
}

int soundDeviceClose(int device) {
    if (!isOpen(device)) return -1;
    Sys::call<Sys::kClose>(device);
    gDevice = -1;
    return 0;
}

// The device plays out the little it holds (two pieces of 2048 bytes).
void soundDeviceDiscard(int) {}
