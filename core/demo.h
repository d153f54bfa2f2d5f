// demo.h - the demo's entry point: start-up, frame loop, shutdown.
//
// Start-up builds everything in one fixed order while the loading bar fills
// (28 steps, full when the music starts), the frame loop runs until the
// running order reaches its end or the user quits (Backspace released, or the
// window closed), then the audio side is released and the console's menu
// program replaces the process. If that exec fails, demoMain returns 0.
#pragma once

#include <cstdint>

// Ticks of the instant the music was switched on; the music time of every
// frame is measured from it.
extern uint32_t musicStartTicks;

int demoMain();
