#include "music/audio_bridge.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "music/audio_thread.h"
#include "platform/code940/code940_image.h"
#include "platform/mem_device.h"
#include "platform/messages.h"
#include "platform/registers.h"
#include "platform/sound_control_block.h"
#include "platform/sound_device.h"
#include "platform/sound_pump.h"
#include "platform/threads.h"

namespace AudioBridge {

int memDevice = 0;
volatile uint16_t* registers = nullptr;

namespace {

constexpr size_t kImageChunk = 1000;
constexpr size_t kSongChunk = 100000;

// How long init waits for the audio thread's start-up beyond its fixed sleep,
// looking every millisecond: the sound device or the second processor may be
// slow, never endless.
constexpr int kStartUpWaitMs = 5000;

uint8_t* sharedRegion = nullptr;
SoundControlBlock* control = nullptr;
PlatformThread audioThread;
std::atomic<int> threadRunning{0};
std::atomic<int> stopRequested{0};
// Set once the audio thread has initialised the control block, so that
// loadSong may trust songOffset.
std::atomic<bool> controlInitialised{false};

// The audio thread's start-up hand-over to init: a flag that init polls, as
// every wait between the two threads does.
std::atomic<bool> startUpDone{false};

void signalStartUpDone() {
    startUpDone.store(true, std::memory_order_release);
}

void waitForStartUp() {
    for (int ms = 0; ms < kStartUpWaitMs && !startUpDone.load(std::memory_order_acquire); ++ms) {
        usleep(1000);
    }
}

// The clock bit is changed by read-modify-write: the register's other bits
// belong to other parts of the machine.
void setSecondCpuClock(bool on) {
    const uint16_t clock = registerRead(registers, kRegSecondCpuClock);
    registerWrite(registers, kRegSecondCpuClock, on ? clock | 1 : clock & ~1);
}

void haltSecondCpu() {
    setSecondCpuClock(false);
    registerWrite(registers, kRegSecondCpuReset, kSecondCpuHeldInReset);
}

// The sound device the audio thread plays into.
int soundDevice = -1;

void initialiseControlBlock() {
    sharedStore(control->blocks[1].full, 0);
    sharedStore(control->songOffset, kSongOffset);
    sharedStore(control->reserved, 0);
    sharedStore(control->playing, 0);
    sharedStore(control->songReady, 0);
    sharedStore(control->songLoaded, 0);
    sharedStore(control->songLength, 0);
    sharedStore(control->blocks[0].full, 0);
    sharedStore(control->seekRequest, 0);
    sharedStore(control->seekSample, 0);
    sharedStore(control->blockSeek[0], 0);
    sharedStore(control->blockSeek[1], 0);
    sharedStore(control->songEndedAt, 0);
    sharedStore(control->songDamages, 0);
    sharedStore(control->songDamagedFrom, 0);
    sharedStore(control->songDamagedTo, 0);
    memset(control->blocks[0].samples, 0, kSoundBlockBytes);
    memset(control->blocks[1].samples, 0, kSoundBlockBytes);
    controlInitialised.store(true, std::memory_order_release);
}

// Why the audio thread's start-up found no sound device it can play on, for
// init to say once, from the main thread: empty where the host has nothing
// to say.
std::string soundProblem;

// The audio thread's start-up: false, with threadRunning 0, without a device
// that plays the song as it is.
bool startAudio() {
    threadRunning.store(1, std::memory_order_release);
    soundProblem.clear();
    soundDevice = soundDeviceOpen("/dev/dsp");
    if (soundDevice <= 0) {
        soundProblem = soundDeviceOpenProblem();
        threadRunning.store(0, std::memory_order_release);
        return false;
    }
    soundProblem = configureSoundDevice(soundDevice);
    if (!soundProblem.empty()) {
        soundDeviceClose(soundDevice);
        threadRunning.store(0, std::memory_order_release);
        return false;
    }
    initialiseControlBlock();
    start940();
    progressLine("entering thread loop");
    return true;
}

// Said by init once the audio thread's start-up is done (and only then:
// soundProblem is that thread's until it has signalled it).
void sayWhyNoSound() {
    if (!startUpDone.load(std::memory_order_acquire)) return;
    if (!soundProblem.empty()) problemLine("no sound: %s", soundProblem.c_str());
}

void finishAudio() {
    soundDeviceClose(soundDevice);
    haltSecondCpu();
    threadRunning.store(0, std::memory_order_release);
}

uint32_t songAreaOffset() {
    if (!controlInitialised.load(std::memory_order_acquire)) return kSongOffset;
    return sharedLoad(control->songOffset);
}

long fileSize(FILE* file) {
    if (fseek(file, 0, SEEK_END) != 0) return -1;
    const long size = ftell(file);
    rewind(file);
    return size;
}

}  // namespace

void init() {
    progressLine("init...");
    haltSecondCpu();
    void* region = memDeviceMap(nullptr, kSecondCpuMemorySize, PROT_READ | PROT_WRITE, MAP_SHARED,
                                memDevice, kSecondCpuMemoryBase);
    if (region == MAP_FAILED) {
        // Without the second processor's memory there is nothing to play:
        // no thread, and the demo runs silently.
        progressLine("init done");
        return;
    }
    sharedRegion = static_cast<uint8_t*>(region);
    control = reinterpret_cast<SoundControlBlock*>(sharedRegion + kControlBlockOffset);
    stopRequested.store(0);
    controlInitialised.store(false);
    startUpDone.store(false);
    // Set before the thread exists, so that a shutdown right after init
    // always waits for it.
    threadRunning.store(1, std::memory_order_release);
    useControlBlock(control);
    if (platformStartThread(&audioThread, threadMain, "audio")) {
        usleep(100000);
        waitForStartUp();
    } else {
        threadRunning.store(0, std::memory_order_release);
        problemLine("no music: the audio thread cannot be started");
    }
    sayWhyNoSound();
    progressLine("init done");
}

void threadMain() {
    const bool started = startAudio();
    signalStartUpDone();
    if (!started) return;
    playBlocks(control, soundDevice, stopRequested, haltSecondCpu);
    finishAudio();
}

// An image too large for its area, or not one the second processor runs, is
// not started (musicProblem says so).
void start940() {
    progressLine("startup...");
    setSecondCpuClock(false);
    registerWrite(registers, kRegInterruptPending1, 0xFFFF);
    registerWrite(registers, kRegSecondCpuReset, kSecondCpuHeldInReset);
    registerWrite(registers, kRegInterruptEnable0, 0);
    registerWrite(registers, kRegInterruptEnable1, 0);
    registerWrite(registers, kRegInterruptPending0, 0xFFFF);

    FILE* image = fopen(kProgramFile, "r");
    if (image == nullptr) return;
    uint8_t chunk[kImageChunk];
    size_t copied = 0;
    for (;;) {
        const size_t n = fread(chunk, 1, sizeof chunk, image);
        if (n == 0) break;
        if (n > kCode940Capacity - copied) {
            fclose(image);
            return;
        }
        memcpy(sharedRegion + copied, chunk, n);
        copied += n;
    }
    fclose(image);
    // A damaged image (musicProblem says so) stays halted in reset, as a
    // missing one: released, the processor would run whatever it holds.
    if (!code940ImageRecognised(sharedRegion, copied)) return;

    registerWrite(registers, kRegSecondCpuReset, kSecondCpuReleased);
    setSecondCpuClock(true);
    usleep(10000);
    progressLine("startup done..");
}

void loadSong(const char* path) {
    FILE* file = fopen(path, "r");
    if (file == nullptr) return;
    if (control == nullptr) {
        fclose(file);
        return;
    }
    const uint32_t offset = songAreaOffset();
    const size_t capacity = offset <= kSecondCpuMemorySize ? kSecondCpuMemorySize - offset : 0;
    const long size = fileSize(file);
    if (size > 0 && size_t(size) > capacity) {
        fclose(file);
        return;
    }

    sharedStore(control->songLoaded, 0);
    progressLine("loading ");
    std::vector<uint8_t> chunk(kSongChunk);
    size_t copied = 0;
    bool fits = true;
    for (;;) {
        const size_t n = fread(chunk.data(), 1, chunk.size(), file);
        if (n == 0) break;
        // The file may have grown since it was measured, or had no size to measure.
        if (n > capacity - copied) {
            fits = false;
            break;
        }
        memcpy(sharedRegion + offset + copied, chunk.data(), n);
        copied += n;
    }
    fclose(file);
    if (!fits) return;
    progressLine("loading done");
    soundSongPublished(control, uint32_t(copied));
    secondCpuDoorbell();
}

void shutdown() {
    stopRequested.store(1, std::memory_order_release);
    while (threadRunning.load(std::memory_order_acquire)) usleep(10000);
    platformJoinThread(&audioThread);
    if (sharedRegion != nullptr) {
        memDeviceUnmap(sharedRegion, kSecondCpuMemorySize);
        sharedRegion = nullptr;
        control = nullptr;
        useControlBlock(nullptr);
    }
    controlInitialised.store(false);
}

}  // namespace AudioBridge
