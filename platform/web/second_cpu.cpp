// The second processor of the browser: the same decoder as the desktop's
// native one (song_decoder.h), run a step at a time by the page instead of on
// a thread of its own. There is no emulated ARM in the page.
#include "platform/second_cpu.h"

#include <memory>

#include "platform/code940/code940_image.h"
#include "platform/code940/song_decoder.h"
#include "platform/simulated/simulated_memory.h"
#include "platform/web/browser.h"

namespace {

bool gRunning = false;  // clock on and out of reset with bank 3
std::unique_ptr<DecoderProgram> gProgram;

void endProgram() {
    if (gProgram) decoderProgramEnd(gProgram.get());
    gProgram.reset();
}

}  // namespace

void secondCpuSelect(SecondCpuKind) {}

SecondCpuKind secondCpuSelected() {
    return SecondCpuKind::Native;
}

void secondCpuSetRunning(bool running) {
    if (running == gRunning) return;
    gRunning = running;
    endProgram();
    if (running && code940ImageRecognised(simulatedSecondCpuMemory(), kCode940Capacity)) {
        gProgram = std::make_unique<DecoderProgram>();
        decoderProgramInit(gProgram.get(), simulatedSecondCpuMemory());
    }
}

bool secondCpuProgramRunning() {
    return gProgram != nullptr;
}

bool secondCpuProgramFaulted() {
    return false;
}

// The page steps the program in its sound callback: it cannot run away.
uint64_t secondCpuWorkNanoseconds() {
    return 0;
}

// Nothing waits for an interrupt: the page steps the program when it needs sound.
void secondCpuDoorbell() {}

void secondCpuCountInstructions(bool) {}

ArmEmulatorFigures secondCpuEmulationFigures() {
    return {};
}

bool secondCpuStep() {
    return gProgram != nullptr && decoderProgramStep(gProgram.get()) != 0;
}
