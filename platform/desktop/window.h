// window.h - the desktop window's own switch, which its keys reach
// (Alt+Enter) and no other host has: between the scaled window and full
// screen (the largest whole factor, centred on black); nothing without a
// desktop.
#pragma once

void desktopToggleFullScreen();
