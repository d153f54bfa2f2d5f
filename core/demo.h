// demo.h - the demo's entry point: start-up, the frame loop, shutdown.
//
// Start-up builds everything in one fixed order while the loading bar fills
// (28 steps, full when the music starts), the live player's frame loop
// (player.h) runs until the running order reaches its end or the user quits,
// then the audio side is released and the console's menu program replaces
// the process. If that exec fails, demoMain returns 0.
//
// The steps are also offered one by one, so that another host (offline
// capture, the web page) runs the very same start-up, then frames of its own
// (core/offline_run.h) or the player's passes on its own clock.
#pragma once

int demoMain();

void demoStartUp();
// Releases the scenes and the audio side; no frame runs after it.
void demoShutDown();
