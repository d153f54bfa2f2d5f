// frame_mark.h - where the ARM instruction counter cuts its count.
//
// A frame loop calls armcountFrameMark() once before every frame. Under
// qemu-arm, the counter (tools/armcount, a plugin given this function's
// address from the binary's symbols) writes the instructions the thread
// executed since the previous call: one line for start-up, then one a frame.
// Elsewhere the call costs a call and a return.
#pragma once

extern "C" void armcountFrameMark();
