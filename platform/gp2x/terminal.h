// terminal.h - the console's keyboard, through the terminal on standard
// input: raw mode (each key as it comes, no echo, no signals from Ctrl-C),
// restored when the process exits or replaces itself with the menu program.
// A terminal gives no key releases: a key that comes is pressed and released
// at once. Backspace (DEL or Ctrl-H) is Key::Backspace; Ctrl-C, SIGINT and
// SIGTERM are a quit event, as SDL makes them on the console. Without a
// terminal only the signals count.
#pragma once

// Switches the terminal to raw mode (if standard input is one) and starts
// listening for the quit signals.
void terminalStart();
// Puts the terminal's settings back as they were.
void terminalRestore();
