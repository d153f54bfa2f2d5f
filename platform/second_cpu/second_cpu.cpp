// The desktop's stand-in for the console's second processor (its running,
// simulated_memory.h; what the engine learns of it, platform/second_cpu.h;
// the choices of tools, controls.h).
#include "platform/second_cpu.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/code940/code940_image.h"
#include "platform/code940/decoder_program.h"
#include "platform/second_cpu/arm_emulator.h"
#include "platform/second_cpu/controls.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/sound_control_block.h"
#include "platform/sound_control_layout.h"

namespace {

std::mutex gMutex;
SecondCpuKind initialKind() {
    const char* choice = getenv("ONDRIVALE_SECOND_CPU");
    return choice != nullptr && strcmp(choice, "emulated") == 0 ? SecondCpuKind::Emulated
                                                                : SecondCpuKind::Native;
}

// The tools' choices, read when a program starts.
std::atomic<SecondCpuKind> gKind{initialKind()};
std::atomic<bool> gCountInstructions{false};
bool gRunning = false;  // clock on and out of reset with bank 3
bool gProgramStarted = false;
SecondCpuKind gStartedKind = SecondCpuKind::Emulated;
pthread_t gProgramThread;
std::atomic<bool> gHaltRequested{false};
std::atomic<bool> gFaulted{false};
std::mutex gFiguresMutex;
ArmEmulatorFigures gFigures;

void* nativeThread(void*) {
    pthread_setname_np(pthread_self(), "decoder940");
    decoderProgramMain(simulatedSecondCpuMemory(), gHaltRequested);
    return nullptr;
}

void* emulatedThread(void*) {
    pthread_setname_np(pthread_self(), "arm940");
    ArmEmulatorFigures figures;
    const bool faulted = armEmulatorMain(simulatedSecondCpuMemory(), kSecondCpuMemoryBytes,
                                         gHaltRequested, gCountInstructions.load(), &figures);
    gFaulted.store(faulted);
    std::lock_guard<std::mutex> lock(gFiguresMutex);
    gFigures.instructions += figures.instructions;
    gFigures.waits += figures.waits;
    gFigures.interruptWaits += figures.interruptWaits;
    gFigures.cpuNanoseconds += figures.cpuNanoseconds;
    return nullptr;
}

void startProgram() {
    if (!code940ImageRecognised(simulatedSecondCpuMemory(), kCode940Capacity)) return;
    gHaltRequested.store(false);
    gFaulted.store(false);
    gStartedKind = gKind.load();
    void* (*body)(void*) = gStartedKind == SecondCpuKind::Emulated ? emulatedThread : nativeThread;
    gProgramStarted = pthread_create(&gProgramThread, nullptr, body, nullptr) == 0;
}

void haltProgram() {
    if (!gProgramStarted) return;
    gHaltRequested.store(true);
    if (gStartedKind == SecondCpuKind::Emulated) {
        // A stop can fall just before the emulator enters its core; ask again
        // until the thread has ended.
        while (pthread_tryjoin_np(gProgramThread, nullptr) != 0) {
            armEmulatorStop();
            usleep(1000);
        }
    } else {
        pthread_join(gProgramThread, nullptr);
    }
    gProgramStarted = false;
}

}  // namespace

void secondCpuSelect(SecondCpuKind kind) {
    gKind.store(kind);
}

SecondCpuKind secondCpuSelected() {
    return gKind.load();
}

void secondCpuSetRunning(bool running) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (running == gRunning) return;
    gRunning = running;
    if (running) {
        startProgram();
    } else {
        haltProgram();
    }
}

bool secondCpuProgramRunning() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gProgramStarted;
}

bool secondCpuProgramFaulted() {
    return gFaulted.load();
}

uint64_t secondCpuWorkNanoseconds() {
    std::lock_guard<std::mutex> lock(gMutex);
    clockid_t clock;
    timespec used;
    if (!gProgramStarted || pthread_getcpuclockid(gProgramThread, &clock) != 0 ||
        clock_gettime(clock, &used) != 0) {
        return 0;
    }
    return uint64_t(used.tv_sec) * 1000000000u + uint64_t(used.tv_nsec);
}

void secondCpuDoorbell() {
    armEmulatorWake();
}

void secondCpuCountInstructions(bool count) {
    gCountInstructions.store(count);
}

ArmEmulatorFigures secondCpuEmulationFigures() {
    std::lock_guard<std::mutex> lock(gFiguresMutex);
    return gFigures;
}
