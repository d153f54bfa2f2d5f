// demo.h - the demo's entry point: start-up, frame loop, shutdown.
//
// Start-up builds everything in one fixed order while the loading bar fills
// (28 steps, full when the music starts), the frame loop runs until the
// running order reaches its end or the user quits (Backspace or Escape
// released, or the window closed), then the audio side is released and the
// console's menu program replaces the process. If that exec fails, demoMain
// returns 0.
//
// The steps are also offered one by one, so that another host (offline
// capture) runs the very same start-up and frames on its own clock and screen.
#pragma once

#include <cstdint>

// Ticks of the instant the music was switched on; the music time of every
// frame is measured from it.
extern uint32_t musicStartTicks;

int demoMain();

void demoStartUp();
// One frame, from the music clock to the presented picture; true if it was the
// frame that ends the demo.
bool demoRunFrame();
// The same at a given music time, in ms since the music started.
bool demoRunFrameAt(int elapsedMs);
// Drains the input events: true if the viewer asked to quit. Alt+Enter
// switches between window and full screen; the live player's keys go to it
// (player.h).
bool demoQuitRequested();
// One pass of the live player's frame loop (after playerStart()): its frame,
// the input events, the frame pacing. True once the demo has ended or the
// viewer asked to quit.
bool demoLoopPass();
// Releases the scenes and the audio side; no frame runs after it.
void demoShutDown();
