#include "platform/registers.h"

#include "platform/second_cpu.h"
#include "platform/simulated/simulated_memory.h"

uint16_t registerRead(volatile uint16_t* window, uint32_t offset) {
    if (!registerWindowUsable(window)) return 0;
    return __atomic_load_n(&window[offset / 2], __ATOMIC_SEQ_CST);
}

void registerWrite(volatile uint16_t* window, uint32_t offset, uint16_t value) {
    if (!registerWindowUsable(window)) return;
    __atomic_store_n(&window[offset / 2], value, __ATOMIC_SEQ_CST);
    const bool secondCpuControl = offset == kRegSecondCpuClock || offset == kRegSecondCpuReset;
    if (secondCpuControl && window == simulatedRegisterBlock()) {
        const bool clockOn = (registerRead(window, kRegSecondCpuClock) & 1) != 0;
        const uint16_t reset = registerRead(window, kRegSecondCpuReset);
        secondCpuSetRunning(clockOn && (reset & 0xFF) == kSecondCpuReleased);
    }
}
