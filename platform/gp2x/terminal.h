// terminal.h - the console's keyboard, through the terminal on standard
// input, and the signals that ask the program to quit.
//
// The terminal goes into raw mode (each key as it comes, no echo, no signals
// from its keys) and back as it was when the process exits or replaces
// itself with the menu program. Every signal that would end the program
// (SIGINT, SIGTERM, SIGHUP when the shell it was started from goes, SIGQUIT,
// SIGPIPE, SIGALRM, SIGUSR1, ...) is a request to quit instead, as SDL makes
// SIGINT and SIGTERM on the console: the demo then ends as the quit key ends
// it, with the console handed back to its menu. The faults (SIGSEGV, SIGILL,
// SIGBUS, SIGFPE, SIGABRT, SIGTRAP, SIGSYS) keep their default: the program
// cannot go on past them.
#pragma once

// Switches the terminal to raw mode (if standard input is one) and starts
// listening for the quit signals.
void terminalStart();
// Puts the terminal's settings back as they were.
void terminalRestore();

// What the terminal has typed, without waiting: up to `size` bytes into
// `bytes`, how many (0 without a terminal or with nothing typed).
long terminalRead(char* bytes, long size);

// Asks the program to quit (Ctrl-C typed on the raw terminal).
void terminalRequestQuit();
// Whether a quit was asked since the last call.
bool terminalTakeQuitRequest();
