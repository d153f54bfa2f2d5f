#include "armcount/frame_mark.h"

// Out of line and with a body the compiler must keep, so that every call
// reaches this address.
extern "C" __attribute__((noinline)) void armcountFrameMark() {
    asm volatile("" ::: "memory");
}
