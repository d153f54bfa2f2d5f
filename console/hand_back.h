// hand_back.h - every end of the console program hands the console back to
// its menu.
//
// On the console a person holds the machine, sees only its screen and has no
// keyboard: a program that ends any other way leaves the console dead until
// it is switched off. So every end comes here: the demo's own, a quit, and
// every start-up failure that ends the process (exit, after its one line).
// A problem line said while the loading screen is up is shown on it too,
// with the demo's font, and held there long enough to read; then the audio
// side is stopped (the second processor halted), the terminal's settings
// put back, and the menu program replaces this one, started in its folder
// ("/usr/gp2x/gp2xmenu" in "/usr/gp2x"). Only where the menu cannot be
// started does the program end: one line, status 1.
#pragma once

// From here on, every end of the process hands the console back, and every
// problem line said while loading is shown on the screen as well.
void handBackOnEveryEnd();

// The demo's end: hands the console back to its menu.
[[noreturn]] void handBackToMenu();
