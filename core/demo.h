// demo.h - the demo's entry point: start-up, the frame loop, shutdown.
//
// Start-up builds everything in one fixed order while the loading bar fills
// (28 steps, full when the music starts), the live player's frame loop
// (player.h) runs until the running order reaches its end or the user quits,
// then the audio side is released and the console's menu program replaces
// the process. If that exec fails, demoMain returns 0.
//
// The steps are also offered one by one, so that another host (offline
// capture) runs the very same start-up and frames on its own clock and screen.
#pragma once

int demoMain();

void demoStartUp();
// One frame at the music time of the clock, for a host that runs its own
// loop; true if it was the frame that ends the demo.
bool demoRunFrame();
// Releases the scenes and the audio side; no frame runs after it.
void demoShutDown();
