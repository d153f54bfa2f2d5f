// The console's control registers: 16-bit loads and stores in the mapped
// window, which the hardware itself answers (the second processor starts and
// stops on its clock and reset registers).
#include "platform/registers.h"

uint16_t registerRead(volatile uint16_t* window, uint32_t offset) {
    return registerWindowUsable(window) ? window[offset / 2] : 0;
}

void registerWrite(volatile uint16_t* window, uint32_t offset, uint16_t value) {
    if (registerWindowUsable(window)) window[offset / 2] = value;
}
