// The console's sound: the OSS device itself, opened write-only without
// waiting (a device that another program holds is busy at once, not a wait
// for it to be free), set with its requests, and written a block at a time:
// each write waits for room as a blocking write would, but gives up once the
// device has taken nothing for kStalledDeviceMs, as the desktop's sound
// does, so that a stalled driver never holds the audio thread, or the quit
// that waits for it, for good. There is nothing else to fall back on:
// without the device the demo plays silently, and says why.
#include <errno.h>
#include <string.h>

#include <string>

#include "platform/gp2x/linux_abi.h"
#include "platform/gp2x/system_calls.h"
#include "platform/messages.h"
#include "platform/sound_device.h"

namespace {

constexpr int kStalledDeviceMs = 2000;
constexpr long kAgain = 11;       // EAGAIN: no room now
constexpr long kInterrupted = 4;  // EINTR

bool gOff = false;  // soundDeviceSelect(None): every open fails
int gDevice = -1;
std::string gOpenProblem;
bool gStallSaid = false;
SoundObserver gObserver = nullptr;
void* gObserverContext = nullptr;

std::string openProblem(const char* path, int error) {
    const std::string device = path;
    switch (error) {
        case ENOENT:
            return "there is no sound device (" + device + " is missing)";
        case EBUSY:
            return "the sound device " + device + " is busy: another program is playing on it";
        case EISDIR:
            return device + " is a directory, not a sound device";
        case ENODEV:
        case ENXIO:
            return device + " has no sound device behind it";
        default:
            return "the sound device " + device + " cannot be opened: " + strerror(error);
    }
}

// Waits until the device has room; false if it stays full.
bool waitForRoom(int device) {
    Linux::PollFd wait{device, Linux::kPollOut, 0};
    for (;;) {
        const long ready = Sys::call<Sys::kPoll>(long(&wait), 1, kStalledDeviceMs);
        if (ready != -kInterrupted) return ready > 0;
    }
}

void sayStalledOnce(const std::string& why) {
    if (gStallSaid) return;
    gStallSaid = true;
    problemLine("the sound device stopped taking sound (%s): the demo goes on", why.c_str());
}

}  // namespace

void soundDeviceSelect(SoundBackend backend) {
    gOff = backend == SoundBackend::None;
}

SoundBackend soundDeviceOpenBackend() {
    return gDevice > 0 ? SoundBackend::Oss : SoundBackend::None;
}

void soundDeviceSetObserver(SoundObserver observer, void* context) {
    gObserver = observer;
    gObserverContext = context;
}

int soundDeviceOpen(const char* path) {
    gOpenProblem.clear();
    if (gDevice > 0 || gOff) return -1;
    const long fd = Sys::call<Sys::kOpen>(long(path), Linux::kWriteOnly | Linux::kNonBlocking);
    if (Sys::failed(fd)) {
        gOpenProblem = openProblem(path, Sys::errorNumber(fd));
        return int(Sys::result(fd));
    }
    gDevice = int(fd);
    gStallSaid = false;
    return gDevice;
}

std::string soundDeviceOpenProblem() {
    return gOpenProblem;
}

int soundDeviceIoctl(int device, unsigned long request, int* value) {
    if (device <= 0 || device != gDevice) return -1;
    return int(Sys::result(Sys::call<Sys::kIoctl>(device, long(request), long(value))));
}

long soundDeviceWrite(int device, const void* data, size_t size) {
    if (device <= 0 || device != gDevice) return -1;
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const long n = Sys::call<Sys::kWrite>(device, long(bytes + done), long(size - done));
        if (n == -kInterrupted) continue;
        if (n == -kAgain || n == 0) {
            if (waitForRoom(device)) continue;
            sayStalledOnce("nothing taken for " + std::to_string(kStalledDeviceMs / 1000) + " s");
            break;
        }
        if (Sys::failed(n)) {
            sayStalledOnce(strerror(Sys::errorNumber(n)));
            break;
        }
        done += size_t(n);
    }
    if (gObserver != nullptr && done > 0) gObserver(gObserverContext, bytes, done);
    return done == 0 && size > 0 ? -1 : long(done);
}

int soundDeviceClose(int device) {
    if (device <= 0 || device != gDevice) return -1;
    Sys::call<Sys::kClose>(device);
    gDevice = -1;
    return 0;
}

// The device plays out the little it holds (two pieces of 2048 bytes).
void soundDeviceDiscard(int) {}
