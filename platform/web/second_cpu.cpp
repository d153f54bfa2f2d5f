// The second processor of the browser: a Web Worker of the page's, running
// the same decoder program (song_decoder.h) compiled to a small WebAssembly
// module of its own (platform/code940/web/), as the console's second
// processor runs beside the first. The engine writes the control block in
// its own memory as everywhere; the page reads the orders from it
// (browserSecondCpuOrders) and passes them on to the worker, which feeds the
// page's sound output directly. No sound block ever comes back to this side.
#include "platform/second_cpu.h"

#include <cstddef>

#include "platform/code940/code940_image.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/sound_control_block.h"
#include "platform/web/browser.h"

namespace {

bool gRunning = false;  // clock on and out of reset with bank 3
bool gProgram = false;  // and the image is the decoder program

}  // namespace

void secondCpuSelect(SecondCpuKind) {}

SecondCpuKind secondCpuSelected() {
    return SecondCpuKind::Native;
}

void secondCpuSetRunning(bool running) {
    gRunning = running;
    gProgram = running && code940ImageRecognised(simulatedSecondCpuMemory(), kCode940Capacity);
}

bool secondCpuProgramRunning() {
    return gProgram;
}

bool secondCpuProgramFaulted() {
    return false;
}

// The worker's time is its own: nothing here can watch it.
uint64_t secondCpuWorkNanoseconds() {
    return 0;
}

// The page reads the orders after each call into the engine.
void secondCpuDoorbell() {}

void secondCpuCountInstructions(bool) {}

ArmEmulatorFigures secondCpuEmulationFigures() {
    return {};
}

SecondCpuOrders browserSecondCpuOrders() {
    SecondCpuOrders orders;
    if (!gProgram) return orders;
    uint8_t* memory = simulatedSecondCpuMemory();
    auto& control = *reinterpret_cast<SoundControlBlock*>(memory + kControlBlockOffset);
    orders.running = true;
    orders.playing = sharedLoad(control.playing) == 1;
    orders.seekRequest = sharedLoad(control.seekRequest);
    orders.seekSample = sharedLoad(control.seekSample);
    const uint32_t offset = sharedLoad(control.songOffset);
    const uint32_t length = sharedLoad(control.songLength);
    const bool inside = offset <= kSecondCpuMemoryBytes && length <= kSecondCpuMemoryBytes - offset;
    if (sharedLoad(control.songLoaded) == 1 && sharedLoad(control.songReady) == 1 && inside) {
        orders.song = memory + offset;
        orders.songLength = length;
    }
    return orders;
}

SecondCpuReport browserSecondCpuReport() {
    auto& control =
        *reinterpret_cast<SoundControlBlock*>(simulatedSecondCpuMemory() + kControlBlockOffset);
    constexpr size_t first = offsetof(SoundControlBlock, songEndedAt);
    constexpr size_t last = offsetof(SoundControlBlock, songDamages);
    return {&control.songEndedAt, int((last - first) / sizeof(uint32_t)) + 1};
}
