// Chooses the back-end and dispatches to it; the none and sink back-ends live
// here because they are nothing but a refusal and a pass-through.
#include "platform/sound_device.h"

#include <mutex>

#include "platform/sound_backends.h"

namespace {

// Tokens for the back-ends that have no descriptor of their own; far above
// the descriptors the kernel hands out.
constexpr int kHostToken = 0x53440001;
constexpr int kSinkToken = 0x53440002;

std::mutex gMutex;
SoundBackend gSelected = SoundBackend::Automatic;
SoundBackend gOpen = SoundBackend::None;
int gDevice = -1;
SoundObserver gObserver = nullptr;
void* gObserverContext = nullptr;

int openLocked(const char* path) {
    const SoundBackend choice = gSelected;
    if (choice == SoundBackend::Oss || choice == SoundBackend::Automatic) {
        const int fd = ossSoundOpen(path);
        if (fd > 0) {
            gOpen = SoundBackend::Oss;
            return fd;
        }
    }
    if (choice == SoundBackend::Host || choice == SoundBackend::Automatic) {
        if (hostSoundOpen()) {
            gOpen = SoundBackend::Host;
            return kHostToken;
        }
    }
    if (choice == SoundBackend::Sink) {
        gOpen = SoundBackend::Sink;
        return kSinkToken;
    }
    return -1;
}

bool isOpen(int device) {
    return device > 0 && device == gDevice;
}

}  // namespace

void soundDeviceSelect(SoundBackend backend) {
    std::lock_guard<std::mutex> lock(gMutex);
    gSelected = backend;
}

SoundBackend soundDeviceOpenBackend() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gOpen;
}

void soundDeviceSetObserver(SoundObserver observer, void* context) {
    std::lock_guard<std::mutex> lock(gMutex);
    gObserver = observer;
    gObserverContext = context;
}

int soundDeviceOpen(const char* path) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (gOpen != SoundBackend::None) return -1;  // busy, as a second open of the device is
    gDevice = openLocked(path);
    return gDevice;
}

std::string soundDeviceOpenProblem() {
    return "";
}

int soundDeviceIoctl(int device, unsigned long request, int* value) {
    SoundBackend open;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!isOpen(device)) return -1;
        open = gOpen;
    }
    return open == SoundBackend::Oss ? ossSoundIoctl(device, request, value) : 0;
}

// The lock is not held across the blocking write: the device is used by one
// thread, and the observer may be changed meanwhile only between writes.
long soundDeviceWrite(int device, const void* data, size_t size) {
    SoundBackend open;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!isOpen(device)) return -1;
        open = gOpen;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    long taken = long(size);
    if (open == SoundBackend::Oss) taken = ossSoundWrite(device, bytes, size);
    if (open == SoundBackend::Host) taken = hostSoundWrite(bytes, size);
    std::lock_guard<std::mutex> lock(gMutex);
    if (gObserver != nullptr && taken > 0) gObserver(gObserverContext, bytes, size_t(taken));
    return taken;
}

void soundDeviceDiscard(int device) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (isOpen(device) && gOpen == SoundBackend::Host) hostSoundDiscard();
}

int soundDeviceClose(int device) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (!isOpen(device)) return -1;
    if (gOpen == SoundBackend::Oss) ossSoundClose(device);
    if (gOpen == SoundBackend::Host) hostSoundClose();
    gOpen = SoundBackend::None;
    gDevice = -1;
    return 0;
}
