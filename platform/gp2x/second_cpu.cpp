// The console's second processor is real: it starts and stops by the
// registers alone, and nothing tells the main side how long it has worked or
// whether it faulted. So the main side's watch over a processor that hands
// over no sound stays off here (it would need the processor's own time), and
// the control block's writes need no doorbell: the processor polls the block.
#include "platform/second_cpu.h"

#include "platform/sound_control_block.h"

bool secondCpuProgramRunning() {
    return false;
}

bool secondCpuProgramFaulted() {
    return false;
}

uint64_t secondCpuWorkNanoseconds() {
    return 0;
}

void secondCpuDoorbell() {}
