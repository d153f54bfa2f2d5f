// The second processor of the browser: the same program as on the desktop,
// run a step at a time by the page instead of on a thread of its own.
#include <memory>

#include "platform/code940_image.h"
#include "platform/decoder_program.h"
#include "platform/registers.h"
#include "platform/second_cpu.h"
#include "platform/simulated_memory.h"
#include "platform/web/browser.h"

namespace {

bool gRunning = false;  // clock on and out of reset with bank 3
std::unique_ptr<DecoderProgram> gProgram;

}  // namespace

void secondCpuRegistersChanged(uint16_t clockRegister, uint16_t resetRegister) {
    const bool clockOn = (clockRegister & 1) != 0;
    const bool running = clockOn && (resetRegister & 0xFF) == kSecondCpuReleased;
    if (running == gRunning) return;
    gRunning = running;
    gProgram.reset();
    if (running && code940ImageRecognised(simulatedSecondCpuMemory())) {
        gProgram = std::make_unique<DecoderProgram>(simulatedSecondCpuMemory());
    }
}

bool secondCpuProgramRunning() {
    return gProgram != nullptr;
}

bool secondCpuStep() {
    return gProgram != nullptr && gProgram->step();
}
