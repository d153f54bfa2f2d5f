#include "platform/second_cpu.h"

#include <pthread.h>

#include <atomic>
#include <mutex>

#include "platform/code940_image.h"
#include "platform/decoder_program.h"
#include "platform/mem_device.h"
#include "platform/registers.h"
#include "platform/simulated_memory.h"

namespace {

std::mutex gMutex;
bool gRunning = false;  // clock on and out of reset with bank 3
bool gProgramStarted = false;
pthread_t gProgramThread;
std::atomic<bool> gHaltRequested{false};

void* programThread(void*) {
    pthread_setname_np(pthread_self(), "decoder940");
    decoderProgramMain(simulatedSecondCpuMemory(), gHaltRequested);
    return nullptr;
}

void startProgram() {
    if (!secondCpuRunsImage(simulatedSecondCpuMemory(), kSecondCpuMemorySize)) return;
    gHaltRequested.store(false);
    gProgramStarted = pthread_create(&gProgramThread, nullptr, programThread, nullptr) == 0;
}

void haltProgram() {
    if (!gProgramStarted) return;
    gHaltRequested.store(true);
    pthread_join(gProgramThread, nullptr);
    gProgramStarted = false;
}

}  // namespace

bool secondCpuRunsImage(const uint8_t* image, size_t size) {
    return size >= kCode940ImageSize && code940ImageRecognised(image);
}

void secondCpuRegistersChanged(uint16_t clockRegister, uint16_t resetRegister) {
    const bool clockOn = (clockRegister & 1) != 0;
    const bool running = clockOn && (resetRegister & 0xFF) == kSecondCpuReleased;
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
