// frame_mark.h - where the ARM instruction counter cuts its count.
//
// A frame loop calls armcountFrameMark() just before and just after every
// frame. Under qemu-arm, the counter (tools/armcount, a plugin given this
// function's address from the binary's symbols) writes the instructions (and
// cycles) the thread spent since the previous call: one line for start-up,
// then one for each frame and one for the loop's own work after it.
// Elsewhere the call costs a call and a return.
#pragma once

extern "C" void armcountFrameMark();
